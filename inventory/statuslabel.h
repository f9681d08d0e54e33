#pragma once

#include <QString>

class QLabel;

// Shows a dialog's status message at once and, 200 ms later, in its colour: kind 0 red (error), 1 green (done),
// anything else the parent's style. Returns at once. The text is plain: messages quote typed codes, which may hold
// '<' and '>'.
void ShowFlashingStatus(QLabel* label, const QString& parentStyle, const QString& message, int kind);

// Clears a status label's message with its colour, the colour still to come from its flash included.
void ClearStatus(QLabel* label);

// Keeps the room of a word-wrapped status label for that many lines, with a message or without, so nothing
// around it moves when a message comes or goes. A longer message shows its first lines; its tool tip holds it whole,
// as it does for a message cut at the side.
void KeepStatusRoom(QLabel* label, int lines);

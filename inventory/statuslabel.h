#pragma once

#include <QString>

class QLabel;

// Shows a dialog's status message: kind 0 red (error), 1 green (done), anything else in the parent's style.
void ShowFlashingStatus(QLabel* label, const QString& parentStyle, const QString& message, int kind);

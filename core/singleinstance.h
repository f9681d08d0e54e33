#pragma once

#include <QString>

class QSharedMemory;

// The guard that lets one copy of the program run at a time: a shared-memory segment under a fixed key, held by
// the running copy. ./run.sh's server step asks it too (through seed-settings), so the key lives here only.

inline const QString SINGLE_INSTANCE_KEY = QStringLiteral("10eef311-69b6-4968-b04c-a26775c857d8");

// The guard's key file, named as Qt names the fixed key's, is kept in $XDG_RUNTIME_DIR when that is a folder of this
// account's that no other account writes, else in the program's data folder ($XDG_DATA_HOME/vorantel, or
// ~/.local/share/vorantel, made mode 700). Never in a shared temporary folder, where any account could make it and
// hold the key. Every start and every question looks at both folders and at an earlier version's place (the
// temporary folder), so a copy is found wherever it put its key file.

// Takes the single-instance segment; false when a live copy of this account's (or of an earlier version's) runs,
// wherever its key file is. A segment left behind by a killed copy is cleared first; one of another account's is left
// alone and the key file made anew (a new key). Where no folder can hold the key file, it says so in one line on
// standard error and returns true without the segment: the program then runs unguarded.
bool AcquireSingleInstance(QSharedMemory& guard);

// Whether a live copy of the program, started by this account, holds the segment at any of the key file's places.
// Takes nothing: a start made meanwhile is never refused because of the question.
bool SingleInstanceRuns();

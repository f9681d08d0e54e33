#pragma once

#include <QString>

class QSharedMemory;

// The guard that lets one copy of the program run at a time: a shared-memory segment under a fixed key, held by
// the running copy. ./run.sh's server step asks it too (through seed-settings), so the key lives here only.

inline const QString SINGLE_INSTANCE_KEY = QStringLiteral("10eef311-69b6-4968-b04c-a26775c857d8");

// Takes the single-instance segment. A segment left behind by a killed copy is
// cleared first; one held by a live copy makes this fail.
bool AcquireSingleInstance(QSharedMemory& guard);

// Whether a live copy of the program, started by this account, holds the segment. Takes nothing: a start made
// meanwhile is never refused because of the question.
bool SingleInstanceRuns();

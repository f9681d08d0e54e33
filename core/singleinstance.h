#pragma once

#include <QString>

// The guard that lets one copy of the program run at a time: a lock on a file of this account's, held by the running
// copy and released by the kernel when it ends, however. ./run.sh's server step asks it too (through seed-settings).

// Earlier versions held a shared-memory segment under this key instead; a live copy of theirs is still looked for.
inline const QString SINGLE_INSTANCE_KEY = QStringLiteral("10eef311-69b6-4968-b04c-a26775c857d8");

// The lock file is kept in the program's data folder ($XDG_DATA_HOME/vorantel, or ~/.local/share/vorantel, made mode
// 700, and narrowed to 700 when this account's and its group or other accounts may write it), which every session of
// the account shares; in $XDG_RUNTIME_DIR only when the data folder cannot hold it. Only a folder of this account's
// that neither its group nor other accounts may write holds it.
class SingleInstanceLock
{
public:
    SingleInstanceLock() = default;
    ~SingleInstanceLock() { release(); }
    SingleInstanceLock(const SingleInstanceLock&) = delete;
    SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;

    bool held() const { return fd >= 0; }
    void release();

private:
    friend bool AcquireSingleInstance(SingleInstanceLock& lock);
    int fd = -1;
};

// Takes the lock; false when a live copy of the program runs as this account (one of an earlier version too). Where
// no folder can hold the lock file, it says so in one line on standard error and returns true without the lock: the
// program then runs unguarded. The lock must live as long as the copy runs.
bool AcquireSingleInstance(SingleInstanceLock& lock);

// Whether a live copy of the program, started by this account, holds the lock in either folder (or is an earlier
// version's). Takes nothing: a start made meanwhile is never refused because of the question.
bool SingleInstanceRuns();

#include "singleinstance.h"

#include <QFile>
#include <QSharedMemory>

#include <cerrno>
#include <csignal>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <unistd.h>

// The guard's segment and what the kernel knows of it; -1 when there is none.
static int SegmentOf(const QSharedMemory& guard, shmid_ds& info)
{
    const key_t key = ftok(QFile::encodeName(guard.nativeKey()).constData(), 'Q');
    const int id = key == -1 ? -1 : shmget(key, 0, 0);
    return id >= 0 && shmctl(id, IPC_STAT, &info) == 0 ? id : -1;
}

static bool CreatorAlive(const shmid_ds& info)
{
    return ::kill(info.shm_cpid, 0) == 0 || errno != ESRCH;
}

// A copy holds only the segment it created, so a segment whose creator has died is a dead copy's,
// even while the kernel still counts that copy as attached (it can detach it after the parent has
// reaped the process). Removing it frees the key at once.
static void RemoveSegmentOfDeadCreator(const QSharedMemory& guard)
{
    shmid_ds info;
    const int id = SegmentOf(guard, info);
    if (id >= 0 && !CreatorAlive(info))
        shmctl(id, IPC_RMID, nullptr);
}

bool AcquireSingleInstance(QSharedMemory& guard)
{
    // On Linux a segment outlives a killed owner. Attaching and detaching again destroys it
    // when nobody else holds it, and leaves a live copy's segment alone. Attaching needs the
    // key file, which a cleaned temporary folder may have lost (and a failed create() removes
    // the one it made), so make sure it exists first.
    // The key comes from the key file's inode, and destroying a dead segment removes that file:
    // create() makes it anew, and its new key can meet another dead copy's segment. Each round
    // destroys one; a live copy's segment stays whatever the rounds, so it is still refused.
    for (int round = 0; round < 16; ++round) {
        QFile keyFile(guard.nativeKey());
        if (!keyFile.exists() && keyFile.open(QIODevice::WriteOnly))
            keyFile.close();
        if (guard.attach())
            guard.detach();
        if (guard.create(256, QSharedMemory::ReadWrite))
            return true;
        if (guard.error() != QSharedMemory::AlreadyExists)
            return false;
        RemoveSegmentOfDeadCreator(guard);
    }
    return false;
}

bool SingleInstanceRuns()
{
    QSharedMemory guard(SINGLE_INSTANCE_KEY);
    // A copy of another account's (root may attach its segment) uses no password of this account's.
    if (!guard.attach(QSharedMemory::ReadOnly))
        return false;
    shmid_ds info;
    const bool runs = SegmentOf(guard, info) >= 0 && info.shm_perm.cuid == geteuid() && CreatorAlive(info);
    guard.detach();
    return runs;
}

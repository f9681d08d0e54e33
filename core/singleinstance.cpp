#include "singleinstance.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QSharedMemory>

#include <vector>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A segment under a key file's key, as far as this account can tell.
struct Segment
{
    int id = -1; // -1: none
    bool mine = false;
    bool live = false; // a running copy's: created by this account, attached, its creator alive
};

Segment SegmentAt(const QString& keyFile)
{
    Segment segment;
    const key_t key = ftok(QFile::encodeName(keyFile).constData(), 'Q');
    segment.id = key == -1 ? -1 : shmget(key, 0, 0);
    shmid_ds info;
    // One this account cannot read is another account's: its own are made readable to it.
    if (segment.id < 0 || shmctl(segment.id, IPC_STAT, &info) != 0)
        return segment;
    // A copy holds only the segment it created, so a segment whose creator has died is a dead copy's, even while the
    // kernel still counts that copy as attached (it can detach it after the parent has reaped the process).
    const bool creatorAlive = ::kill(info.shm_cpid, 0) == 0 || errno != ESRCH;
    segment.mine = info.shm_perm.cuid == geteuid();
    segment.live = segment.mine && info.shm_nattch > 0 && creatorAlive;
    return segment;
}

// Where an earlier version kept the key file: Qt's own place for the fixed key, in the temporary folder.
QString EarlierKeyFile()
{
    return QSharedMemory(SINGLE_INSTANCE_KEY).nativeKey();
}

bool EarlierVersionRuns()
{
    return SegmentAt(EarlierKeyFile()).live;
}

bool PrivateFolder(const QString& path)
{
    struct stat info;
    return QDir::isAbsolutePath(path) && ::stat(QFile::encodeName(path).constData(), &info) == 0
           && S_ISDIR(info.st_mode) && info.st_uid == geteuid() && (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

} // namespace

QString SingleInstanceKeyFile()
{
    const QString name = QFileInfo(EarlierKeyFile()).fileName();
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (PrivateFolder(runtime))
        return runtime + QLatin1Char('/') + name;
    QString data = qEnvironmentVariable("XDG_DATA_HOME");
    if (data.isEmpty())
        data = QDir::homePath() + QStringLiteral("/.local/share");
    return data + QStringLiteral("/vorantel/") + name;
}

bool AcquireSingleInstance(QSharedMemory& guard)
{
    if (EarlierVersionRuns())
        return false;
    const QString keyFile = SingleInstanceKeyFile();
    const QByteArray path = QFile::encodeName(keyFile);
    const QString folder = QFileInfo(keyFile).path();
    if (!QFileInfo::exists(folder) && QDir().mkpath(QFileInfo(folder).path()))
        ::mkdir(QFile::encodeName(folder).constData(), 0700);
    guard.setNativeKey(keyFile);

    // Key files given up stay open until the end, so that their inodes (and keys) do not come back to a new one.
    std::vector<int> givenUp;
    const auto closeGivenUp = qScopeGuard([&givenUp] {
        for (int fd : givenUp)
            ::close(fd);
    });
    // Each round clears one segment in the way; a live copy's stays, so it is still refused.
    for (int round = 0; round < 16; ++round) {
        // A cleaned folder may have lost the key file, and a failed create() removes the one it made.
        const int made = ::open(path.constData(), O_RDONLY | O_CREAT | O_CLOEXEC, 0600);
        if (made >= 0)
            ::close(made);
        const Segment segment = SegmentAt(keyFile);
        if (segment.live)
            return false;
        if (segment.id >= 0 && !segment.mine) {
            // Any account can hold a segment under any key; another's is no copy of the program, and not this
            // one's to remove. A new key file, made while the old one still exists, has another inode: another key.
            const QByteArray fresh = path + ".new";
            ::unlink(fresh.constData());
            const int fd = ::open(fresh.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
            if (fd < 0)
                return false;
            ::close(fd);
            const int old = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
            if (old >= 0)
                givenUp.push_back(old);
            if (::rename(fresh.constData(), path.constData()) != 0)
                return false;
            continue;
        }
        // A killed copy's segment outlives it and would refuse every later start.
        if (segment.id >= 0)
            shmctl(segment.id, IPC_RMID, nullptr);
        if (guard.create(256, QSharedMemory::ReadWrite))
            return true;
        if (guard.error() != QSharedMemory::AlreadyExists)
            return false;
    }
    return false;
}

bool SingleInstanceRuns()
{
    // Read only: a question never removes or makes a segment or a key file.
    return SegmentAt(SingleInstanceKeyFile()).live || EarlierVersionRuns();
}

#include "singleinstance.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QSharedMemory>
#include <QStringList>
#include <QTextStream>

#include <algorithm>
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
    // kernel still counts that copy as attached (it can detach it after the parent has reaped the process). A creator
    // in a PID namespace this one cannot see reads as pid 0, which kill() would take for this process's own group:
    // its attachment then stands for it, so a copy started in another namespace still refuses this one.
    const bool creatorAlive = info.shm_cpid <= 0 || ::kill(info.shm_cpid, 0) == 0 || errno != ESRCH;
    segment.mine = info.shm_perm.cuid == geteuid();
    segment.live = segment.mine && info.shm_nattch > 0 && creatorAlive;
    return segment;
}

// Where an earlier version kept the key file: Qt's own place for the fixed key, in the temporary folder.
QString EarlierKeyFile()
{
    return QSharedMemory(SINGLE_INSTANCE_KEY).nativeKey();
}

QString KeyFileIn(const QString& folder)
{
    return folder + QLatin1Char('/') + QFileInfo(EarlierKeyFile()).fileName();
}

// Why the folder is not one where this account alone can make or replace the key file; empty when it is.
QString NotPrivate(const QString& path)
{
    struct stat info;
    if (!QDir::isAbsolutePath(path))
        return QStringLiteral("not an absolute path");
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return qt_error_string(errno);
    if (!S_ISDIR(info.st_mode))
        return qt_error_string(ENOTDIR);
    if (info.st_uid != geteuid())
        return QStringLiteral("another account's folder");
    if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        return QStringLiteral("other accounts may write it");
    return QString();
}

// The folders this version keeps the key file in, in the order a start tries them; the runtime folder only when
// the environment names one.
QStringList GuardFolders()
{
    QStringList folders;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty())
        folders << runtime;
    QString data = qEnvironmentVariable("XDG_DATA_HOME");
    if (data.isEmpty())
        data = QDir::homePath() + QStringLiteral("/.local/share");
    return folders << data + QStringLiteral("/vorantel");
}

// Every key file a live copy may hold a key of: an earlier version's, and this version's in either folder. A folder
// another account could write is passed over: a file there says nothing of this account's copies.
QStringList KeyFiles()
{
    QStringList files{EarlierKeyFile()};
    for (const QString& folder : GuardFolders()) {
        if (NotPrivate(folder).isEmpty())
            files << KeyFileIn(folder);
    }
    return files;
}

// Read only: a look never removes or makes a segment or a key file. The segment passed over is this copy's own,
// which another path to its key file would find too.
bool LiveCopyAt(const QStringList& keyFiles, int except = -1)
{
    return std::any_of(keyFiles.cbegin(), keyFiles.cend(), [except](const QString& file) {
        const Segment segment = SegmentAt(file);
        return segment.live && segment.id != except;
    });
}

// Makes the folder and those missing above it (these as mkdir -p makes them); 0, or the errno that stopped it.
int MakeFolder(const QString& path, mode_t mode)
{
    const QByteArray name = QFile::encodeName(path);
    if (::mkdir(name.constData(), mode) == 0 || errno == EEXIST)
        return 0;
    const QString parent = QFileInfo(path).path();
    if (errno != ENOENT || parent == path)
        return errno;
    if (const int failed = MakeFolder(parent, 0777))
        return failed;
    return ::mkdir(name.constData(), mode) == 0 || errno == EEXIST ? 0 : errno;
}

// Why the folder cannot hold the key file; empty when it holds one now. Only the data folder is the program's to make.
QString CannotHoldKeyFile(const QString& folder, bool make)
{
    if (make) {
        if (const int failed = MakeFolder(folder, 0700))
            return qt_error_string(failed);
    }
    const QString why = NotPrivate(folder);
    if (!why.isEmpty())
        return why;
    const int fd = ::open(QFile::encodeName(KeyFileIn(folder)).constData(), O_RDONLY | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return qt_error_string(errno);
    ::close(fd);
    return QString();
}

} // namespace

bool AcquireSingleInstance(QSharedMemory& guard)
{
    if (LiveCopyAt(KeyFiles()))
        return false;
    QString keyFile;
    QStringList unusable;
    const QStringList folders = GuardFolders();
    for (const QString& folder : folders) {
        const QString why = CannotHoldKeyFile(folder, folder == folders.constLast());
        if (why.isEmpty()) {
            keyFile = KeyFileIn(folder);
            break;
        }
        unusable << QStringLiteral("%1 (%2)").arg(folder, why);
    }
    if (keyFile.isEmpty()) {
        // A guard that cannot be set up is no other copy running: the program still starts, and says what it lacks.
        QTextStream(stderr) << "The program starts without its single-instance guard, so a second copy is not stopped: "
                               "its key file cannot be kept in "
                            << unusable.join(QStringLiteral(" nor in ")) << ".\n";
        return true;
    }
    const QByteArray path = QFile::encodeName(keyFile);
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
        if (guard.create(256, QSharedMemory::ReadWrite)) {
            // Two copies started together can choose different folders (a runtime folder made between their starts),
            // each finding no live copy before the other has made its segment. So each looks again once its own is
            // attached, and gives way to any live copy it finds: of two such copies the later to make its segment
            // finds the earlier's, so they never both run. Both may give way; a start after that runs. The folders
            // are looked up again: the other may have been made meanwhile.
            if (!LiveCopyAt(KeyFiles(), SegmentAt(keyFile).id))
                return true;
            guard.detach();
            return false;
        }
        if (guard.error() != QSharedMemory::AlreadyExists)
            return false;
    }
    return false;
}

bool SingleInstanceRuns()
{
    return LiveCopyAt(KeyFiles());
}

// The single-instance guard: a lock the kernel releases with the process, on a file in a folder of this account's.
#include "singleinstance.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSharedMemory>
#include <QStringList>
#include <QTextStream>

#include <algorithm>

#include <cerrno>
#include <fcntl.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString LockFileName = QStringLiteral("program.lock");

// The folders a lock file can be in, in the order a start tries them; the runtime folder only when the environment
// names one.
QStringList GuardFolders()
{
    QString data = qEnvironmentVariable("XDG_DATA_HOME");
    if (data.isEmpty())
        data = QDir::homePath() + QStringLiteral("/.local/share");
    QStringList folders{data + QStringLiteral("/vorantel")};
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty())
        folders << runtime;
    return folders;
}

// Why the folder is not one where this account alone can make or replace the lock file; empty when it is.
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
        return QStringLiteral("its group or other accounts may write it");
    return QString();
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

// A data folder of this account's that its group or other accounts may write (an earlier version's ./run.sh made it
// under the umask: 775 under 002) is narrowed to this account's alone, as a new one is made, and said in one line.
void NarrowDataFolder(const QString& folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    struct stat info;
    if (::fstat(fd, &info) == 0 && info.st_uid == geteuid() && (info.st_mode & (S_IWGRP | S_IWOTH)) != 0
        && ::fchmod(fd, 0700) == 0) {
        QTextStream(stderr) << "The program's data folder " << folder << " was mode "
                            << QString::number(info.st_mode & 07777, 8).rightJustified(3, QLatin1Char('0'))
                            << ", which its group or other accounts could write; it is now this account's alone, mode 700.\n";
    }
    ::close(fd);
}

// The lock file in the folder, opened: -1 unless it is a plain file of this account's.
int OpenLockFile(const QString& folder, int flags)
{
    const QByteArray path = QFile::encodeName(folder + QLatin1Char('/') + LockFileName);
    const int fd = ::open(path.constData(), flags | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    struct stat info;
    if (fd >= 0 && (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != geteuid())) {
        ::close(fd);
        errno = EPERM;
        return -1;
    }
    return fd;
}

struct flock WholeFile(short type)
{
    struct flock whole{};
    whole.l_type = type;
    whole.l_whence = SEEK_SET;
    return whole;
}

// The folder's lock file, locked: its descriptor, or -1 and why not; -1 and no reason when a live copy holds it. The
// data folder (make) is made when missing, and narrowed when it is too open.
int TakeLock(const QString& folder, bool make, QString& why)
{
    if (make) {
        if (const int failed = MakeFolder(folder, 0700)) {
            why = qt_error_string(failed);
            return -1;
        }
        NarrowDataFolder(folder);
    }
    why = NotPrivate(folder);
    if (!why.isEmpty())
        return -1;
    const int fd = OpenLockFile(folder, O_RDWR | O_CREAT);
    struct flock whole = WholeFile(F_WRLCK);
    if (fd >= 0 && ::fcntl(fd, F_OFD_SETLK, &whole) == 0)
        return fd;
    const int failed = errno;
    if (fd >= 0)
        ::close(fd);
    if (fd < 0 || (failed != EAGAIN && failed != EACCES))
        why = failed == EPERM ? QStringLiteral("its lock file is no file of this account's") : qt_error_string(failed);
    return -1;
}

// Whether an earlier version's live copy holds its segment under the key file's key. Any account can hold a segment
// under any key, and this account's other programs may use it too: only a 256-byte segment this account created from
// a program named vorantel that still runs and keeps it attached is a copy. An upgrade may have replaced its file.
bool EarlierCopyAt(const QString& keyFile)
{
    const key_t key = ftok(QFile::encodeName(keyFile).constData(), 'Q');
    const int id = key == -1 ? -1 : shmget(key, 0, 0);
    shmid_ds info;
    if (id < 0 || shmctl(id, IPC_STAT, &info) != 0 || info.shm_perm.cuid != geteuid() || info.shm_segsz != 256
        || info.shm_nattch == 0 || info.shm_cpid <= 0)
        return false;
    char target[4096];
    const ssize_t size = ::readlink(QByteArray("/proc/" + QByteArray::number(info.shm_cpid) + "/exe").constData(),
                                    target, sizeof target);
    QByteArray program = size > 0 ? QByteArray(target, int(size)) : QByteArray();
    if (program.endsWith(" (deleted)"))
        program.chop(10);
    return program.endsWith("/vorantel");
}

// Whether a live copy other than the holder of own (a descriptor, or -1) runs: its lock in either folder, or an
// earlier version's segment under the keys of its key files (in the temporary folder, or the lock file's folders).
// Read only: it never makes a file nor takes a lock.
bool LiveCopy(int own)
{
    struct stat mine;
    const bool holding = own >= 0 && ::fstat(own, &mine) == 0;
    const QString earlierKeyFile = QSharedMemory(SINGLE_INSTANCE_KEY).nativeKey();
    QStringList keyFiles{earlierKeyFile};
    for (const QString& folder : GuardFolders()) {
        keyFiles << folder + QLatin1Char('/') + QFileInfo(earlierKeyFile).fileName();
        // A folder another account could write says nothing of this account's copies.
        const int fd = NotPrivate(folder).isEmpty() ? OpenLockFile(folder, O_RDONLY) : -1;
        struct stat info;
        struct flock whole = WholeFile(F_WRLCK);
        const bool held = fd >= 0 && ::fstat(fd, &info) == 0
                          && !(holding && info.st_dev == mine.st_dev && info.st_ino == mine.st_ino)
                          && ::fcntl(fd, F_OFD_GETLK, &whole) == 0 && whole.l_type != F_UNLCK;
        if (fd >= 0)
            ::close(fd);
        if (held)
            return true;
    }
    return std::any_of(keyFiles.cbegin(), keyFiles.cend(), EarlierCopyAt);
}

} // namespace

void SingleInstanceLock::release()
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

bool AcquireSingleInstance(SingleInstanceLock& lock)
{
    lock.release();
    QStringList unusable;
    const QStringList folders = GuardFolders();
    for (const QString& folder : folders) {
        QString why;
        lock.fd = TakeLock(folder, folder == folders.first(), why);
        if (lock.held())
            break;
        if (why.isEmpty())
            return false;
        unusable << QStringLiteral("%1 (%2)").arg(folder, why);
    }
    // A copy whose data folder could not hold its lock has it in its runtime folder, and an earlier version's holds a
    // segment. Looked for once this copy's lock is taken: of two copies started together the later finds the earlier.
    if (LiveCopy(lock.fd)) {
        lock.release();
        return false;
    }
    if (!lock.held()) {
        // A guard that cannot be set up is no other copy running: the program still starts, and says what it lacks.
        QTextStream(stderr) << "The program starts without its single-instance guard, so a second copy is not stopped: "
                               "its lock file cannot be kept in "
                            << unusable.join(QStringLiteral(" nor in ")) << ".\n";
    }
    return true;
}

bool SingleInstanceRuns()
{
    return LiveCopy(-1);
}

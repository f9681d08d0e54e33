#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include <csignal>
#include <sys/resource.h>

// Faults of the file system for prints that cannot write their PDF, as root too.
namespace WriteFaults {

// While it lives, the process's files may grow to so many bytes: a write past them fails, as on a full disk,
// with "File too large" (the signal that would end the process is ignored).
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &saved);
        savedHandler = std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{bytes, saved.rlim_max};
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, savedHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit saved{};
    void (*savedHandler)(int) = nullptr;
};

// A folder path below a regular file: nothing can be made there, whoever asks.
inline QString FolderUnderAFile(const QString& scratch)
{
    const QString file = scratch + QStringLiteral("/a-file");
    QFile made(file);
    made.open(QIODevice::WriteOnly);
    return file + QStringLiteral("/data");
}

// r-xr-xr-x: a folder nobody writes to (as root, the tests still remove it).
inline QFile::Permissions FolderMode()
{
    return QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;
}

// The mode of the file or folder at path, without the bits Qt adds for what the user running the test may do.
inline QFile::Permissions Mode(const QString& path)
{
    return QFileInfo(path).permissions() & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser);
}

// A folder, not empty, standing where a file is to be written, while it lives: it cannot be removed, as a file another
// program holds cannot. It has FolderMode; it goes with its write bit given back, however the row ends, so that neither
// the next row, nor the next run, nor a plain account's rm -rf finds it in the way.
class FolderInTheWay
{
public:
    explicit FolderInTheWay(const QString& path)
        : path(path)
    {
        QFile inside(path + QStringLiteral("/held"));
        made = QDir().mkpath(path) && inside.open(QIODevice::WriteOnly) && QFile::setPermissions(path, FolderMode());
    }
    ~FolderInTheWay()
    {
        QFile::setPermissions(path, FolderMode() | QFile::WriteOwner);
        QDir(path).removeRecursively();
    }
    FolderInTheWay(const FolderInTheWay&) = delete;
    FolderInTheWay& operator=(const FolderInTheWay&) = delete;

    bool isMade() const { return made; }

private:
    const QString path;
    bool made = false;
};

// The data folder, where the PDFs are written, pointed elsewhere while it lives.
class DataFolder
{
public:
    explicit DataFolder(const QString& path)
        : saved(qgetenv("XDG_DATA_HOME"))
    {
        qputenv("XDG_DATA_HOME", path.toUtf8());
    }
    ~DataFolder() { qputenv("XDG_DATA_HOME", saved); }
    DataFolder(const DataFolder&) = delete;
    DataFolder& operator=(const DataFolder&) = delete;

private:
    const QByteArray saved;
};

} // namespace WriteFaults

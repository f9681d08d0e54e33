#include "closeonexec.h"

#include "corelog.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>

bool MarkAllCloseOnExec()
{
    DIR* const list = ::opendir("/proc/self/fd");
    if (!list) {
        qCWarning(lcCore) << "descriptors not listed:" << std::strerror(errno);
        return false;
    }
    const int own = ::dirfd(list);
    bool allMarked = true;
    while (const dirent* entry = ::readdir(list)) {
        char* end = nullptr;
        const long fd = std::strtol(entry->d_name, &end, 10);
        if (end == entry->d_name || *end != '\0' || fd <= 2 || fd == own)
            continue;
        const int flags = ::fcntl(int(fd), F_GETFD);
        if (flags < 0) {
            // Closed since it was listed (by another thread): nothing left to pass on.
            if (errno == EBADF)
                continue;
            qCWarning(lcCore) << "descriptor" << fd << "not read:" << std::strerror(errno);
            allMarked = false;
        } else if (!(flags & FD_CLOEXEC) && ::fcntl(int(fd), F_SETFD, flags | FD_CLOEXEC) < 0 && errno != EBADF) {
            qCWarning(lcCore) << "descriptor" << fd << "not marked close-on-exec:" << std::strerror(errno);
            allMarked = false;
        }
    }
    ::closedir(list);
    return allMarked;
}

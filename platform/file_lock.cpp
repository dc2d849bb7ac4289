#include "platform/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace platform {

bool FileIsFreeForWriting(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return false;
    struct flock probe {};
    probe.l_type = F_WRLCK;
    probe.l_whence = SEEK_SET;  // whole file: start 0, length 0
    bool free = ::fcntl(fd, F_GETLK, &probe) == 0 && probe.l_type == F_UNLCK;
    if (free) {
        free = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
        if (free) ::flock(fd, LOCK_UN);
    }
    ::close(fd);
    return free;
}

}  // namespace platform

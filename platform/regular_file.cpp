#include "platform/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

namespace {

bool RefuseUnlessRegular(const struct stat& st) {
    if (S_ISREG(st.st_mode)) return false;
    errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    return true;
}

}  // namespace

std::FILE* OpenRegularFile(const std::string& path) {
    if (path.empty()) {
        errno = ENOENT;
        return nullptr;
    }
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || RefuseUnlessRegular(st)) return nullptr;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return nullptr;
    // The name may have been replaced between the look and the open.
    if (::fstat(fd, &st) != 0 || RefuseUnlessRegular(st)) {
        const int saved = errno;
        ::close(fd);
        errno = saved;
        return nullptr;
    }
    std::FILE* file = ::fdopen(fd, "rb");
    if (!file) {
        const int saved = errno;
        ::close(fd);
        errno = saved;
    }
    return file;
}

}  // namespace platform

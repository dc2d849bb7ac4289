#include "platform/paths.h"

#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

bool IsCompletePath(const std::string& path) { return !path.empty() && path[0] == '/'; }

std::string CurrentDirectory() {
    char buf[PATH_MAX];
    if (getcwd(buf, sizeof buf) == nullptr) return ".";
    return buf;
}

std::string JoinPath(const std::string& dir, const std::string& name) {
    if (dir.empty()) return name;
    if (dir.back() == '/') return dir + name;
    return dir + "/" + name;
}

std::string FromCurrentDirectory(const std::string& path) {
    return IsCompletePath(path) ? path : JoinPath(CurrentDirectory(), path);
}

std::string SerialDevicePath(const std::string& portName) {
    if (portName.find('/') != std::string::npos) return portName;
    return "/dev/" + portName;
}

std::string ExecutableDirectory() {
    char buf[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return CurrentDirectory();
    std::string exe(buf, size_t(n));
    auto slash = exe.rfind('/');
    return slash == std::string::npos ? CurrentDirectory() : exe.substr(0, slash);
}

bool FileExists(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0;
}

}  // namespace platform

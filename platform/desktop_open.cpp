#include "platform/desktop_open.h"

#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace platform {
namespace {

bool HasDesktop() {
    const char* x = getenv("DISPLAY");
    const char* wayland = getenv("WAYLAND_DISPLAY");
    return (x && *x) || (wayland && *wayland);
}

}  // namespace

bool OpenWithDesktop(const std::string& path) {
    if (!HasDesktop()) return false;
    // The opener must not write into our console, nor outlive us as a zombie:
    // a short-lived intermediate child starts it and exits at once.
    pid_t middle = fork();
    if (middle < 0) return false;
    if (middle == 0) {
        int devNull = open("/dev/null", O_RDWR);
        if (devNull >= 0) {
            dup2(devNull, STDOUT_FILENO);
            dup2(devNull, STDERR_FILENO);
        }
        const char* argv[] = {"xdg-open", path.c_str(), nullptr};
        pid_t opener;
        int rc = posix_spawnp(&opener, "xdg-open", nullptr, nullptr, const_cast<char**>(argv), environ);
        _exit(rc == 0 ? 0 : 127);
    }
    int status = 0;
    if (waitpid(middle, &status, 0) != middle) return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace platform

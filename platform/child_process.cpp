#include "platform/child_process.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace platform {

ChildProcess::~ChildProcess() {
    if (pid_ > 0 && !reaped_) {
        Kill();
        Wait();
    }
    if (pipeFd_ >= 0) ::close(pipeFd_);
}

bool ChildProcess::Start(const std::vector<std::string>& args, const std::string& workDir) {
    if (args.empty()) return false;
    // A finished earlier child of this object leaves nothing behind.
    if (pid_ > 0 && !reaped_) {
        Kill();
        Wait();
    }
    if (pipeFd_ >= 0) {
        ::close(pipeFd_);
        pipeFd_ = -1;
    }
    pid_ = -1;
    status_ = -1;
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return false;
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = fork();
    if (pid < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        return false;
    }
    if (pid == 0) {
        dup2(fds[1], STDOUT_FILENO);
        if (!workDir.empty() && chdir(workDir.c_str()) != 0) _exit(127);
        execv(argv[0], argv.data());
        _exit(127);
    }
    ::close(fds[1]);
    pipeFd_ = fds[0];
    pid_ = pid;
    reaped_ = false;
    return true;
}

bool ChildProcess::ReadAvailable(std::string& out, int timeoutMs) {
    if (pipeFd_ < 0) return false;
    pollfd p{pipeFd_, POLLIN, 0};
    int r = ::poll(&p, 1, timeoutMs);
    if (r <= 0) return r == 0 || errno == EINTR;
    char buf[4096];
    ssize_t n = ::read(pipeFd_, buf, sizeof buf);
    if (n <= 0) return n < 0 && errno == EINTR;
    out.append(buf, size_t(n));
    return true;
}

bool ChildProcess::Running() {
    if (pid_ <= 0 || reaped_) return false;
    int st = 0;
    pid_t r = waitpid(pid_, &st, WNOHANG);
    if (r == pid_) {
        reaped_ = true;
        status_ = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
        return false;
    }
    return true;
}

int ChildProcess::Wait() {
    if (pid_ <= 0) return -1;
    if (!reaped_) {
        int st = 0;
        while (waitpid(pid_, &st, 0) < 0 && errno == EINTR) {
        }
        reaped_ = true;
        status_ = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    }
    return status_;
}

void ChildProcess::Kill() {
    if (pid_ > 0 && !reaped_) ::kill(pid_, SIGKILL);
}

}  // namespace platform

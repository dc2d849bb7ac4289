#include "platform/child_process.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <string.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace platform {
namespace {

// The parent's environment with `changes` applied, as "NAME=value" texts.
std::vector<std::string> ChildEnvironment(const std::vector<std::pair<std::string, std::string>>& changes) {
    std::vector<std::string> env;
    for (char** e = environ; e && *e; ++e) {
        const std::string entry(*e);
        bool replaced = false;
        for (const auto& [name, value] : changes)
            if (entry.compare(0, name.size() + 1, name + "=") == 0) replaced = true;
        if (!replaced) env.push_back(entry);
    }
    for (const auto& [name, value] : changes) env.push_back(name + "=" + value);
    return env;
}

std::vector<char*> PointerArray(std::vector<std::string>& texts) {
    std::vector<char*> ptrs;
    for (auto& t : texts) ptrs.push_back(t.data());
    ptrs.push_back(nullptr);
    return ptrs;
}

}  // namespace

ChildProcess::~ChildProcess() {
    if (pid_ > 0 && !reaped_) {
        Kill();
        Wait();
    }
    if (pipeFd_ >= 0) ::close(pipeFd_);
}

bool ChildProcess::Start(const std::vector<std::string>& args, const std::string& workDir) {
    ChildOptions options;
    options.workDir = workDir;
    return Start(args, options);
}

bool ChildProcess::Start(const std::vector<std::string>& args, const ChildOptions& options) {
    startError_.clear();
    if (args.empty()) {
        startError_ = strerror(EINVAL);
        return false;
    }
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
    if (pipe2(fds, O_CLOEXEC) != 0) {
        startError_ = strerror(errno);
        return false;
    }
    std::vector<std::string> argTexts = args;
    std::vector<char*> argv = PointerArray(argTexts);
    std::vector<std::string> envTexts = ChildEnvironment(options.env);
    std::vector<char*> envp = PointerArray(envTexts);

    // posix_spawn reports a program that cannot be run as its result, and is
    // safe while other threads of the station start their own tools.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (!options.workDir.empty()) posix_spawn_file_actions_addchdir_np(&actions, options.workDir.c_str());
    // The child gets its three standard streams and nothing else, whatever a
    // library opened without close-on-exec: a tool must not keep a file, a
    // socket or a serial port of the station for its whole life.
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    // The child starts with default signal handling whatever the caller's
    // thread blocks or ignores, so SIGTERM can end it.
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    for (int sig : {SIGTERM, SIGINT, SIGPIPE, SIGHUP}) sigaddset(&defaults, sig);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    pid_t pid = -1;
    const bool searchPath = args[0].find('/') == std::string::npos;
    int rc = searchPath ? posix_spawnp(&pid, argv[0], &actions, &attr, argv.data(), envp.data())
                        : posix_spawn(&pid, argv[0], &actions, &attr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    ::close(fds[1]);
    if (rc != 0) {
        ::close(fds[0]);
        startError_ = strerror(rc);
        return false;
    }
    pipeFd_ = fds[0];
    pid_ = pid;
    reaped_ = false;
    return true;
}

bool ChildProcess::ReadAvailable(std::string& out, int timeoutMs) {
    char buf[4096];
    long n = ReadSome(buf, sizeof buf, timeoutMs);
    if (n < 0) return false;
    out.append(buf, size_t(n));
    return true;
}

long ChildProcess::ReadSome(char* dst, size_t max, int timeoutMs) {
    if (pipeFd_ < 0) return -1;
    if (max == 0) return 0;
    pollfd p{pipeFd_, POLLIN, 0};
    int r = ::poll(&p, 1, timeoutMs);
    if (r < 0) return errno == EINTR ? 0 : -1;
    if (r == 0) return 0;
    ssize_t n = ::read(pipeFd_, dst, max);
    if (n < 0) return errno == EINTR || errno == EAGAIN ? 0 : -1;
    return n == 0 ? -1 : long(n);
}

void ChildProcess::Reap(int waitStatus) {
    reaped_ = true;
    status_ = WIFEXITED(waitStatus) ? WEXITSTATUS(waitStatus) : -1;
}

bool ChildProcess::Running() {
    if (pid_ <= 0 || reaped_) return false;
    int st = 0;
    pid_t r = waitpid(pid_, &st, WNOHANG);
    if (r == pid_) {
        Reap(st);
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
        Reap(st);
    }
    return status_;
}

void ChildProcess::Terminate() {
    if (pid_ > 0 && !reaped_) ::kill(pid_, SIGTERM);
}

void ChildProcess::Kill() {
    if (pid_ > 0 && !reaped_) ::kill(pid_, SIGKILL);
}

}  // namespace platform

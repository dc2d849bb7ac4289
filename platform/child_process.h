#pragma once
#include <string>
#include <utility>
#include <vector>

#include <sys/types.h>

namespace platform {

// What a child gets besides its arguments.
struct ChildOptions {
    std::string workDir;  // empty: the parent's current directory
    // Variables set (or replaced) in the child's copy of the parent's environment.
    std::vector<std::pair<std::string, std::string>> env;
};

// A child program with its standard output on a pipe, and no other
// descriptor of the parent beyond the standard streams. Standard input reads
// nothing (/dev/null), standard error stays the parent's.
class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // args[0] is the program: a path when it holds "/", else looked for on
    // the search path. On failure StartError() tells why.
    bool Start(const std::vector<std::string>& args, const std::string& workDir = "");
    bool Start(const std::vector<std::string>& args, const ChildOptions& options);
    const std::string& StartError() const { return startError_; }

    // Reads what the pipe holds now, waiting up to timeoutMs for the first
    // byte. Returns false once the pipe is closed and empty.
    bool ReadAvailable(std::string& out, int timeoutMs);
    // Reads at most `max` bytes, waiting up to timeoutMs for the first one.
    // Returns the count, 0 when nothing came, -1 once the pipe is closed and
    // empty (end of file) or broken.
    long ReadSome(char* dst, size_t max, int timeoutMs);

    bool Running();
    // Waits for the end and returns the process status (0-255), or -1 when
    // the child died of a signal.
    int Wait();
    // Asks the child to end (SIGTERM); it may clean up first.
    void Terminate();
    void Kill();
    pid_t pid() const { return pid_; }

private:
    void Reap(int waitStatus);

    pid_t pid_ = -1;
    int pipeFd_ = -1;
    int status_ = -1;
    bool reaped_ = false;
    std::string startError_;
};

}  // namespace platform

#pragma once
#include <string>
#include <vector>

#include <sys/types.h>

namespace platform {

// A child program with its standard output on a pipe.
class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // args[0] is the program path. Standard error stays the parent's.
    bool Start(const std::vector<std::string>& args, const std::string& workDir = "");
    // Reads what the pipe holds now, waiting up to timeoutMs for the first
    // byte. Returns false once the pipe is closed and empty.
    bool ReadAvailable(std::string& out, int timeoutMs);
    bool Running();
    // Waits for the end and returns the process status (0-255), or -1 when
    // the child died of a signal.
    int Wait();
    void Kill();
    pid_t pid() const { return pid_; }

private:
    pid_t pid_ = -1;
    int pipeFd_ = -1;
    int status_ = -1;
    bool reaped_ = false;
};

}  // namespace platform

#pragma once
#include <string>

namespace platform {

// One running program per directory: an exclusive flock on a file there.
// The kernel drops the lock when the process ends, however it ends, so no
// stale lock survives a crash.
class InstanceLock {
public:
    InstanceLock() = default;
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // False when another process holds the lock (or the file cannot be made).
    bool Acquire(const std::string& lockFilePath);
    void Release();

private:
    int fd_ = -1;
};

}  // namespace platform

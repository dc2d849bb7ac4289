#pragma once
// An auto-reset event: Set() lets exactly one waiter through (or the next
// one to come) and the event is then clear again. Setting an event that is
// already set changes nothing.
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace station {

class AutoResetEvent {
public:
    void Set() {
        {
            std::lock_guard<std::mutex> guard(mutex_);
            signalled_ = true;
        }
        changed_.notify_one();
    }
    void Wait() {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return signalled_; });
        signalled_ = false;
    }
    // false when the time ran out without the event.
    bool WaitFor(std::chrono::milliseconds timeout) {
        std::unique_lock<std::mutex> lock(mutex_);
        if (!changed_.wait_for(lock, timeout, [this] { return signalled_; })) return false;
        signalled_ = false;
        return true;
    }
    bool IsSet() const {
        std::lock_guard<std::mutex> guard(mutex_);
        return signalled_;
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool signalled_ = false;
};

}  // namespace station

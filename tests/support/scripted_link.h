#pragma once
// A serial link for unit tests: bytes the tool writes are recorded, and
// replies become readable at chosen virtual times.
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/byte_link.h"
#include "platform/clock.h"

namespace testing_support {

class ScriptedLink : public platform::ByteLink {
public:
    explicit ScriptedLink(platform::VirtualClock& clock) : clock_(clock) {}

    // Bytes that become readable `delayMs` after now (virtual time).
    void Reply(const std::string& bytes, uint32_t delayMs = 0) {
        pending_.push_back({clock_.NowUs() + uint64_t(delayMs) * 1000, bytes});
    }
    // Called with every write; may queue replies.
    std::function<void(ScriptedLink&, const std::string& written)> onWrite;

    bool IsOpen() const override { return open_; }
    size_t QueuedBytes() override {
        Release();
        return std::min(readable_.size(), queuedReportCap);
    }
    size_t Read(uint8_t* dst, size_t max) override {
        Release();
        size_t n = std::min(max, readable_.size());
        for (size_t i = 0; i < n; ++i) {
            dst[i] = uint8_t(readable_.front());
            readable_.pop_front();
        }
        return n;
    }
    bool Write(const uint8_t* src, size_t n) override {
        if (!open_ || failWrites) return false;
        std::string chunk(reinterpret_cast<const char*>(src), n);
        written += chunk;
        writes.push_back(chunk);
        if (onWrite) onWrite(*this, chunk);
        return true;
    }
    using platform::ByteLink::Write;
    void Purge() override {
        Release();
        readable_.clear();
        ++purges;
    }
    bool SetBaud(int baud) override {
        bauds.push_back(baud);
        return refusedBaud != baud;
    }
    void Close() override { open_ = false; }
    // Jumps the virtual clock to the next reply (or the time limit).
    bool WaitReadable(platform::Clock&, uint32_t timeoutMs) override {
        const uint64_t endUs = clock_.NowUs() + uint64_t(timeoutMs) * 1000;
        Release();
        if (!readable_.empty()) return true;
        uint64_t nextUs = endUs;
        for (const Pending& p : pending_) nextUs = std::min(nextUs, p.at);
        clock_.AdvanceUs(nextUs - clock_.NowUs());
        Release();
        return !readable_.empty();
    }
    int LastError() const override { return failWrites ? EIO : (refusedBaud ? EINVAL : 0); }

    // A real tty reports at most what its line discipline holds.
    size_t queuedReportCap = SIZE_MAX;
    bool failWrites = false;
    int refusedBaud = 0;

    std::string written;              // everything written, in order
    std::vector<std::string> writes;  // one entry per write call
    std::vector<int> bauds;           // every baud change
    int purges = 0;

private:
    void Release() {
        for (auto it = pending_.begin(); it != pending_.end();) {
            if (it->at <= clock_.NowUs()) {
                readable_.insert(readable_.end(), it->bytes.begin(), it->bytes.end());
                it = pending_.erase(it);
            } else {
                ++it;
            }
        }
    }
    struct Pending {
        uint64_t at;
        std::string bytes;
    };
    platform::VirtualClock& clock_;
    std::deque<Pending> pending_;
    std::deque<char> readable_;
    bool open_ = true;
};

}  // namespace testing_support

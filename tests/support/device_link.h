#pragma once
// A serial link whose far end is an in-process devsim device on the same
// virtual clock: what the tool writes reaches the device at once, and what
// the device says becomes readable when the tool next looks.
#include <algorithm>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "devsim/model/device.h"
#include "platform/byte_link.h"

namespace testing_support {

class DeviceLink : public platform::ByteLink {
public:
    // `record`, when given, also receives everything the tool writes (it
    // outlives links that the tool closes).
    explicit DeviceLink(devsim::Device& device, std::string* record = nullptr) : device_(device), record_(record) {}

    bool IsOpen() const override { return open_; }
    size_t QueuedBytes() override {
        Collect();
        return rx_.size();
    }
    size_t Read(uint8_t* dst, size_t max) override {
        Collect();
        const size_t n = std::min(max, rx_.size());
        std::copy_n(rx_.begin(), n, dst);
        rx_.erase(rx_.begin(), rx_.begin() + long(n));
        bytesRead += n;
        return n;
    }
    bool Write(const uint8_t* src, size_t n) override {
        if (!open_) return false;
        written.append(reinterpret_cast<const char*>(src), n);
        if (record_) record_->append(reinterpret_cast<const char*>(src), n);
        device_.OnBytes(src, n);
        return true;
    }
    using platform::ByteLink::Write;
    void Purge() override {
        Collect();
        rx_.clear();
    }
    bool SetBaud(int baud) override {
        bauds.push_back(baud);
        return true;
    }
    void Close() override { open_ = false; }

    std::string written;     // everything the tool wrote
    size_t bytesRead = 0;    // everything the tool read
    std::vector<int> bauds;  // every baud change

private:
    void Collect() {
        device_.OnTick();
        std::vector<uint8_t> out = device_.TakeOutput();
        rx_.insert(rx_.end(), out.begin(), out.end());
    }

    devsim::Device& device_;
    std::string* record_;
    std::deque<uint8_t> rx_;
    bool open_ = true;
};

}  // namespace testing_support

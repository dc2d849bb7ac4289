#pragma once
// A tool session on virtual time whose port is a ScriptedLink.
#include <cerrno>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include <unistd.h>

#include "common/print_log.h"
#include "pirrow/session.h"
#include "tests/support/scripted_link.h"

namespace testing_support {

// Lets the session own and close "its" port while the test keeps the
// scripted link for inspection.
class LinkProxy : public platform::ByteLink {
public:
    explicit LinkProxy(ScriptedLink& target) : target_(target) {}
    bool IsOpen() const override { return target_.IsOpen(); }
    size_t QueuedBytes() override { return target_.QueuedBytes(); }
    size_t Read(uint8_t* dst, size_t max) override { return target_.Read(dst, max); }
    bool Write(const uint8_t* src, size_t n) override { return target_.Write(src, n); }
    using platform::ByteLink::Write;
    void Purge() override { target_.Purge(); }
    bool SetBaud(int baud) override { return target_.SetBaud(baud); }
    void Close() override { target_.Close(); }
    bool WaitReadable(platform::Clock& clock, uint32_t timeoutMs) override {
        return target_.WaitReadable(clock, timeoutMs);
    }
    int LastError() const override { return target_.LastError(); }

private:
    ScriptedLink& target_;
};

struct ScriptedSession {
    ScriptedSession()
        : session(clock, [this](const std::string& name, int baud,
                                pirrow::PortOpenError& why) -> std::unique_ptr<platform::ByteLink> {
              openedNames.push_back(name);
              openedBauds.push_back(baud);
              if (failOpen) {
                  why = openError;
                  return nullptr;
              }
              links.push_back(std::make_unique<ScriptedLink>(clock));
              links.back()->onWrite = onWrite;
              return std::make_unique<LinkProxy>(*links.back());
          }) {
        char pattern[] = "/tmp/pirrow_log_XXXXXX";
        int fd = mkstemp(pattern);
        if (fd >= 0) close(fd);
        logPath = pattern;
        common::SetLogFile(logPath);
        session.settings.portName = "ttyTEST";
        session.settings.baud = 1000000;
    }
    ~ScriptedSession() {
        common::SetLogFile("");
        std::remove(logPath.c_str());
    }
    // The link of the latest open.
    ScriptedLink& link() { return *links.back(); }
    std::string Log() const {
        std::ifstream in(logPath);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }

    platform::VirtualClock clock;
    std::function<void(ScriptedLink&, const std::string&)> onWrite;
    std::vector<std::unique_ptr<ScriptedLink>> links;  // one per open, kept for inspection
    std::vector<std::string> openedNames;
    std::vector<int> openedBauds;
    bool failOpen = false;
    pirrow::PortOpenError openError{platform::SerialOpenFailure::Port, ENOENT};
    std::string logPath;
    pirrow::Session session;
};

}  // namespace testing_support

#include "station/engine/boot/boot_mode.h"

#include <algorithm>

#include "common/text_search.h"
#include "platform/serial_port.h"
#include "station/engine/boot/boot_frames.h"
#include "station/engine/log/main_log.h"

namespace station {
namespace {

constexpr int kReplyPolls = 5;
constexpr int kReplyPollMs = 10;
constexpr size_t kReplyBytes = 8;
constexpr size_t kReplyReadMax = 100;
// A port that cannot be opened (an adapter unplugged) is tried again after
// this pause: loop monitoring re-arms at once, and without it would log the
// failure thousands of times a second until someone stops the channel.
constexpr int kOpenRetryPauseMs = 1000;
constexpr int kStopPollMs = 20;

bool Send(platform::ByteLink& link, std::string_view frame) {
    return link.Write(reinterpret_cast<const uint8_t*>(frame.data()), frame.size());
}

// A reply: up to 5 polls 10 ms apart for the 8 bytes of a frame, then what
// has come (at most 100 bytes); empty when nothing came. A restarting device
// may answer with its 4-byte banner alone.
std::string ReadReply(platform::ByteLink& link, platform::Clock& clock) {
    for (int poll = 0; poll < kReplyPolls && link.QueuedBytes() < kReplyBytes; ++poll) clock.SleepMs(kReplyPollMs);
    std::string reply(std::min(link.QueuedBytes(), kReplyReadMax), '\0');
    reply.resize(link.Read(reinterpret_cast<uint8_t*>(reply.data()), reply.size()));
    return reply;
}

enum class Step { Answered, Restarted, Failed };

Step Exchange(platform::ByteLink& link, platform::Clock& clock, std::string_view request, std::string_view expected,
              std::string& reply) {
    reply.clear();
    if (!Send(link, request)) return Step::Failed;
    reply = ReadReply(link, clock);
    if (common::Contains(reply, kBannerQm2a)) return Step::Restarted;
    return reply.compare(0, expected.size(), expected) == 0 && !reply.empty() ? Step::Answered : Step::Failed;
}

struct OpenPort {
    platform::SerialPort port;
    bool ok;
    OpenPort(int channel, const std::string& name) : ok(port.Open(name, kBootBaud)) {
        if (!ok) Log(channel, "uart %s open fail\n", name.c_str());
    }
};

}  // namespace

bool HoldInBootLoader(platform::ByteLink& link, platform::Clock& clock, const StopCheck& stop,
                      std::string* failedReply) {
    const std::pair<std::string_view, std::string_view> exchanges[] = {
        {kRequestH1, kReplyA1}, {kRequestR0, kReplyA2}, {kRequestH2, kReplyA3}};
    // A device that keeps restarting keeps printing its banner: start over,
    // but never past a stop.
    while (!stop()) {
        link.Purge();
        Step step = Step::Answered;
        std::string reply;
        for (const auto& [request, expected] : exchanges) {
            step = Exchange(link, clock, request, expected, reply);
            if (step != Step::Answered) break;
        }
        if (step == Step::Failed && failedReply) *failedReply = reply;
        if (step != Step::Restarted) return step == Step::Answered;
    }
    return false;
}

bool AwaitBootLoader(platform::ByteLink& link, platform::Clock& clock, const std::string& device,
                     const StopCheck& stop) {
    if (!common::Contains(device, "QM2A")) return WaitForBanner(link, clock, kBannerOther, stop);
    // A device restarting during the handshake may have sent only the first
    // piece of its banner when the reply was read: the next wait starts from
    // those bytes, or the rest of the banner would never match.
    std::string held;
    while (WaitForBanner(link, clock, kBannerQm2a, stop, held)) {
        held.clear();
        if (HoldInBootLoader(link, clock, stop, &held)) return true;
    }
    return false;
}

bool ResetToBootLoader(platform::ByteLink& link, platform::Clock& clock) {
    link.Purge();
    if (!Send(link, kRequestH1) || !WaitForBytes(link, clock, kReplyA1, 1000)) return false;
    link.Purge();
    if (!Send(link, kRequestR0) || !WaitForBytes(link, clock, kBannerQm2a, 2000)) return false;
    if (!Send(link, kRequestH1) || !WaitForBytes(link, clock, kReplyA1, 1000)) return false;
    return Send(link, kRequestR3);
}

bool EnterBootMode(int channel, const std::string& port, const std::string& device, const StopCheck& stop) {
    OpenPort open(channel, port);
    if (!open.ok) {
        for (int waited = 0; waited < kOpenRetryPauseMs && !stop(); waited += kStopPollMs)
            platform::SystemClock().SleepMs(kStopPollMs);
        return false;
    }
    const bool entered = AwaitBootLoader(open.port, platform::SystemClock(), device, stop);
    open.port.Close();
    Log(channel, entered ? "enter bootmode success\n" : "enter bootmode fail\n");
    return entered;
}

bool ResetIntoBootMode(int channel, const std::string& port) {
    OpenPort open(channel, port);
    if (!open.ok) return false;
    const bool reset = ResetToBootLoader(open.port, platform::SystemClock());
    open.port.Close();
    Log(channel, reset ? "reset and enter bootmode success\n" : "reset and enter bootmode fail\n");
    return reset;
}

}  // namespace station

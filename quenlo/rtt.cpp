#include "quenlo/rtt.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "common/compressed_image.h"
#include "common/print_log.h"
#include "platform/regular_file.h"

namespace quenlo {

using common::PrintLog;

namespace {

constexpr uint32_t kRamLoaderPage = 0xFFFFF000u;
constexpr uint32_t kRttBlockAddress = 0x20000000;
constexpr int kRttConnectPolls = 50;
constexpr uint32_t kCommandReadMs = 200;

void SleepUntil(Tool& t, uint64_t endMs) {
    const uint64_t now = t.clock.NowMs();
    if (endMs > now) t.clock.SleepMs(uint32_t(endMs - now));
}

// Polls until `endMs`; true when `stop` held after a read.
bool PollUntil(Tool& t, RttReceiver& rx, uint64_t endMs, const RttStop& stop) {
    for (;;) {
        const uint64_t now = t.clock.NowMs();
        if (now >= endMs) return false;
        t.clock.SleepMs(uint32_t(std::min<uint64_t>(kRttPollMs, endMs - now)));
        rx.ReadMore();
        if (stop(rx)) return true;
    }
}

}  // namespace

int RttReceiver::ReadMore(size_t limit) {
    const size_t room = std::min(limit, kRxReadMax > text_.size() ? kRxReadMax - text_.size() : size_t(0));
    if (room == 0) return lastCount = 0;
    std::vector<char> buf(room);
    lastCount = t_.jl.RTTERMINAL_Read(0, buf.data(), uint32_t(room));
    if (lastCount > 0) {
        const size_t n = std::min(size_t(lastCount), room);
        text_.append(buf.data(), n);
        if (logReads_) PrintLog(false, "%s", std::string(buf.data(), n).c_str());
    }
    return lastCount;
}

bool PollReads(Tool& t, RttReceiver& rx, int reads, uint32_t intervalMs, const RttStop& stop) {
    if (reads <= 0) return false;
    const uint64_t lastRead = t.clock.NowMs() + uint64_t(reads - 1) * intervalMs;
    rx.ReadMore();
    if (stop(rx)) return true;
    return PollUntil(t, rx, lastRead, stop);
}

bool ReadRounds(Tool& t, RttReceiver& rx, int rounds, uint32_t roundMs, const RttStop& stop,
                const std::function<void(int round)>& afterWait) {
    for (int round = 0; round < rounds; ++round) {
        rx.ReadMore();
        if (stop(rx)) return true;
        const uint64_t end = t.clock.NowMs() + roundMs;
        const bool last = round + 1 == rounds;
        const bool answered = !last && PollUntil(t, rx, end, stop);
        if (!answered) SleepUntil(t, end);
        afterWait(round);
        if (answered) return true;
    }
    return false;
}

bool RttWrite(Tool& t, const std::string& text) {
    const int taken = t.jl.RTTERMINAL_Write(0, text.data(), uint32_t(text.size()));
    return taken == int(text.size());
}

void RttDrain(Tool& t) {
    RttReceiver rx(t, true);
    for (;;) {
        rx.Clear();
        if (rx.ReadMore() <= 0) return;
    }
}

bool RttCommand(Tool& t, RttReceiver& rx, const std::string& command, const char* okText, const char* failText,
                uint32_t waitMs) {
    RttDrain(t);
    PrintLog(false, "%s", command.c_str());
    if (!RttWrite(t, command)) {
        PrintLog(false, "X jlink_RTTERMINAL_Write error\n");
        return false;
    }
    rx.Clear();
    const int reads = int(waitMs / kCommandReadMs) + 1;
    PollReads(t, rx, reads, kCommandReadMs, [&](const RttReceiver& r) {
        return r.Has(okText) || r.Has(failText) || r.Text().size() >= kRxReadMax;
    });
    if (rx.Has(okText)) return true;
    PrintLog(false, "X jlink_RTTERMINAL_Read error\n");
    return false;
}

bool ConnectRtt(Tool& t, const RttStartRecord* start) {
    t.jl.RTTERMINAL_Control(kRttStart, const_cast<RttStartRecord*>(start));
    t.clock.SleepMs(500);
    for (int poll = 0; poll < kRttConnectPolls; ++poll) {
        RttStatusRecord status{};
        t.jl.RTTERMINAL_Control(kRttStatus, &status);
        if (status.numUpBuffers != 0 && status.numDownBuffers != 0) return true;
        t.clock.SleepMs(100);
    }
    PrintLog(false, "X jlink_rtt_connect error\n");
    CloseSession(t);
    return false;
}

bool StartRamLoader(Tool& t) {
    const std::string& path = t.cfg.ramPatchPath;
    if (!path.empty()) {
        FILE* f = platform::OpenRegularFile(path);
        if (!f) {
            PrintLog(false, "X file open error: %s\n", path.c_str());
            CloseSession(t);
            return false;
        }
        uint8_t head[8] = {};
        const size_t got = std::fread(head, 1, sizeof head, f);
        std::fclose(f);
        const uint32_t sp = got == sizeof head ? common::ReadLe32(head) : 0;
        const uint32_t pc = got == sizeof head ? common::ReadLe32(head + 4) : 0;
        if (sp == 0 || pc == 0) {
            PrintLog(false, "X spAddr(0x%x) or pcAddr(0x%x) error\n", sp, pc);
            CloseSession(t);
            return false;
        }
        LogResetResult(ResetTarget(t));
        t.clock.SleepMs(200);
        const int ret = t.jl.DownloadFile(path.c_str(), pc & kRamLoaderPage);
        if (ret < 0) {
            PrintLog(false, "X jlink_DownloadFile error: %d\n", ret);
            CloseSession(t);
            return false;
        }
        PrintLog(false, "jlink_DownloadFile pass\n");
        t.clock.SleepMs(500);
        t.jl.WriteReg(kRegSp, sp);
        t.jl.WriteReg(kRegPc, pc);
        t.jl.Go();
        t.clock.SleepMs(3000);
    }
    RttStartRecord start{kRttBlockAddress, {0, 0, 0}};
    if (!ConnectRtt(t, &start)) return false;
    RttDrain(t);
    return true;
}

}  // namespace quenlo

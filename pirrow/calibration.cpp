#include "pirrow/calibration.h"

#include <algorithm>
#include <cstdlib>

#include "common/print_log.h"
#include "pirrow/jobs.h"
#include "pirrow/loader.h"
#include "pirrow/loader_job.h"
#include "pirrow/reply_poll.h"

namespace pirrow {

using common::PrintLog;

namespace {

constexpr int kDefaultWaitSeconds = 20;
constexpr int kMaxWaitSeconds = 30;
constexpr size_t kCrystalReplyLimit = 81918;

// The loader echoes its arguments once it has taken a calibration command.
constexpr const char* kCommandTaken = "argv[1]";

// Up to four characters from `pos` read as a decimal number.
int DecimalAt(const std::string& text, size_t pos) {
    if (pos >= text.size()) return 0;
    return std::atoi(text.substr(pos, 4).c_str());
}

enum class CrystalOutcome { Pass, Fail, NotTaken };

CrystalOutcome CrystalAttempt(Session& s) {
    const std::string& fish = s.settings.fishCommand;
    const int polls = CrystalWaitSeconds(fish) + 2;
    s.link.Send(fish.empty() ? "crystal_cali 8 5 10\r" : fish);
    PrintLog(false, "waitSecond: %d\n", polls);

    std::string reply;
    int lastPercent = 10;
    ReplyWait wait;
    wait.cycles = polls;
    wait.cycleMs = 1000;
    wait.limit = kReplyLimit;
    wait.onCycle = [&](int i) {
        const int percent = 85 * i / polls + 10;
        if (percent != lastPercent) {
            lastPercent = percent;
            PrintPercent(percent);
        }
        // Half the time gone without the echo: the loader did not take it.
        return Contains(reply, kCommandTaken) || i < polls / 2;
    };
    wait.judge = [](const std::string& text) {
        if (Contains(text, "CRYSTAL_CALI_PASS")) return PollStep::Pass;
        if (Contains(text, "CRYSTAL_CALI_FAIL") || text.size() > kCrystalReplyLimit) return PollStep::Fail;
        return PollStep::Continue;
    };
    wait.complete = [](const std::string& text) {
        if (Contains(text, "CRYSTAL_CALI_PASS")) return TokenLineComplete(text, "CRYSTAL_CALI_PASS");
        return !Contains(text, "CRYSTAL_CALI_FAIL") || TokenLineComplete(text, "CRYSTAL_CALI_FAIL");
    };
    if (WaitReply(s.link, reply, wait) == PollStep::Pass) {
        PrintLog(false, "R: %s\n", reply.c_str());
        PrintPercent(100);
        return CrystalOutcome::Pass;
    }
    PrintLog(false, "R: %s\n", reply.c_str());
    return Contains(reply, kCommandTaken) ? CrystalOutcome::Fail : CrystalOutcome::NotTaken;
}

// A reset asked for by --postact is sent whatever the verdict.
void FinishCalibration(Session& s) {
    if (s.settings.postAct != 0) ResetUe(s);
}

bool CalibrateCrystal(Session& s) {
    CrystalOutcome outcome = CrystalAttempt(s);
    // Only a command the loader never took is worth sending again.
    if (outcome == CrystalOutcome::NotTaken) {
        PrintLog(false, "retry ... \n");
        outcome = CrystalAttempt(s);
    }
    return outcome == CrystalOutcome::Pass;
}

bool CalibrateBattery(Session& s) {
    const std::string& fish = s.settings.fishCommand;
    s.link.Send(fish.empty() ? "battery_cali 4000 400 30 1000 220\r" : fish);
    if (!s.link.ReadExpectRet("BATTERY_CALI_PASS", "BATTERY_CALI_FAIL", 25, 10, 95)) return false;
    PrintPercent(100);
    return true;
}

}  // namespace

int CrystalWaitSeconds(const std::string& fishCommand) {
    int seconds = kDefaultWaitSeconds;
    if (Contains(fishCommand, "ble_crystal_cali ")) {
        seconds = DecimalAt(fishCommand, 17);
    } else if (Contains(fishCommand, "crystal_cali ")) {
        int spaces = 0;
        size_t pos = 13;
        while (pos < fishCommand.size() && spaces < 2)
            if (fishCommand[pos++] == ' ') ++spaces;
        if (spaces == 2) seconds = DecimalAt(fishCommand, pos);
    }
    return std::clamp(seconds, kDefaultWaitSeconds, kMaxWaitSeconds);
}

bool CaliCrystal(Session& s) {
    return RunLoaderJob(s, {"channel CaliCrystal start \n", "CaliCrystal", false, 10, FinishCalibration},
                        CalibrateCrystal);
}

bool CaliBattery(Session& s) {
    return RunLoaderJob(s, {"channel CaliBattery start \n", "CaliBattery", false, 10, FinishCalibration},
                        CalibrateBattery);
}

}  // namespace pirrow

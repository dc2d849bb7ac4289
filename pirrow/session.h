#pragma once
#include <cstdint>

#include "common/burn_list.h"
#include "pirrow/interruption.h"
#include "pirrow/progress.h"
#include "pirrow/run_settings.h"
#include "pirrow/uart_link.h"
#include "platform/clock.h"

namespace pirrow {

// Everything one run of the tool works on: the parsed settings, the burn
// list, the progress model and the serial link.
struct Session {
    Session(platform::Clock& clk, PortOpener opener)
        : stoppableClock(clk), clock(stoppableClock), link(stoppableClock, std::move(opener)) {}

    RunSettings settings;
    common::BurnList burnList;
    Progress progress;
    StoppableClock stoppableClock;  // before `clock`, which refers to it
    platform::Clock& clock;
    UartLink link;
    // The status a job hands back when it is interrupted (-1, or the PCBA
    // items not yet passed).
    int32_t interruptedStatus = -1;
    // The "exitcode:" line went out already (ReportStatus).
    bool statusReported = false;
};

}  // namespace pirrow

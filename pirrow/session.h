#pragma once
#include "common/burn_list.h"
#include "pirrow/progress.h"
#include "pirrow/run_settings.h"
#include "pirrow/uart_link.h"
#include "platform/clock.h"

namespace pirrow {

// Everything one run of the tool works on: the parsed settings, the burn
// list, the progress model and the serial link.
struct Session {
    Session(platform::Clock& clk, PortOpener opener) : clock(clk), link(clk, std::move(opener)) {}

    RunSettings settings;
    common::BurnList burnList;
    Progress progress;
    platform::Clock& clock;
    UartLink link;
};

}  // namespace pirrow

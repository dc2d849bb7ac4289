#pragma once
// What one result cell of a channel row shows, from the channel's state.
#include <string>

#include "station/ui/panel_variant.h"

namespace station {
struct ChannelState;
}

namespace station::ui {

struct CellView {
    std::string text;
    int result = 0;  // colour: 1 passed (green), -1 failed (red), 0 black
    std::string toolTip{};  // the verdict of a FAIL or OVER: why the job failed
};

// testMask: the PCBA items in use (TEST_TYPE); items not in it show "-".
CellView CellFor(const ResultColumn& column, const ChannelState& row, int testMask);
// The cell of a row that has run no job on its panel ("-", "晶体 -", "null").
CellView FreshCell(const ResultColumn& column);
// "%d 秒"
std::string ElapsedText(const ChannelState& row);

}  // namespace station::ui

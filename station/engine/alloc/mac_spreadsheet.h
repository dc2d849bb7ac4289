#pragma once
// The MAC spreadsheet (MAC_FILE): MACs in column 0 from row 1 on, their state
// in column 2. A row is taken by writing "used_..." into its state and saving
// the workbook before the MAC goes anywhere, so a crash leaves at worst a
// row marked used that no device got.
#include <functional>
#include <string>

#include "platform/clock.h"

namespace station {

inline constexpr const char* kSheetLockedMessage = "x MAC分配excel表被打开，请先关闭，避免出现异常 !";
inline constexpr const char* kSheetMarkFailedMessage = "x MAC分配excel写入状态失败 !";

struct SheetEnvironment {
    platform::Clock* clock;
    std::function<void(const std::string& message)> showMessage;  // a message box
    std::function<void(const std::string& text)> log;              // a main-log line
};

// Takes the first row whose state does not say "used" and returns its index
// with the MAC text in `mac`, or -1.
int TakeMacFromSheet(const std::string& path, int channel, const SheetEnvironment& env, std::string& mac);

// Empties the state of a row taken earlier, so that the MAC can be given again.
void ReleaseSheetRow(const std::string& path, int row, const SheetEnvironment& env);

}  // namespace station

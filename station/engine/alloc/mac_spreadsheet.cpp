#include "station/engine/alloc/mac_spreadsheet.h"

#include <cstdio>

#include "platform/file_lock.h"
#include "platform/local_time.h"
#include "station/engine/alloc/mac_sn_numbers.h"
#include "station/engine/alloc/xlsx_workbook.h"

namespace station {
namespace {

constexpr int kOpenTries = 7;
constexpr uint32_t kOpenRetryMs = 1000;
constexpr uint32_t kSettleMs = 300;
constexpr int kMacColumn = 0;
constexpr int kStateColumn = 2;
constexpr size_t kMacChars = 12;

// An office program that has the workbook open holds a lock on it.
bool WaitUntilFree(const std::string& path, const SheetEnvironment& env) {
    for (int attempt = 1; attempt <= kOpenTries; ++attempt) {
        if (platform::FileIsFreeForWriting(path)) return true;
        if (attempt < kOpenTries) env.clock->SleepMs(kOpenRetryMs);
    }
    env.showMessage(kSheetLockedMessage);
    return false;
}

bool Load(XlsxWorkbook& book, const std::string& path, const SheetEnvironment& env) {
    if (book.Load(path)) return true;
    env.log("MAC excel load error: " + book.Error() + "\n");
    return false;
}

std::string UsedMark(int channel) {
    const platform::LocalTime t = platform::LocalTimeNow();
    char text[96];
    std::snprintf(text, sizeof text, "used_%04d_%02d_%02d_(%02d:%02d:%02d)_chan%d", t.year, t.month, t.day, t.hour,
                  t.minute, t.second, channel);
    return text;
}

int Take(const std::string& path, int channel, const SheetEnvironment& env, std::string& mac) {
    if (!WaitUntilFree(path, env)) return -1;
    XlsxWorkbook book;
    if (!Load(book, path, env)) return -1;
    const int lastRow = book.LastRow();
    for (int row = 1; row < lastRow; ++row) {
        const auto text = book.ReadString(row, kMacColumn);
        // The list ends at the first row without a MAC; a 12-character text that
        // is no hexadecimal number ends it too rather than reach a device.
        if (!text || text->size() != kMacChars || !ParseMac(*text)) return -1;
        const auto state = book.ReadString(row, kStateColumn);
        if (state && state->find("used") != std::string::npos) continue;
        book.WriteString(row, kStateColumn, UsedMark(channel));
        const auto written = book.ReadString(row, kStateColumn);
        // The mark must be on the disk before the MAC is handed out.
        if (!written || written->find("used") == std::string::npos || !book.Save(path)) {
            if (!book.Error().empty()) env.log("MAC excel save error: " + book.Error() + "\n");
            env.showMessage(kSheetMarkFailedMessage);
            return -1;
        }
        mac = *text;
        return row;
    }
    return -1;
}

}  // namespace

int TakeMacFromSheet(const std::string& path, int channel, const SheetEnvironment& env, std::string& mac) {
    mac.clear();
    const int row = Take(path, channel, env, mac);
    env.clock->SleepMs(kSettleMs);
    return row;
}

void ReleaseSheetRow(const std::string& path, int row, const SheetEnvironment& env) {
    if (!WaitUntilFree(path, env)) return;
    XlsxWorkbook book;
    if (!Load(book, path, env) || row < 1 || row >= book.LastRow()) return;
    book.WriteString(row, kStateColumn, "");
    if (!book.Save(path)) env.log("MAC excel save error: " + book.Error() + "\n");
}

}  // namespace station

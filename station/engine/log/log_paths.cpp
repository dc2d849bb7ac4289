#include "station/engine/log/log_paths.h"

#include <cstdio>
#include <filesystem>

#include "platform/paths.h"

namespace station {
namespace {

std::string LogDirectory(const std::string& root) { return platform::JoinPath(root, "log"); }

}  // namespace

std::string MainLogPath(const std::string& root, const platform::LocalTime& t) {
    char name[64];
    std::snprintf(name, sizeof name, "log(%04d-%02d-%02d).txt", t.year, t.month, t.day);
    return platform::JoinPath(LogDirectory(root), name);
}

std::string ChannelLogDayDirectory(const std::string& root, const platform::LocalTime& t) {
    char name[32];
    std::snprintf(name, sizeof name, "channel/%04d_%02d_%02d", t.year, t.month, t.day);
    return platform::JoinPath(LogDirectory(root), name);
}

std::string ChannelLogPath(const std::string& root, int channel, int funcType, const platform::LocalTime& t) {
    char name[96];
    std::snprintf(name, sizeof name, "Chan%d_0x%x(%04d_%02d_%02d_%02d_%02d_%02d).txt", channel, unsigned(funcType),
                  t.year, t.month, t.day, t.hour, t.minute, t.second);
    return platform::JoinPath(ChannelLogDayDirectory(root, t), name);
}

std::string ScreenshotPath(const std::string& root, const platform::LocalTime& t) {
    char name[64];
    std::snprintf(name, sizeof name, "screenshot/%04d_%02d_%02d_%02d_%02d_%02d.bmp", t.year, t.month, t.day, t.hour,
                  t.minute, t.second);
    return platform::JoinPath(LogDirectory(root), name);
}

bool CreateDirectories(const std::string& path) {
    std::error_code error;
    std::filesystem::create_directories(path, error);
    return std::filesystem::is_directory(path, error);
}

void CreateStationDirectories(const std::string& root) {
    for (const char* dir : {"log", "temp", "record", "log/channel", "log/screenshot"}) {
        CreateDirectories(platform::JoinPath(root, dir));
    }
}

}  // namespace station

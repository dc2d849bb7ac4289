#include "station/engine/jobs/factory_info.h"

#include <cstdio>

#include "station/engine/state/channel_state.h"

namespace station {

std::string FactoryInfoPath(const std::string& root, const platform::LocalTime& day) {
    char name[64];
    std::snprintf(name, sizeof name, "/record/FactoryInfo(%04d_%02d_%02d).csv", day.year, day.month, day.day);
    return root + name;
}

void AppendFactoryInfo(const std::string& root, int channel, const ChannelState& row, const platform::LocalTime& now) {
    const int32_t status = row.status.load();
    if (status != kStatusPass && status != kStatusFail) return;
    const std::string port = row.port.Get();
    const std::string mac = row.macText.Get();
    const std::string sn = row.snText.Get();
    std::FILE* file = std::fopen(FactoryInfoPath(root, now).c_str(), "ab");
    if (!file) return;
    std::fprintf(file, "%04d-%02d-%02d(%02d:%02d:%02d),channel_%d,%s,%s,%s,%s,\n", now.year, now.month, now.day,
                 now.hour, now.minute, now.second, channel, port.c_str(), status == kStatusPass ? "PASS" : "FAIL",
                 mac.c_str(), sn.c_str());
    std::fclose(file);
}

}  // namespace station

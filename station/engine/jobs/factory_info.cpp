#include "station/engine/jobs/factory_info.h"

#include <cstdio>

#include "platform/durable_file.h"
#include "station/engine/state/channel_state.h"

namespace station {

std::string FactoryInfoPath(const std::string& root, const platform::LocalTime& day) {
    char name[64];
    std::snprintf(name, sizeof name, "/record/FactoryInfo(%04d_%02d_%02d).csv", day.year, day.month, day.day);
    return root + name;
}

std::string AppendFactoryInfo(const std::string& root, int channel, const ChannelState& row,
                              const platform::LocalTime& now) {
    const int32_t status = row.status.load();
    if (status != kStatusPass && status != kStatusFail) return "";
    // "%04d-%02d-%02d(%02d:%02d:%02d),channel_%d,%s,%s,%s,%s,\n"
    char head[64];
    std::snprintf(head, sizeof head, "%04d-%02d-%02d(%02d:%02d:%02d),channel_%d,", now.year, now.month, now.day,
                  now.hour, now.minute, now.second, channel);
    const std::string line = head + row.port.Get() + (status == kStatusPass ? ",PASS," : ",FAIL,") +
                             row.macText.Get() + "," + row.snText.Get() + ",\n";
    std::string cause;
    return platform::AppendToFile(FactoryInfoPath(root, now), line, &cause) ? "" : cause;
}

}  // namespace station

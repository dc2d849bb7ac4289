#include "station/engine/record/device_record.h"

#include <cstdio>
#include <cstdlib>
#include <nlohmann/json.hpp>

namespace station {

namespace {

std::string Hex32(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", value);
    return text;
}

}  // namespace

std::string IsoTime(const platform::LocalTime& t) {
    const int offset = std::abs(t.utcOffsetMinutes);
    char text[48];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d%c%02d:%02d", t.year, t.month, t.day, t.hour,
                  t.minute, t.second, t.millisecond, t.utcOffsetMinutes < 0 ? '-' : '+', offset / 60, offset % 60);
    return text;
}

std::string DeviceRecordId(const std::string& station, int channel, const platform::LocalTime& start,
                           uint64_t sequence) {
    char text[96];
    std::snprintf(text, sizeof text, "%s-%02d-%04d%02d%02dT%02d%02d%02d%03d-%llu", station.c_str(), channel,
                  start.year, start.month, start.day, start.hour, start.minute, start.second, start.millisecond,
                  static_cast<unsigned long long>(sequence));
    return text;
}

std::string DeviceRecordJson(const DeviceRecord& r) {
    nlohmann::ordered_json steps = nlohmann::ordered_json::array();
    for (const RecordedStep& s : r.steps)
        steps.push_back({{"step", s.step}, {"tool", s.tool}, {"exit_status", s.exitStatus}});
    nlohmann::ordered_json images = nlohmann::ordered_json::array();
    for (const RecordedImage& i : r.images)
        images.push_back({{"file", i.file}, {"address", Hex32(i.address)}, {"length", i.length}, {"crc", Hex32(i.crc)}});
    const nlohmann::ordered_json json = {
        {"id", r.id},           {"station", r.station},      {"channel", r.channel},
        {"port", r.port},       {"function", r.function},    {"device", r.device},
        {"start", IsoTime(r.start)}, {"end", IsoTime(r.end)}, {"verdict", r.verdict},
        {"cause", r.cause},     {"mac", r.mac},              {"sn", r.sn},
        {"ble_name", r.bleName}, {"bt_name", r.btName},      {"steps", steps},
        {"images", images},
    };
    // Texts from tools and settings may hold bytes that are not UTF-8: they
    // are replaced rather than failing the record.
    return json.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

std::string DeviceRecordsPath(const std::string& root, const platform::LocalTime& day) {
    char name[64];
    std::snprintf(name, sizeof name, "/record/devices(%04d_%02d_%02d).jsonl", day.year, day.month, day.day);
    return root + name;
}

}  // namespace station

#include "station/engine/settings/parameter_rules.h"

#include <cstdio>
#include <cstdlib>

#include "station/engine/log/main_log.h"
#include "station/engine/settings/station_settings.h"

namespace station {

std::string LoadAddressText(const StationSettings& settings, const TextKey& key, size_t width, char fill,
                            const char* logName) {
    std::string text = settings.Read(key);
    if (text.size() > width) {
        Log(0, "BLE %s addr > %d char: %s\n", logName, int(width), text.c_str());
        text.resize(width);
    } else if (text.size() < width) {
        Log(0, "BLE %s addr < %d char: %s\n", logName, int(width), text.c_str());
        text.append(width - text.size(), fill);
    }
    return text;
}

int LoadUpValue(const StationSettings& settings, const IntKey& key, const char* logName) {
    if (!settings.ReadRaw(key).value_or("").empty()) return settings.Read(key);
    Log(0, "%s up value err, use 1\n", logName);
    return 1;
}

namespace {

std::string Padded(long long value, int width) {
    char text[32];
    std::snprintf(text, sizeof text, "%0*lld", width, value);
    return text;
}

long long Limit(int width) {
    long long limit = 1;
    for (int i = 0; i < width; ++i) limit *= 10;
    return limit - 1;
}

}  // namespace

SnFields NormaliseSnStart(const std::string& start) {
    SnFields fields;
    const int length = int(start.size());
    fields.width = length > kSnMaxWidth ? kSnMaxWidth : length < kSnMinWidth ? kSnMinWidth : length;
    long long value = std::atoll(start.c_str());
    if (value < 0) value = 0;
    if (value > Limit(fields.width)) value = Limit(fields.width);
    fields.start = length >= kSnMinWidth && length <= kSnMaxWidth ? start : Padded(value, fields.width);
    return fields;
}

SnFields LoadSnFields(const StationSettings& settings) {
    const std::string start = settings.Read(SN_SET::START_VALUE);
    SnFields fields = NormaliseSnStart(start);
    if (int(start.size()) > kSnMaxWidth) Log(0, "SN start value > 9 char: %s\n", start.c_str());
    if (int(start.size()) < kSnMinWidth) Log(0, "SN start value < 5 char: %s\n", start.c_str());
    if (fields.start != start) settings.Write(SN_SET::START_VALUE, fields.start);

    const std::string current = settings.Read(SN_SET::CUR_VALUE);
    long long value = std::atoll(current.c_str());
    if (value < 0) value = 0;
    if (int(current.size()) > fields.width) {
        Log(0, "SN cur value > %d char: %s\n", fields.width, current.c_str());
        if (value > Limit(fields.width)) value = Limit(fields.width);
    } else if (int(current.size()) < fields.width) {
        Log(0, "SN cur value < %d char: %s\n", fields.width, current.c_str());
    }
    fields.current = int(current.size()) == fields.width ? current : Padded(value, fields.width);
    if (fields.current != current) settings.Write(SN_SET::CUR_VALUE, fields.current);
    return fields;
}

std::string SnWidthLabel(int width) {
    return std::to_string(width) + "位 [" + std::string(size_t(width), '0') + ", " + std::string(size_t(width), '9') +
           "]";
}

void RestartMacCount(const StationSettings& settings, const std::string& startAddress) {
    settings.Write(BLE_SET::CUR_ADDR, startAddress);
    for (int channel = 1; channel <= kChannelCount; ++channel) settings.Write(MACLOCAL_REUSE::CHAN(channel), "");
}

SnFields RestartSnCount(const StationSettings& settings, const std::string& startValue) {
    SnFields fields = NormaliseSnStart(startValue);
    fields.current = fields.start;
    settings.Write(SN_SET::START_VALUE, fields.start);
    settings.Write(SN_SET::CUR_VALUE, fields.current);
    for (int channel = 1; channel <= kChannelCount; ++channel) {
        settings.Write(SNLOCAL_REUSE::CHAN(channel), "");
        settings.Write(SNLOCAL2_REUSE::CHAN(channel), "");
    }
    return fields;
}

}  // namespace station

#include "station/engine/alloc/pool_config.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "platform/random.h"

namespace station {

bool IsPoolIdentifier(const std::string& text) {
    return !text.empty() && text.size() <= 63 && std::all_of(text.begin(), text.end(), [](unsigned char c) {
        return std::isalnum(c) || c == '_' || c == '-' || c == '.';
    });
}

std::string PoolApplicationName(const std::string& stationId) { return "Torvane " + stationId; }

std::string ReadPoolConfig(const StationSettings& settings, PoolConfig& config) {
    config.conninfo = settings.Read(POOL::CONNINFO);
    config.poolName = settings.Read(POOL::POOL_NAME);
    config.stationId = settings.Read(POOL::STATION_ID);
    if (config.conninfo.empty()) return "Torvane.ini: [POOL] CONNINFO is empty";
    if (!IsPoolIdentifier(config.poolName))
        return "Torvane.ini: [POOL] POOL_NAME \"" + config.poolName + "\" is not a name (letters, digits, _ - .)";
    return "";
}

std::string EnsureStationId(const StationSettings& settings, PoolConfig& config) {
    if (!config.stationId.empty()) {
        if (IsPoolIdentifier(config.stationId)) return "";
        return "Torvane.ini: [POOL] STATION_ID \"" + config.stationId + "\" is not a name (letters, digits, _ - .)";
    }
    char id[16];
    std::snprintf(id, sizeof id, "%04X%08X", unsigned(platform::RandomU32() & 0xFFFF), unsigned(platform::RandomU32()));
    if (!settings.Write(POOL::STATION_ID, id)) return "Torvane.ini: [POOL] STATION_ID could not be written";
    config.stationId = id;
    return "";
}

}  // namespace station

#pragma once
// The [POOL] section of a station root: which server, which pool, and the
// station's own identifier in it.
#include <string>

#include "station/engine/settings/station_settings.h"

namespace station {

struct PoolConfig {
    std::string conninfo;
    std::string poolName;
    std::string stationId;
};

// CONNINFO and POOL_NAME as written. "" or why they cannot be used.
std::string ReadPoolConfig(const StationSettings& settings, PoolConfig& config);

// STATION_ID: the stored one, else 12 random hexadecimal digits made now and
// stored, so that the station keeps its bookings across restarts (the
// network-derived identifier is shared by stations on one PC). "" or why not.
std::string EnsureStationId(const StationSettings& settings, PoolConfig& config);

// Identifiers of stations and pools: letters, digits, "_", "-", "." (a ":"
// would split the release command's STATION_ID:CH).
bool IsPoolIdentifier(const std::string& text);

// The application name a station's connection carries, so the server can
// tell which stations are connected.
std::string PoolApplicationName(const std::string& stationId);

}  // namespace station

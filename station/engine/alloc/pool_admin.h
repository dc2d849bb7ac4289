#pragma once
// The pool's commands, run from a station root whose [POOL] names the
// server and the pool: create or update the schema and seed the pool from
// the range settings, show the pool's state, release the numbers booked to a
// station that will not come back.
#include <string>

#include "station/engine/settings/station_settings.h"

namespace station {

// Exit statuses of the commands.
inline constexpr int kPoolCommandOk = 0;
inline constexpr int kPoolCommandRefused = 1;  // the pool refuses (schema, no pool, nothing to release)
inline constexpr int kPoolCommandError = 2;    // connection or usage error

struct PoolCommandResult {
    int status = kPoolCommandOk;
    std::string out;  // what the command reports
    std::string err;  // why it failed
};

// Applies the schema migrations; a pool that does not exist yet is created
// from START_ADDR, END_ADDR, UP_VALUE (BLE_SET), SN_DES, START_VALUE,
// UP_VALUE (SN_SET). An existing pool keeps its counters: the server is the truth.
PoolCommandResult PoolInit(const StationSettings& settings);

// Numbers handed out, booked per station and channel, passed, left in the
// range; and the passes of this root's station still waiting for the server.
PoolCommandResult PoolStatus(const StationSettings& settings);

// "STATION_ID" or "STATION_ID:CH": the booked numbers are dropped and never
// handed out again. Refused while that station is connected.
PoolCommandResult PoolRelease(const StationSettings& settings, const std::string& target);

}  // namespace station

#include "station/engine/alloc/pool_admin.h"

#include <cstdio>

#include "station/engine/alloc/mac_sn_numbers.h"
#include "station/engine/alloc/pool_config.h"
#include "station/engine/alloc/pool_connection.h"
#include "station/engine/alloc/pool_pending.h"
#include "station/engine/alloc/pool_schema.h"

namespace station {
namespace {

constexpr const char* kAdminApplication = "Torvane pool command";

PoolCommandResult Failed(int status, const std::string& why) { return {status, "", "Torvane: " + why + "\n"}; }

// Reads [POOL] and connects; on failure `result` holds the answer.
bool Open(const StationSettings& settings, PoolConfig& config, PoolConnection& db, PoolCommandResult& result) {
    const std::string problem = ReadPoolConfig(settings, config);
    if (!problem.empty()) {
        result = Failed(kPoolCommandError, problem);
        return false;
    }
    if (!db.Connect(config.conninfo, kAdminApplication)) {
        result = Failed(kPoolCommandError, "pool " + config.poolName + ": server unreachable: " + db.Error());
        return false;
    }
    return true;
}

// Open, then the schema must be this station's.
bool OpenCurrent(const StationSettings& settings, PoolConfig& config, PoolConnection& db, PoolCommandResult& result) {
    if (!Open(settings, config, db, result)) return false;
    std::string why;
    switch (CheckPoolSchema(db, why)) {
    case SchemaCheck::kCurrent: return true;
    case SchemaCheck::kLost: result = Failed(kPoolCommandError, "pool " + config.poolName + ": " + why); return false;
    case SchemaCheck::kRefused: break;
    }
    result = Failed(kPoolCommandRefused, "pool " + config.poolName + ": " + why);
    return false;
}

// A failed call: the connection's error, or the server's refusal (`why`).
PoolCommandResult Lost(const PoolConfig& config, const PoolConnection& db, const std::string& why) {
    return Failed(db.LostConnection() ? kPoolCommandError : kPoolCommandRefused, "pool " + config.poolName + ": " + why);
}

PoolCommandResult Lost(const PoolConfig& config, const PoolConnection& db) { return Lost(config, db, db.Error()); }

std::string Format(const char* format, long long a, long long b = 0) {
    char text[64];
    std::snprintf(text, sizeof text, format, a, b);
    return text;
}

// " mac=<MAC> sn=<SN>" of a reservation row whose MAC and SN are the columns
// from `macColumn` on; empty where the row holds none.
std::string BookedNumbers(const PoolResult& r, int row, int macColumn, int snWidth) {
    const int snColumn = macColumn + 1;
    return " mac=" + (r.IsNull(row, macColumn) ? "" : FormatMac(uint64_t(r.Number(row, macColumn)))) + " sn=" +
           (r.IsNull(row, snColumn) ? "" : FormatSnCounter(uint64_t(r.Number(row, snColumn)), snWidth));
}

// How many more numbers the counter can give: values below `limit`.
long long Left(long long next, long long limit, long long step) {
    return next >= limit ? 0 : (limit - next + step - 1) / step;
}

struct Seed {
    uint64_t macStart = 0, macEnd = 0, macStep = 1;
    std::string snPrefix;
    int snWidth = 8;
    uint64_t snStart = 0, snStep = 1;
};

// The range settings; a part whose selection is off may be left unset.
std::string ReadSeed(const StationSettings& settings, Seed& seed) {
    const auto start = ParseMac(settings.Read(BLE_SET::START_ADDR));
    const auto end = ParseMac(settings.Read(BLE_SET::END_ADDR));
    if (start && end && *start < *end) {
        seed.macStart = *start;
        seed.macEnd = *end;
    } else if (settings.Read(BLE_SET::ENABLE_FLAG)) {
        return "Torvane.ini: BLE_SET START_ADDR and END_ADDR must be 12 hexadecimal digits, START_ADDR below END_ADDR";
    }
    seed.macStep = CounterIncrement(settings.Read(BLE_SET::UP_VALUE));
    const std::string startValue = settings.Read(SN_SET::START_VALUE);
    const int width = SnCounterWidth(startValue);
    if (const auto sn = ParseSnCounter(startValue, width)) {
        seed.snWidth = width;
        seed.snStart = *sn;
    } else if (settings.Read(SN_SET::ENABLE_FLAG)) {
        return "Torvane.ini: SN_SET START_VALUE must be 5 to 9 digits";
    }
    seed.snPrefix = settings.Read(SN_SET::SN_DES);
    seed.snStep = CounterIncrement(settings.Read(SN_SET::UP_VALUE));
    return "";
}

}  // namespace

PoolCommandResult PoolInit(const StationSettings& settings) {
    Seed seed;
    const std::string seedProblem = ReadSeed(settings, seed);
    if (!seedProblem.empty()) return Failed(kPoolCommandError, seedProblem);
    PoolCommandResult result;
    PoolConfig config;
    PoolConnection db;
    if (!Open(settings, config, db, result)) return result;
    int applied = 0;
    const std::string why = MigratePoolSchema(db, applied);
    if (!why.empty()) return Lost(config, db, why);
    result.out = "pool schema version " + std::to_string(PoolSchemaVersion()) + " (" + std::to_string(applied) +
                 " migration(s) applied)\n";
    const PoolResult created = db.Exec(
        "INSERT INTO torvane_pool (name, mac_start, mac_end, mac_next, mac_step, sn_prefix, sn_width, sn_start,"
        " sn_next, sn_step) VALUES ($1, $2, $3, $2, $4, $5, $6, $7, $7, $8)"
        " ON CONFLICT (name) DO NOTHING RETURNING name",
        {config.poolName, std::to_string(seed.macStart), std::to_string(seed.macEnd), std::to_string(seed.macStep),
         seed.snPrefix, std::to_string(seed.snWidth), std::to_string(seed.snStart), std::to_string(seed.snStep)});
    if (!created.Ok()) return Lost(config, db);
    if (created.Rows() == 1)
        result.out += "pool " + config.poolName + " created: MAC " + FormatMac(seed.macStart) + " to " +
                      FormatMac(seed.macEnd) + " step " + std::to_string(seed.macStep) + ", SN " + seed.snPrefix +
                      FormatSnCounter(seed.snStart, seed.snWidth) + " step " + std::to_string(seed.snStep) + "\n";
    else
        result.out += "pool " + config.poolName + " exists: its counters on the server are kept\n";
    return result;
}

PoolCommandResult PoolStatus(const StationSettings& settings) {
    PoolCommandResult result;
    PoolConfig config;
    PoolConnection db;
    if (!OpenCurrent(settings, config, db, result)) return result;
    const PoolResult pool = db.Exec(
        "SELECT mac_start, mac_end, mac_next, mac_step, sn_prefix, sn_width, sn_start, sn_next, sn_step,"
        " (SELECT count(*) FROM torvane_passed WHERE pool = $1) FROM torvane_pool WHERE name = $1",
        {config.poolName});
    if (!pool.Ok()) return Lost(config, db);
    if (pool.Rows() == 0) return Failed(kPoolCommandRefused, "no pool " + config.poolName + " on the server; run Torvane --pool-init");
    const long long macStart = pool.Number(0, 0), macEnd = pool.Number(0, 1), macNext = pool.Number(0, 2),
                    macStep = pool.Number(0, 3);
    const std::string prefix = pool.Text(0, 4);
    const int width = int(pool.Number(0, 5));
    const long long snStart = pool.Number(0, 6), snNext = pool.Number(0, 7), snStep = pool.Number(0, 8);
    std::string& out = result.out;
    out += "pool " + config.poolName + " (schema version " + std::to_string(PoolSchemaVersion()) + ")\n";
    out += "MAC " + FormatMac(uint64_t(macStart)) + " to " + FormatMac(uint64_t(macEnd)) + " step " +
           std::to_string(macStep) + ": next " + FormatMac(uint64_t(macNext)) +
           Format(", handed out %lld, left %lld\n", (macNext - macStart) / macStep, Left(macNext, macEnd, macStep));
    out += "SN " + prefix + FormatSnCounter(uint64_t(snStart), width) + " step " + std::to_string(snStep) + ": next " +
           prefix + FormatSnCounter(uint64_t(snNext), width) +
           Format(", handed out %lld, left %lld\n", (snNext - snStart) / snStep,
                  Left(snNext, (long long)SnCounterMaximum(width), snStep));
    out += "passed " + pool.Text(0, 9) + "\n";
    const PoolResult booked = db.Exec(
        "SELECT station_id, channel, mac, sn, to_char(taken, 'YYYY-MM-DD HH24:MI:SS') FROM torvane_reservation"
        " WHERE pool = $1 ORDER BY station_id, channel",
        {config.poolName});
    if (!booked.Ok()) return Lost(config, db);
    out += "reserved " + std::to_string(booked.Rows()) + "\n";
    for (int i = 0; i < booked.Rows(); ++i)
        out += "  " + booked.Text(i, 0) + ":" + booked.Text(i, 1) + BookedNumbers(booked, i, 2, width) + " since " +
               booked.Text(i, 4) + "\n";
    // Passes of this station that wait for the server (sent at the channel's next burn).
    for (int channel = 1; channel <= kChannelCount; ++channel) {
        const PendingPasses pending(settings.Root(), channel);
        std::vector<PendingPass> passes;
        if (!pending.Read(passes)) out += "unreadable " + pending.Path() + "\n";
        for (const PendingPass& p : passes)
            out += "waiting in " + pending.Path() + ": mac=" + p.mac + " sn=" + p.sn + " passed " + p.date + "\n";
    }
    return result;
}

PoolCommandResult PoolRelease(const StationSettings& settings, const std::string& target) {
    const size_t colon = target.find(':');
    const std::string station = target.substr(0, colon);
    std::string channel;
    if (colon != std::string::npos) {
        channel = target.substr(colon + 1);
        const int ch = channel.size() <= 2 && !channel.empty() && channel.find_first_not_of("0123456789") == std::string::npos
                           ? std::stoi(channel) : 0;
        if (ch < 1 || ch > kChannelCount) return Failed(kPoolCommandError, "--pool-release needs STATION_ID or STATION_ID:CH with CH 1 to 16");
        channel = std::to_string(ch);
    }
    if (!IsPoolIdentifier(station)) return Failed(kPoolCommandError, "--pool-release needs STATION_ID or STATION_ID:CH");
    PoolCommandResult result;
    PoolConfig config;
    PoolConnection db;
    if (!OpenCurrent(settings, config, db, result)) return result;
    // A connected station may be burning with these numbers right now.
    const PoolResult live = db.Exec("SELECT count(*) FROM pg_stat_activity WHERE application_name = $1",
                                    {PoolApplicationName(station)});
    if (!live.Ok()) return Lost(config, db);
    if (live.Number(0, 0) > 0)
        return Failed(kPoolCommandRefused, "station " + station + " is connected to the server; stop it before releasing its numbers");
    const PoolResult width = db.Exec("SELECT sn_width FROM torvane_pool WHERE name = $1", {config.poolName});
    if (!width.Ok()) return Lost(config, db);
    const PoolResult gone = db.Exec(
        "DELETE FROM torvane_reservation WHERE pool = $1 AND station_id = $2 AND ($3::integer IS NULL OR channel = $3)"
        " RETURNING channel, mac, sn",
        {config.poolName, station, channel.empty() ? PoolParam() : PoolParam(channel)});
    if (!gone.Ok()) return Lost(config, db);
    if (gone.Rows() == 0) return Failed(kPoolCommandRefused, "no numbers of pool " + config.poolName + " are reserved for " + target);
    const int w = width.Rows() ? int(width.Number(0, 0)) : 8;
    for (int i = 0; i < gone.Rows(); ++i)
        result.out += "released " + station + ":" + gone.Text(i, 0) + BookedNumbers(gone, i, 1, w) + "\n";
    result.out += std::to_string(gone.Rows()) + " reservation(s) released; their numbers are not handed out again\n";
    return result;
}

}  // namespace station

#include "station/engine/alloc/pool_schema.h"

namespace station {
namespace {

// Version 1: the pools (counters), the numbers booked to each station's
// channels, the numbers of passed devices, and the two calls that change
// them. Each call is one transaction: the counter row is locked first, so
// allocations of all stations on a pool take turns and a crash of a station
// or of its connection leaves either every write of a call or none.
// torvane_take commits without waiting for the server's disk, so the counter
// row is free again at once; the station then waits for the disk with a
// commit of its own (see PoolBackend::Take), and many of those share one flush.
constexpr const char* kVersion1 = R"SQL(
CREATE TABLE torvane_pool (
    name      text PRIMARY KEY,
    mac_start bigint  NOT NULL,
    mac_end   bigint  NOT NULL,
    mac_next  bigint  NOT NULL,
    mac_step  bigint  NOT NULL CHECK (mac_step >= 1),
    sn_prefix text    NOT NULL,
    sn_width  integer NOT NULL CHECK (sn_width BETWEEN 5 AND 9),
    sn_start  bigint  NOT NULL,
    sn_next   bigint  NOT NULL,
    sn_step   bigint  NOT NULL CHECK (sn_step >= 1),
    created   timestamptz NOT NULL DEFAULT now()
);

CREATE TABLE torvane_reservation (
    pool       text    NOT NULL REFERENCES torvane_pool (name),
    station_id text    NOT NULL,
    channel    integer NOT NULL CHECK (channel BETWEEN 1 AND 16),
    mac        bigint,
    sn         bigint,
    taken      timestamptz NOT NULL DEFAULT now(),
    PRIMARY KEY (pool, station_id, channel)
);

CREATE TABLE torvane_passed (
    id         bigserial PRIMARY KEY,
    pool       text    NOT NULL REFERENCES torvane_pool (name),
    date       text    NOT NULL,
    mac        bigint,
    sn         bigint,
    station_id text    NOT NULL,
    channel    integer NOT NULL
);
CREATE INDEX torvane_passed_mac ON torvane_passed (pool, mac);
CREATE INDEX torvane_passed_sn ON torvane_passed (pool, sn);

-- A channel's numbers: those booked to it, else fresh ones from the counters.
CREATE FUNCTION torvane_take(p_pool text, p_station text, p_channel integer, p_mac boolean, p_sn boolean,
                             OUT o_status text, OUT o_mac bigint, OUT o_sn bigint,
                             OUT o_prefix text, OUT o_width integer)
LANGUAGE plpgsql AS $$
DECLARE
    c torvane_pool%ROWTYPE;
    r torvane_reservation%ROWTYPE;
    fresh_mac boolean := false;
    fresh_sn boolean := false;
BEGIN
    PERFORM set_config('synchronous_commit', 'off', true);
    SELECT * INTO c FROM torvane_pool WHERE name = p_pool FOR UPDATE;
    IF NOT FOUND THEN o_status := 'no_pool'; RETURN; END IF;
    o_prefix := c.sn_prefix;
    o_width := c.sn_width;
    SELECT * INTO r FROM torvane_reservation
        WHERE pool = p_pool AND station_id = p_station AND channel = p_channel;
    o_mac := r.mac;
    o_sn := r.sn;
    IF p_mac THEN
        IF r.mac IS NULL OR r.mac > c.mac_end THEN
            IF c.mac_next >= c.mac_end THEN o_status := 'mac_end'; RETURN; END IF;
            o_mac := c.mac_next;
            fresh_mac := true;
        END IF;
        IF EXISTS (SELECT 1 FROM torvane_passed p WHERE p.pool = p_pool AND p.mac = o_mac) THEN
            o_status := 'mac_used'; RETURN;
        END IF;
    END IF;
    IF p_sn AND r.sn IS NULL THEN
        IF c.sn_next >= (10::bigint ^ c.sn_width)::bigint - 1 THEN o_status := 'sn_end'; RETURN; END IF;
        o_sn := c.sn_next;
        fresh_sn := true;
    END IF;
    IF fresh_mac OR fresh_sn THEN
        UPDATE torvane_pool
            SET mac_next = mac_next + CASE WHEN fresh_mac THEN mac_step ELSE 0 END,
                sn_next = sn_next + CASE WHEN fresh_sn THEN sn_step ELSE 0 END
            WHERE name = p_pool;
        INSERT INTO torvane_reservation (pool, station_id, channel, mac, sn)
            VALUES (p_pool, p_station, p_channel, o_mac, o_sn)
            ON CONFLICT (pool, station_id, channel)
            DO UPDATE SET mac = EXCLUDED.mac, sn = EXCLUDED.sn, taken = now();
    END IF;
    IF NOT p_mac THEN o_mac := NULL; END IF;
    IF NOT p_sn THEN o_sn := NULL; END IF;
    o_status := 'taken';
END $$;

-- A passed device: its numbers leave the channel's booking and join the
-- passed rows. Replaying a pass whose answer was lost changes nothing.
CREATE FUNCTION torvane_pass(p_pool text, p_station text, p_channel integer, p_date text,
                             p_mac bigint, p_sn bigint) RETURNS text
LANGUAGE plpgsql AS $$
BEGIN
    IF EXISTS (SELECT 1 FROM torvane_passed p
               WHERE p.pool = p_pool AND p.station_id = p_station AND p.channel = p_channel
                 AND p.date = p_date AND p.mac IS NOT DISTINCT FROM p_mac AND p.sn IS NOT DISTINCT FROM p_sn) THEN
        RETURN 'recorded';
    END IF;
    INSERT INTO torvane_passed (pool, date, mac, sn, station_id, channel)
        VALUES (p_pool, p_date, p_mac, p_sn, p_station, p_channel);
    UPDATE torvane_reservation r
        SET mac = CASE WHEN r.mac = p_mac THEN NULL ELSE r.mac END,
            sn = CASE WHEN r.sn = p_sn THEN NULL ELSE r.sn END
        WHERE r.pool = p_pool AND r.station_id = p_station AND r.channel = p_channel;
    DELETE FROM torvane_reservation r
        WHERE r.pool = p_pool AND r.station_id = p_station AND r.channel = p_channel
          AND r.mac IS NULL AND r.sn IS NULL;
    RETURN 'passed';
END $$;
)SQL";

// Two initialisations at once take turns on this lock.
constexpr const char* kSchemaLock = "SELECT pg_advisory_xact_lock(7307115)";

}  // namespace

const std::vector<PoolMigration>& PoolMigrations() {
    static const std::vector<PoolMigration> migrations{{1, kVersion1}};
    return migrations;
}

int PoolSchemaVersion() { return PoolMigrations().back().version; }

std::string MigratePoolSchema(PoolConnection& db, int& applied) {
    applied = 0;
    auto fail = [&db](const std::string& why) {
        db.Script("ROLLBACK");
        return why.empty() ? db.Error() : why;
    };
    if (!db.Script("BEGIN") || !db.Exec(kSchemaLock).Ok() ||
        !db.Script("CREATE TABLE IF NOT EXISTS torvane_schema (version integer NOT NULL)"))
        return fail("");
    PoolResult current = db.Exec("SELECT version FROM torvane_schema");
    if (!current.Ok()) return fail("");
    int version = 0;
    if (current.Rows() == 0) {
        if (!db.Script("INSERT INTO torvane_schema (version) VALUES (0)")) return fail("");
    } else {
        version = int(current.Number(0, 0));
    }
    if (version > PoolSchemaVersion())
        return fail("the server's pool schema is version " + std::to_string(version) +
                    ", newer than this station knows (" + std::to_string(PoolSchemaVersion()) +
                    "); update the station");
    for (const PoolMigration& m : PoolMigrations()) {
        if (m.version <= version) continue;
        if (!db.Script(m.sql)) return fail("migration " + std::to_string(m.version) + ": " + db.Error());
        ++applied;
    }
    if (!db.Exec("UPDATE torvane_schema SET version = $1", {std::to_string(PoolSchemaVersion())}).Ok())
        return fail("");
    return db.Script("COMMIT") ? "" : db.Error();
}

SchemaCheck CheckPoolSchema(PoolConnection& db, std::string& why) {
    PoolResult result = db.Exec("SELECT version FROM torvane_schema");
    if (!result.Ok()) {
        if (db.LostConnection()) {
            why = db.Error();
            return SchemaCheck::kLost;
        }
        why = "the server holds no pool schema; run Torvane --pool-init";
        return SchemaCheck::kRefused;
    }
    const int version = result.Rows() ? int(result.Number(0, 0)) : 0;
    if (version == PoolSchemaVersion()) return SchemaCheck::kCurrent;
    why = "the server's pool schema is version " + std::to_string(version) + ", this station knows version " +
          std::to_string(PoolSchemaVersion()) +
          (version > PoolSchemaVersion() ? "; update the station" : "; run Torvane --pool-init");
    return SchemaCheck::kRefused;
}

}  // namespace station

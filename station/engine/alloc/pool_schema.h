#pragma once
// The pool's tables on the server, built by numbered migrations that
// `Torvane --pool-init` applies in order. A station works only with the
// schema version it was built for.
#include <string>
#include <vector>

#include "station/engine/alloc/pool_connection.h"

namespace station {

struct PoolMigration {
    int version;
    const char* sql;
};

// Every migration, oldest first; the last one's version is the station's.
const std::vector<PoolMigration>& PoolMigrations();
int PoolSchemaVersion();

// Brings the server's schema up to this station's version in one
// transaction (two stations running it at once take turns). Returns "" or
// why it refused; `applied` counts the migrations run.
std::string MigratePoolSchema(PoolConnection& db, int& applied);

enum class SchemaCheck { kCurrent, kRefused, kLost };

// Whether the server's schema is the one this station knows; `why` says
// what is wrong otherwise.
SchemaCheck CheckPoolSchema(PoolConnection& db, std::string& why);

}  // namespace station

#include "station/engine/alloc/factory_database.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <memory>

#include "platform/paths.h"

namespace station {
namespace {

// sqlite3_mprintf's %q doubles single quotes, so a text can never end the
// literal early; texts without quotes come out byte for byte as formatted.
template <typename... Texts>
std::string Format(const char* format, const Texts&... texts) {
    std::unique_ptr<char, decltype(&sqlite3_free)> sql(sqlite3_mprintf(format, texts.c_str()...), &sqlite3_free);
    return sql ? std::string(sql.get()) : std::string();
}

bool HasTable(sqlite3* db, const char* name) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT 1 FROM sqlite_master WHERE type='table' AND name=?", -1, &statement,
                           nullptr) != SQLITE_OK)
        return false;
    sqlite3_bind_text(statement, 1, name, -1, SQLITE_STATIC);
    const bool found = sqlite3_step(statement) == SQLITE_ROW;
    sqlite3_finalize(statement);
    return found;
}

struct MacQuery {
    int channel;
    const ChannelLogFn* log;
    bool rowSeen = false;
};

int LogMacRow(void* context, int columns, char** values, char** names) {
    auto* query = static_cast<MacQuery*>(context);
    for (int i = 0; i < columns; ++i)
        (*query->log)(query->channel, std::string(names[i]) + " = " + (values[i] ? values[i] : "NULL") + "\n");
    query->rowSeen = true;
    return 0;
}

}  // namespace

std::string InsertSnSql(const std::string& date, const std::string& sn, const std::string& mask) {
    return Format("INSERT INTO SN(DATE, SN, MASK)  VALUES('%q', '%q', '%q');", date, sn, mask);
}

std::string InsertMacSql(const std::string& date, const std::string& mac, const std::string& mask) {
    return Format("INSERT INTO MAC(DATE, MAC, MASK) VALUES('%q', '%q', '%q');", date, mac, mask);
}

std::string SelectMacSql(const std::string& mac) { return Format("SELECT MAC from MAC WHERE MAC='%q' ", mac); }

FactoryDatabase::~FactoryDatabase() { Close(); }

void FactoryDatabase::Close() {
    if (db_) sqlite3_close(db_);
    db_ = nullptr;
}

std::string FactoryDatabase::Open(const std::string& root) {
    Close();
    const std::string path = platform::JoinPath(root, kFactoryDbFile);
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return kFactoryDbMissingMessage;
    if (info.st_size < kFactoryDbMinimumBytes) return kFactoryDbDamagedMessage;
    // The station never creates the database, and one it cannot write would
    // let a whole shift pass without a single row recorded.
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX, nullptr);
    bool usable = rc == SQLITE_OK && sqlite3_db_readonly(db, "main") == 0;
    // Opening is lazy: a damaged file shows only when it is read.
    if (usable) usable = HasTable(db, "MAC") && HasTable(db, "SN");
    if (!usable) {
        sqlite3_close(db);
        return kFactoryDbOpenFailedMessage;
    }
    sqlite3_busy_timeout(db, 2000);
    db_ = db;
    return "";
}

bool FactoryDatabase::IsMacUsed(int channel, const std::string& mac, const ChannelLogFn& log) {
    if (!db_) return false;
    MacQuery query{channel, &log};
    char* error = nullptr;
    if (sqlite3_exec(db_, SelectMacSql(mac).c_str(), &LogMacRow, &query, &error) != SQLITE_OK) {
        log(channel, std::string("SQL read MAC error: ") + (error ? error : "") + "\n");
        sqlite3_free(error);
        return false;
    }
    return query.rowSeen;
}

bool FactoryDatabase::Record(int channel, const std::string& sql, const char* errorPrefix, const ChannelLogFn& log) {
    if (!db_) return false;
    char* error = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        log(channel, std::string(errorPrefix) + (error ? error : "") + "\n");
        sqlite3_free(error);
        return false;
    }
    return true;
}

}  // namespace station

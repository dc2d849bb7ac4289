#pragma once
// The factory database "factory_data.db": every MAC and serial number that
// reached a passed device, and the duplicate check against it. One connection
// for the whole station; callers serialise on the MAC/SN lock.
#include <functional>
#include <string>

struct sqlite3;

namespace station {

inline constexpr const char* kFactoryDbFile = "factory_data.db";
inline constexpr long kFactoryDbMinimumBytes = 10240;

// Start-up messages; each one leaves the duplicate check off.
inline constexpr const char* kFactoryDbMissingMessage = "x 出现非法错误，factory_data.db不存在，无法使用查重功能!";
inline constexpr const char* kFactoryDbDamagedMessage = "x 出现非法错误，factory_data.db文件异常，无法使用查重功能!";
inline constexpr const char* kFactoryDbOpenFailedMessage = "x 出现非法错误，factory_data.db打开失败，无法使用查重功能!";

// The statements exactly as the station sends them (texts quoted for SQL).
std::string InsertSnSql(const std::string& date, const std::string& sn, const std::string& mask);
std::string InsertMacSql(const std::string& date, const std::string& mac, const std::string& mask);
std::string SelectMacSql(const std::string& mac);

// A main-log line of a channel.
using ChannelLogFn = std::function<void(int channel, const std::string& text)>;

class FactoryDatabase {
public:
    FactoryDatabase() = default;
    ~FactoryDatabase();
    FactoryDatabase(const FactoryDatabase&) = delete;
    FactoryDatabase& operator=(const FactoryDatabase&) = delete;

    // Opens "<root>/factory_data.db", which must exist, hold at least 10240
    // bytes, open for writing and carry the MAC and SN tables. Returns the
    // message of the failed check, or "" when the database is open.
    std::string Open(const std::string& root);
    bool IsOpen() const { return db_ != nullptr; }
    void Close();

    // Whether a row with this MAC exists; logs every column of the rows
    // found. A failed query is logged and counts as "not used".
    bool IsMacUsed(int channel, const std::string& mac, const ChannelLogFn& log);

    // One insert of a passed device's number; a failure is logged with the
    // prefix ("SQL insert SN error: " or "SQL insert MAC error: ").
    bool Record(int channel, const std::string& sql, const char* errorPrefix, const ChannelLogFn& log);

private:
    sqlite3* db_ = nullptr;
};

}  // namespace station

#pragma once
// Every section and key of the station's settings files, with its type,
// default and capacity. Callers read and write through StationSettings with
// these names; no other code spells a section or key.
#include <cstddef>
#include <cstdio>
#include <string>

namespace station {

// The two settings files of the station root.
enum class IniFile { kStation, kMacWhiteList };  // "Torvane.ini", "MacWlist.ini"

struct KeyName {
    IniFile file;
    std::string section;
    std::string key;
};

struct IntKey : KeyName {
    int fallback;
};

// 0/1 values written as "0"/"1"; any non-zero value reads as set.
struct FlagKey : KeyName {
    bool fallback;
};

// Text values: the reader cuts them to `capacity` characters (UTF-16 units,
// as the original's wide buffers count them).
struct TextKey : KeyName {
    size_t capacity;
    std::string fallback;
};

inline constexpr size_t kPathChars = 259;  // a 260-character path buffer
inline constexpr int kChannelCount = 16;

namespace ini_detail {
inline IntKey Int(const char* section, const char* key, int fallback = 0) {
    return {{IniFile::kStation, section, key}, fallback};
}
inline FlagKey Flag(const char* section, const char* key, bool fallback = false) {
    return {{IniFile::kStation, section, key}, fallback};
}
inline TextKey Text(const char* section, const char* key, size_t capacity, const char* fallback = "") {
    return {{IniFile::kStation, section, key}, capacity, fallback};
}
inline std::string Indexed(const char* format, int n) {
    char key[64];
    std::snprintf(key, sizeof key, format, n);
    return key;
}
}  // namespace ini_detail

// The names below are the sections and keys exactly as the file spells them.
// NOLINTBEGIN(readability-identifier-naming)

namespace COMMON_SET {
inline const IntKey FUNC_TYPE = ini_detail::Int("COMMON_SET", "FUNC_TYPE");
inline const IntKey CALI_TYPE = ini_detail::Int("COMMON_SET", "CALI_TYPE");
inline const IntKey TEST_TYPE = ini_detail::Int("COMMON_SET", "TEST_TYPE");
inline const IntKey ERASE_TYPE = ini_detail::Int("COMMON_SET", "ERASE_TYPE");
inline const IntKey BURN_ERASE_TYPE = ini_detail::Int("COMMON_SET", "BURN_ERASE_TYPE");
inline const IntKey MODE_TYPE = ini_detail::Int("COMMON_SET", "MODE_TYPE");
inline const FlagKey PROTECT = ini_detail::Flag("COMMON_SET", "PROTECT");
// Absent is meaningful for these two; use StationSettings::RetryWindowSeconds
// and ResetBootEnabled, which also write them back.
inline const IntKey RETRY_LIMIT = ini_detail::Int("COMMON_SET", "RETRY_LIMIT", -1);
inline const IntKey RESET_BOOT = ini_detail::Int("COMMON_SET", "RESET_BOOT", -1);
inline const TextKey DELAY_SECOND = ini_detail::Text("COMMON_SET", "DELAY_SECOND", 100);
inline const TextKey JLINK_PATH = ini_detail::Text("COMMON_SET", "JLINK_PATH", kPathChars);
inline const IntKey FACTORY_DB = ini_detail::Int("COMMON_SET", "FACTORY_DB");
inline const IntKey PORT_TYPE = ini_detail::Int("COMMON_SET", "PORT_TYPE");
inline const FlagKey EZIP_FLAG = ini_detail::Flag("COMMON_SET", "EZIP_FLAG");
inline const FlagKey PRODUCT_FLAG = ini_detail::Flag("COMMON_SET", "PRODUCT_FLAG");
inline const FlagKey FILEGROUP_FLAG = ini_detail::Flag("COMMON_SET", "FILEGROUP_FLAG");
}  // namespace COMMON_SET

namespace CHAN_SET {
// Channel enabled (the channel's check box): "CH%d".
inline FlagKey CH(int channel) { return ini_detail::Flag("CHAN_SET", ini_detail::Indexed("CH%d", channel).c_str()); }
}  // namespace CHAN_SET

namespace UART_FILTER {
inline const IntKey BAUND = ini_detail::Int("UART_FILTER", "BAUND");
inline const IntKey FILTER_FLAG = ini_detail::Int("UART_FILTER", "FILTER_FLAG");  // 0 any, 1 descriptor, 2 port
inline TextKey CH_DES(int channel) {
    return ini_detail::Text("UART_FILTER", ini_detail::Indexed("CH%d_DES", channel).c_str(), 50);
}
inline TextKey CH_PORT(int channel) {
    return ini_detail::Text("UART_FILTER", ini_detail::Indexed("CH%d_PORT", channel).c_str(), 50);
}
}  // namespace UART_FILTER

namespace SWD_FILTER {
inline const IntKey BAUND = ini_detail::Int("SWD_FILTER", "BAUND");
inline const IntKey FILTER_FLAG = ini_detail::Int("SWD_FILTER", "FILTER_FLAG");  // 1 bind to CH%d_SN
inline TextKey CH_SN(int channel) {
    return ini_detail::Text("SWD_FILTER", ini_detail::Indexed("CH%d_SN", channel).c_str(), 50);
}
}  // namespace SWD_FILTER

// Keyed by device type name ("QM2A_NAND", ...).
namespace UART_DRIVER {
inline TextKey For(const std::string& device) { return ini_detail::Text("UART_DRIVER", device.c_str(), 99); }
}  // namespace UART_DRIVER
namespace UART_DRIVER_8M {
inline TextKey For(const std::string& device) { return ini_detail::Text("UART_DRIVER_8M", device.c_str(), 99); }
}  // namespace UART_DRIVER_8M
namespace UART_COMPRESS {
inline IntKey For(const std::string& device) { return ini_detail::Int("UART_COMPRESS", device.c_str()); }
}  // namespace UART_COMPRESS

namespace DEV_SET {
inline const IntKey DEV_NUM = ini_detail::Int("DEV_SET", "DEV_NUM");
inline const IntKey DEV_IDX = ini_detail::Int("DEV_SET", "DEV_IDX");
inline TextKey DEV_NAME(int n) { return ini_detail::Text("DEV_SET", ini_detail::Indexed("DEV_NAME%d", n).c_str(), 50); }
}  // namespace DEV_SET

namespace LOG_SET {
inline const FlagKey CHANEL_LOG = ini_detail::Flag("LOG_SET", "CHANEL_LOG");
inline const FlagKey GUI_FLAG = ini_detail::Flag("LOG_SET", "GUI_FLAG");
inline const FlagKey GUIERR_FLAG = ini_detail::Flag("LOG_SET", "GUIERR_FLAG");
inline const FlagKey COMPARE_FLAG = ini_detail::Flag("LOG_SET", "COMPARE_FLAG");
// The verify box is always ticked; the key only records it.
inline const FlagKey VERIFY_FLAG = ini_detail::Flag("LOG_SET", "VERIFY_FLAG", true);
inline const IntKey POST_ACT = ini_detail::Int("LOG_SET", "POST_ACT");
inline const IntKey PRE_ACT = ini_detail::Int("LOG_SET", "PRE_ACT");
inline const IntKey RETRY_NUM = ini_detail::Int("LOG_SET", "RETRY_NUM");
}  // namespace LOG_SET

namespace FILE_SET {
inline const IntKey FILE_NUM = ini_detail::Int("FILE_SET", "FILE_NUM");
inline const TextKey PACK_PATH = ini_detail::Text("FILE_SET", "PACK_PATH", kPathChars);
inline TextKey FILE_DES(int n) { return ini_detail::Text("FILE_SET", ini_detail::Indexed("FILE_DES_%d", n).c_str(), kPathChars); }
inline TextKey FILE_NAME(int n) { return ini_detail::Text("FILE_SET", ini_detail::Indexed("FILE_NAME_%d", n).c_str(), kPathChars); }
inline TextKey FILE_PATH(int n) { return ini_detail::Text("FILE_SET", ini_detail::Indexed("FILE_PATH_%d", n).c_str(), kPathChars); }
inline TextKey FILE_ADDR(int n) { return ini_detail::Text("FILE_SET", ini_detail::Indexed("FILE_ADDR_%d", n).c_str(), kPathChars); }
inline FlagKey FILE_SEL(int n) { return ini_detail::Flag("FILE_SET", ini_detail::Indexed("FILE_SEL_%d", n).c_str()); }
inline TextKey FILE_SEARCH(int n) {
    return ini_detail::Text("FILE_SET", ini_detail::Indexed("FILE_SEARCH_%d", n).c_str(), kPathChars);
}
}  // namespace FILE_SET

namespace BLE_SET {
inline const FlagKey ENABLE_FLAG = ini_detail::Flag("BLE_SET", "ENABLE_FLAG");
inline const FlagKey RANDOM_FLAG = ini_detail::Flag("BLE_SET", "RANDOM_FLAG");
inline const FlagKey MAC_FLIE_FLAG = ini_detail::Flag("BLE_SET", "MAC_FLIE_FLAG");
inline const TextKey MAC_FILE = ini_detail::Text("BLE_SET", "MAC_FILE", kPathChars);
// Addresses are 12 hexadecimal digits (MASK_ADDR 4); read wide so that the
// parameter page can see and correct an over-long value.
inline const TextKey START_ADDR = ini_detail::Text("BLE_SET", "START_ADDR", kPathChars);
inline const TextKey END_ADDR = ini_detail::Text("BLE_SET", "END_ADDR", kPathChars);
inline const TextKey CUR_ADDR = ini_detail::Text("BLE_SET", "CUR_ADDR", kPathChars);
inline const IntKey UP_VALUE = ini_detail::Int("BLE_SET", "UP_VALUE", 1);
inline const TextKey MASK_ADDR = ini_detail::Text("BLE_SET", "MASK_ADDR", kPathChars);
inline const FlagKey NAME_FLAG = ini_detail::Flag("BLE_SET", "NAME_FLAG");
inline const TextKey BLE_NAME = ini_detail::Text("BLE_SET", "BLE_NAME", 29);
inline const FlagKey BT_NAME_FLAG = ini_detail::Flag("BLE_SET", "BT_NAME_FLAG");
inline const TextKey BT_NAME = ini_detail::Text("BLE_SET", "BT_NAME", 29);
inline const FlagKey LOCAL_FLAG = ini_detail::Flag("BLE_SET", "LOCAL_FLAG");
}  // namespace BLE_SET

namespace SN_SET {
inline const FlagKey ENABLE_FLAG = ini_detail::Flag("SN_SET", "ENABLE_FLAG");
inline const TextKey SN_DES = ini_detail::Text("SN_SET", "SN_DES", 80);
// 5 to 9 digits; read wide so that the parameter page can correct them.
inline const TextKey START_VALUE = ini_detail::Text("SN_SET", "START_VALUE", kPathChars);
inline const TextKey CUR_VALUE = ini_detail::Text("SN_SET", "CUR_VALUE", kPathChars);
inline const IntKey UP_VALUE = ini_detail::Int("SN_SET", "UP_VALUE", 1);
}  // namespace SN_SET

namespace ALPAY_SET {
inline const FlagKey ENABLE_FLAG = ini_detail::Flag("ALPAY_SET", "ENABLE_FLAG");
inline const TextKey PK = ini_detail::Text("ALPAY_SET", "PK", 260);
inline const TextKey DN = ini_detail::Text("ALPAY_SET", "DN", 260);
inline const TextKey DS = ini_detail::Text("ALPAY_SET", "DS", 260);
}  // namespace ALPAY_SET

namespace ALPAY_ERR {
inline const IntKey NUM = ini_detail::Int("ALPAY_ERR", "NUM");
inline TextKey USERID(int n) { return ini_detail::Text("ALPAY_ERR", ini_detail::Indexed("USERID_%d", n).c_str(), kPathChars); }
inline TextKey BATCHNUM(int n) {
    return ini_detail::Text("ALPAY_ERR", ini_detail::Indexed("BATCHNUM_%d", n).c_str(), kPathChars);
}
inline TextKey MAC(int n) { return ini_detail::Text("ALPAY_ERR", ini_detail::Indexed("MAC_%d", n).c_str(), kPathChars); }
inline TextKey TIME(int n) { return ini_detail::Text("ALPAY_ERR", ini_detail::Indexed("TIME_%d", n).c_str(), kPathChars); }
}  // namespace ALPAY_ERR

namespace PCBA_TEST {
inline const TextKey FW_VERSION = ini_detail::Text("PCBA_TEST", "FW_VERSION", 100);
inline const TextKey BLE_NAME = ini_detail::Text("PCBA_TEST", "BLE_NAME", 100);
inline const TextKey BT_NAME = ini_detail::Text("PCBA_TEST", "BT_NAME", 100);
inline const TextKey BT_VERSION = ini_detail::Text("PCBA_TEST", "BT_VERSION", 100);
inline const TextKey RTT_ADDR = ini_detail::Text("PCBA_TEST", "RTT_ADDR", 40);
// The test pane's extra-function mask (`--third`) and payment-module model id
// (`--wechat`): the windows own these fields; the station keeps them here.
inline const IntKey THIRD_FUNC = ini_detail::Int("PCBA_TEST", "THIRD_FUNC");
inline const TextKey WECHAT_MODEL = ini_detail::Text("PCBA_TEST", "WECHAT_MODEL", 100);
}  // namespace PCBA_TEST

namespace CALI_SET {
inline const IntKey CALI_CBANK_MAX = ini_detail::Int("CALI_SET", "CALI_CBANK_MAX");
inline const IntKey CALI_CBANK_MIN = ini_detail::Int("CALI_SET", "CALI_CBANK_MIN");
// Pin names; use StationSettings::CaliPortNames, which writes the defaults.
inline const IntKey CALI_PORT_NUM = ini_detail::Int("CALI_SET", "CALI_PORT_NUM");
inline TextKey CALI_PORT_N(int n) { return ini_detail::Text("CALI_SET", ini_detail::Indexed("CALI_PORT_%d", n).c_str(), 100); }
inline const IntKey CALI_PORT = ini_detail::Int("CALI_SET", "CALI_PORT");              // selected pin
inline const IntKey CALI_CRYSTALTYPE = ini_detail::Int("CALI_SET", "CALI_CRYSTALTYPE");  // 0 wired, 1 wireless
inline const IntKey CALI_FREQIDX = ini_detail::Int("CALI_SET", "CALI_FREQIDX");
// Calibration-pane texts (the pane takes up to 100 characters; command lines
// use at most kCaliFieldChars of each).
inline constexpr size_t kCaliFieldChars = 29;
inline const TextKey CALI_VOLT = ini_detail::Text("CALI_SET", "CALI_VOLT", 100);
inline const TextKey CALI_VOLTRANGE = ini_detail::Text("CALI_SET", "CALI_VOLTRANGE", 100);
inline const TextKey CALI_THRESHHOLD = ini_detail::Text("CALI_SET", "CALI_THRESHHOLD", 100);
inline const TextKey CALI_VOLTTHRESH = ini_detail::Text("CALI_SET", "CALI_VOLTTHRESH", 100);
inline const TextKey CALI_TIMELEN = ini_detail::Text("CALI_SET", "CALI_TIMELEN", 100);
inline const TextKey CALI_SYNCCODE = ini_detail::Text("CALI_SET", "CALI_SYNCCODE", 100);
inline const TextKey CALI_PKTMAX = ini_detail::Text("CALI_SET", "CALI_PKTMAX", 100);
inline const TextKey CALI_PKTSTEP = ini_detail::Text("CALI_SET", "CALI_PKTSTEP", 100);
inline const TextKey CALI_PKTINIT = ini_detail::Text("CALI_SET", "CALI_PKTINIT", 100);
inline const TextKey CALI_JUDGECNT = ini_detail::Text("CALI_SET", "CALI_JUDGECNT", 100);
// The first pair serves "QM2B" devices, the "_2C" pair every other device.
inline const TextKey CALI_RESISTANCE_BIG = ini_detail::Text("CALI_SET", "CALI_RESISTANCE_BIG", 100);
inline const TextKey CALI_RESISTANCE_SMALL = ini_detail::Text("CALI_SET", "CALI_RESISTANCE_SMALL", 100);
inline const TextKey CALI_RESISTANCE_BIG_2C = ini_detail::Text("CALI_SET", "CALI_RESISTANCE_BIG_2C", 100);
inline const TextKey CALI_RESISTANCE_SMALL_2C = ini_detail::Text("CALI_SET", "CALI_RESISTANCE_SMALL_2C", 100);
}  // namespace CALI_SET

namespace PRODUCT_INFO {
inline const TextKey PROJECT_CODE = ini_detail::Text("PRODUCT_INFO", "PROJECT_CODE", kPathChars);
inline FlagKey VALID(int n) { return ini_detail::Flag("PRODUCT_INFO", ini_detail::Indexed("VALID_%d", n).c_str()); }
inline const FlagKey CTEI_SUPPORT = ini_detail::Flag("PRODUCT_INFO", "CTEI_SUPPORT");
}  // namespace PRODUCT_INFO

namespace PRJ_CODE {
inline const TextKey PROJECT_URL = ini_detail::Text("PRJ_CODE", "PROJECT_URL", 260);
inline const TextKey PROJECT_NAME = ini_detail::Text("PRJ_CODE", "PROJECT_NAME", 260);
}  // namespace PRJ_CODE

// Per-channel bookkeeping of numbers handed out but not yet confirmed.
namespace MACLOCAL_REUSE {
inline TextKey CHAN(int channel) {
    return ini_detail::Text("MACLOCAL_REUSE", ini_detail::Indexed("CHAN_%d", channel).c_str(), kPathChars);
}
}  // namespace MACLOCAL_REUSE
namespace SNLOCAL_REUSE {
inline TextKey CHAN(int channel) {
    return ini_detail::Text("SNLOCAL_REUSE", ini_detail::Indexed("CHAN_%d", channel).c_str(), kPathChars);
}
}  // namespace SNLOCAL_REUSE
namespace SNLOCAL2_REUSE {
inline TextKey CHAN(int channel) {
    return ini_detail::Text("SNLOCAL2_REUSE", ini_detail::Indexed("CHAN_%d", channel).c_str(), kPathChars);
}
}  // namespace SNLOCAL2_REUSE

// A pool of numbers shared by several stations on a PostgreSQL server. The
// password never sits here: libpq takes it from PGPASSWORD or ~/.pgpass.
namespace POOL {
inline const TextKey BACKEND = ini_detail::Text("POOL", "BACKEND", kPathChars);    // "postgresql", else local
inline const TextKey CONNINFO = ini_detail::Text("POOL", "CONNINFO", 1024);        // a libpq connection string
inline const TextKey POOL_NAME = ini_detail::Text("POOL", "POOL_NAME", 63);
inline const TextKey STATION_ID = ini_detail::Text("POOL", "STATION_ID", 63);      // made once, then kept
}  // namespace POOL

// The station on the factory network: its HTTP interface (off unless LISTEN
// is set, "127.0.0.1:8750" or a port alone for loopback), the bearer token
// that allows control, and the receiver of the device records.
namespace REMOTE {
inline const TextKey LISTEN = ini_detail::Text("REMOTE", "LISTEN", kPathChars);
inline const TextKey TOKEN = ini_detail::Text("REMOTE", "TOKEN", 1024);
inline const TextKey RECORD_URL = ini_detail::Text("REMOTE", "RECORD_URL", 1024);
}  // namespace REMOTE

// "MacWlist.ini", section COMMON.
namespace MACWLIST_COMMON {
inline constexpr int kMaxEntries = 10;
inline const IntKey NUM{{IniFile::kMacWhiteList, "COMMON", "NUM"}, 0};
inline TextKey MAC(int n) { return {{IniFile::kMacWhiteList, "COMMON", ini_detail::Indexed("MAC_%d", n)}, 59, ""}; }
}  // namespace MACWLIST_COMMON

// NOLINTEND(readability-identifier-naming)

}  // namespace station

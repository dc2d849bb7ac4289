#pragma once
// Typed access to the station's settings. Every value is read from the file
// at the moment it is asked for, so a change made by a dialog counts from
// the next use; every write replaces one key and keeps the rest of the file.
#include <optional>
#include <string>
#include <vector>

#include "station/engine/settings/ini_keys.h"

namespace station {

// Messages of the settings checks, exactly as the operator sees them.
inline constexpr const char* kIniMissingMessage = "Torvane.ini 文件不存在，可能会出现未知异常，请确认!!!";
inline constexpr const char* kFuncTypeErrorMessage =
    "Torvane.ini 文件中COMMON_SET->FUNC_TYPE错误，可能会出现未知异常，请确认!!!";
inline constexpr const char* kMacWhiteListTooLongMessage = "x MacWlist.ini中白名单个数超过10个，只取前10个!";

inline constexpr int kPortTypeJLink = 0;
inline constexpr int kPortTypeUart = 1;
// Baud rates above this select the UART_DRIVER_8M loader.
inline constexpr int kMaxBaudOfPlainLoader = 6000000;

struct MacWhiteList {
    std::vector<std::string> entries;  // at most 10
    bool truncated = false;            // the file listed more than 10
};

class StationSettings {
public:
    // root: the station root directory (the current directory at start).
    explicit StationSettings(std::string root);

    const std::string& Root() const { return root_; }
    std::string IniPath() const;           // <root>/Torvane.ini
    std::string MacWhiteListPath() const;  // <root>/MacWlist.ini
    // Absent "Torvane.ini" is only a warning (kIniMissingMessage): every key
    // then reads as its default.
    bool IniExists() const;

    // The stored text, uncut; nullopt when the key is absent.
    std::optional<std::string> ReadRaw(const KeyName& key) const;
    int Read(const IntKey& key) const;
    bool Read(const FlagKey& key) const;
    std::string Read(const TextKey& key) const;

    bool Write(const IntKey& key, int value) const;  // "%d"
    bool Write(const FlagKey& key, bool value) const;  // "0"/"1"
    bool Write(const TextKey& key, const std::string& value) const;

    // --- Values with rules of their own ---

    // FUNC_TYPE as start-up takes it: a value with none of the bits 0xF is
    // replaced by 1 (burn); *replaced tells the caller to warn.
    int LoadFuncType(bool* replaced = nullptr) const;
    // TEST_TYPE with bit 0x100 cleared, as it is always loaded.
    int LoadTestType() const;
    // The erase mask: BURN_ERASE_TYPE when the job burns (bit 1), else ERASE_TYPE.
    int LoadEraseMask(int funcType) const;
    bool WriteEraseMask(int funcType, int mask) const;

    // Retry window of a job in seconds: RETRY_LIMIT absent → written as "1"
    // and 30; 0 → 10; anything else → 30.
    int RetryWindowSeconds() const;
    // Whether a calibration start on QM2A resets the channels into boot mode:
    // RESET_BOOT absent → written as "1"; 0 → no.
    bool ResetBootEnabled() const;
    // DELAY_SECOND as seconds: "0x" text is hexadecimal, else the decimal
    // digits read from the right (blanks skipped); limited to 0..20.
    int DelaySeconds() const;

    bool IsUart() const { return Read(COMMON_SET::PORT_TYPE) == kPortTypeUart; }
    // UART_FILTER/BAUND as given to downloads, calibration and PCBA tests.
    int UartBaud() const { return Read(UART_FILTER::BAUND); }
    // The GPS load runs at 1000000 baud when no rate is set.
    int GpsBaud() const;
    // SWD_FILTER/BAUND limited to 4000..12000.
    int JLinkSpeed() const;
    // POST_ACT, except that a burn after calibration (FUNC_TYPE 5) never reboots.
    int PostAct(int funcType) const;

    // Whether any factory data goes into the devices (MAC, serial number,
    // BLE name, BT name, payment keys): the burn list then reserves entry 0
    // for the channel's factory-data file.
    bool FactoryDataSelected() const;

    // The device type of all jobs: DEV_NAME<DEV_IDX>; empty when unset.
    std::string DeviceType() const;
    // The RAM-loader file name of a device for the current UART rate (from
    // UART_DRIVER_8M above 6000000 baud, else UART_DRIVER); empty when none.
    std::string RamLoaderName(const std::string& device) const;
    // Gives a device without a UART_DRIVER entry the default loader of its
    // family, marks NAND parts of QM2A/QM2C as packable, and adds an 8M
    // loader entry when "<loader>_8M.bin" exists in the file directory.
    void EnsureRamLoader(const std::string& device) const;
    // EnsureRamLoader for every configured device type (DEV_NAME0 ..
    // DEV_NAME<DEV_NUM - 1>), as the settings are loaded at start.
    void EnsureRamLoaders() const;

    // The calibration pin names; an absent or zero CALI_PORT_NUM is written
    // as "2" with "PB08" and "PB24".
    std::vector<std::string> CaliPortNames() const;

    bool ChannelEnabled(int channel) const { return Read(CHAN_SET::CH(channel)); }

    // "MacWlist.ini": at most 10 entries of at most 59 characters.
    MacWhiteList ReadMacWhiteList() const;

private:
    std::string PathOf(IniFile file) const;

    std::string root_;
};

}  // namespace station

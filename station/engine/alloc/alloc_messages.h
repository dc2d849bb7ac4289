#pragma once
// Messages of the allocation, exactly as the operator sees them.

namespace station {

inline constexpr const char* kMacTakeFailedMessage = "MAC 获取失败, 请确认！";
inline constexpr const char* kMacUsedMessage = "MAC 已经使用过, 请确认！";
inline constexpr const char* kMacRangeEndMessage = "x BLE cur addr > end addr error!";
inline constexpr const char* kSnRangeEndMessage = "x SN cur addr is greate equal to 99999999 error";
// The main-log lines that go with the two range-end messages.
inline constexpr const char* kMacRangeEndLog = "BLE cur addr > end addr error";
inline constexpr const char* kSnRangeEndLog = "SN cur addr is greate equal to 99999999 error";

// Factory data is selected, but the station list was made without the entry
// it reserves for it (the list is older than the setting).
inline constexpr const char* kListWithoutFactoryDataEntry = "下载列表与MAC/SN烧录设置不一致，请重新生成下载列表!";

// A station of a shared pool takes MACs from the pool's range only.
inline constexpr const char* kPoolOutsideMacLog =
    "pool: a random or spreadsheet MAC is refused; a pool hands out MACs from its range only";
inline constexpr const char* kPoolOutsideMacMessage =
    "x pool mode hands out MACs from the pool's range only: switch off random and spreadsheet MACs!";

}  // namespace station

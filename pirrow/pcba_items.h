#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/factory_reply.h"

namespace pirrow {

// What an item does after its status reply was OK.
enum class PcbaCheck { None, InfoData, BtData, WifiVersion };

// One factory test item of the PCBA test: the --pcba bit that selects it,
// its log line and command, its status tokens, and the console progress line
// printed after its slot (whether it ran or not).
struct PcbaItem {
    uint32_t bit;
    const char* logLine;
    const char* command;
    const char* okToken;
    const char* failToken;
    PcbaCheck check;
    int slotPercent;
};

// The items in the order they run. The payment-mark / third-function slot
// (kPcbaPaymentBit) runs after them.
extern const std::array<PcbaItem, 9> kPcbaItems;
constexpr uint32_t kPcbaGetInfoBit = 0x001;
constexpr uint32_t kPcbaPaymentBit = 0x010;

using common::BtDataResult;
using common::CheckInfoData;
using common::CutAtLineEnd;
using common::EqualsWithTrailingSpaces;
using common::FindModelId;
using common::ParseBtData;
using common::ParseWifiVersion;
using common::ReplyCheck;
using common::ThirdFuncFailValue;
using common::WifiResult;

}  // namespace pirrow

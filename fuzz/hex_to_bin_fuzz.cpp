// HEX conversion of arbitrary text in memory: never reads past a line, and a
// failure always says why (a bad record names its line; a second sector is
// reported by the caller).
#include <string>
#include <vector>

#include "common/burn_list.h"
#include "require.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<uint8_t> image;
    uint32_t address = 0;
    std::string detail;
    const common::HexResult result = common::ConvertHexText(text, "in.hex", image, address, detail);
    const bool explained = result == common::HexResult::Converted ? detail.empty()
                           : result == common::HexResult::BadRecord ? detail.rfind("X hex file in.hex line ", 0) == 0
                                                                    : result == common::HexResult::MultiSector;
    fuzz_support::Require(explained);
    return 0;
}

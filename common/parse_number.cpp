#include "common/parse_number.h"

namespace common {

uint32_t ParseNumber(std::string_view text) {
    uint32_t value = 0;
    uint32_t weight = 1;
    const bool hex = text.find("0x") != std::string_view::npos;
    for (size_t i = text.size(); i-- > 0;) {
        char c = text[i];
        int digit = -1;
        if (c >= '0' && c <= '9') digit = c - '0';
        else if (hex && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        if (digit >= 0) {
            value += uint32_t(digit) * weight;
            weight *= hex ? 16u : 10u;
            continue;
        }
        if (c == ' ' || (!hex && (c == '\r' || c == '\n'))) continue;
        break;
    }
    return value;
}

}  // namespace common

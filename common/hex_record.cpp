#include "common/hex_record.h"

namespace common {
namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

HexField ReadHexField(const std::string& line, size_t pos, size_t digits, uint32_t& value) {
    value = 0;
    if (pos > line.size() || digits > line.size() - pos) return HexField::PastLineEnd;
    for (size_t i = 0; i < digits; ++i) {
        int d = HexDigit(line[pos + i]);
        if (d < 0) return HexField::BadDigit;
        value = value << 4 | uint32_t(d);
    }
    return HexField::Ok;
}

}  // namespace common

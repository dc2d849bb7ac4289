#include "station/engine/alloc/mac_sn_numbers.h"

#include <algorithm>
#include <cstdio>

namespace station {

constexpr size_t kMacDigits = 12;
constexpr int kMinSnWidth = 5;
constexpr int kMaxSnWidth = 9;

std::string FormatMac(uint64_t value) {
    char text[32];
    std::snprintf(text, sizeof text, "%04X%08X", unsigned((value >> 32) & 0xFFFFFFFFu), unsigned(value & 0xFFFFFFFFu));
    return text;
}

std::optional<uint64_t> ParseMac(const std::string& text) {
    if (text.size() != kMacDigits) return std::nullopt;
    uint64_t value = 0;
    for (char c : text) {
        int digit;
        if (c >= '0' && c <= '9') digit = c - '0';
        else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        else return std::nullopt;
        value = value * 16 + uint64_t(digit);
    }
    return value;
}

int SnCounterWidth(const std::string& startValue) {
    return std::clamp(int(startValue.size()), kMinSnWidth, kMaxSnWidth);
}

uint64_t SnCounterMaximum(int width) {
    uint64_t limit = 1;
    for (int i = 0; i < width; ++i) limit *= 10;
    return limit - 1;
}

std::optional<uint64_t> ParseSnCounter(const std::string& text, int width) {
    if (int(text.size()) != width) return std::nullopt;
    uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + uint64_t(c - '0');
    }
    return value;
}

std::string FormatSnCounter(uint64_t value, int width) {
    char text[32];
    std::snprintf(text, sizeof text, "%0*llu", width, static_cast<unsigned long long>(value));
    return text;
}

}  // namespace station

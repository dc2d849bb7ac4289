#include "station/engine/log/text_convert.h"

#include <cstdint>

namespace station {
namespace {

// Decodes one UTF-8 sequence at text[i]; returns its length in bytes, 0 when
// it is not a valid, shortest-form sequence of a scalar value.
size_t DecodeUtf8(std::string_view text, size_t i, char32_t& out) {
    const auto byte = [&](size_t k) { return static_cast<uint8_t>(text[k]); };
    const uint8_t lead = byte(i);
    size_t length;
    char32_t value;
    if (lead < 0x80) {
        out = lead;
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, value = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, value = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, value = lead & 0x07;
    } else {
        return 0;
    }
    if (i + length > text.size()) return 0;
    for (size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        value = (value << 6) | (byte(i + k) & 0x3F);
    }
    static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (value < kSmallest[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
    out = value;
    return length;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

}  // namespace

std::string ToNarrow(std::u16string_view wide) {
    std::string out;
    out.reserve(wide.size());
    for (size_t i = 0; i < wide.size(); ++i) {
        char32_t c = wide[i];
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (i + 1 >= wide.size() || wide[i + 1] < 0xDC00 || wide[i + 1] > 0xDFFF) return {};
            c = 0x10000 + ((c - 0xD800) << 10) + (wide[++i] - 0xDC00);
        } else if (c >= 0xDC00 && c <= 0xDFFF) {
            return {};
        }
        AppendUtf8(out, c);
    }
    return out;
}

std::string ToNarrow(const char16_t* wide) { return wide ? ToNarrow(std::u16string_view(wide)) : std::string(); }

std::u16string ToWide(std::string_view narrow) {
    std::u16string out;
    out.reserve(narrow.size());
    for (size_t i = 0; i < narrow.size();) {
        char32_t c;
        const size_t length = DecodeUtf8(narrow, i, c);
        if (length == 0) return {};
        if (c >= 0x10000) {
            out += char16_t(0xD800 + ((c - 0x10000) >> 10));
            out += char16_t(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            out += char16_t(c);
        }
        i += length;
    }
    return out;
}

std::u16string ToWide(const char* narrow) { return narrow ? ToWide(std::string_view(narrow)) : std::u16string(); }

size_t WideLength(std::string_view narrow) {
    size_t units = 0;
    for (size_t i = 0; i < narrow.size();) {
        char32_t c;
        const size_t length = DecodeUtf8(narrow, i, c);
        units += (length == 4) ? 2 : 1;
        i += length ? length : 1;
    }
    return units;
}

std::string CutText(std::string_view narrow, size_t wideChars) {
    size_t units = 0, i = 0;
    while (i < narrow.size()) {
        char32_t c;
        size_t length = DecodeUtf8(narrow, i, c);
        const size_t need = (length == 4) ? 2 : 1;
        if (length == 0) length = 1;
        if (units + need > wideChars) break;
        units += need;
        i += length;
    }
    return std::string(narrow.substr(0, i));
}

}  // namespace station

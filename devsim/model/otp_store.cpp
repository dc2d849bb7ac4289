#include "devsim/model/otp_store.h"

#include <cctype>
#include <cstdio>
#include <optional>


namespace devsim {

OtpWriteResult OtpStore::Write(uint8_t id, const OtpValue& value) {
    auto it = records_.find(id);
    if (it != records_.end()) return it->second == value ? OtpWriteResult::Pass : OtpWriteResult::Fail;
    records_[id] = value;
    return OtpWriteResult::Pass;
}

const OtpValue* OtpStore::Find(uint8_t id) const {
    auto it = records_.find(id);
    return it == records_.end() ? nullptr : &it->second;
}

namespace {

// The loader's own table of the records it keeps: id and value form. Text
// values hold at most kMaxText bytes.
constexpr size_t kMaxText = 250;

std::optional<OtpValueForm> RecordForm(uint8_t id) {
    switch (id) {
        case 1:
            return OtpValueForm::Mac;
        case 2: case 8: case 11: case 12: case 13: case 14: case 17: case 24:
            return OtpValueForm::Text;
        case 15: case 16: case 22:
            return OtpValueForm::Number;
        default:
            return std::nullopt;
    }
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n'))
        s.remove_suffix(1);
    return s;
}

}  // namespace

bool OtpStore::ParseWrite(std::string_view args, uint8_t& id, OtpValue& value) {
    args = Trim(args);
    size_t i = 0;
    unsigned number = 0;
    while (i < args.size() && std::isdigit(static_cast<unsigned char>(args[i]))) {
        number = number * 10 + unsigned(args[i] - '0');
        if (number > 254) return false;
        ++i;
    }
    if (i == 0 || i >= args.size() || args[i] != ' ') return false;
    id = uint8_t(number);
    std::string_view v = Trim(args.substr(i + 1));
    value = {};
    if (!v.empty() && v.front() == '"') {
        const size_t close = v.rfind('"');
        if (close == 0 || close != v.size() - 1) return false;
        std::string_view text = v.substr(1, close - 1);
        if (text.size() > kMaxText) return false;
        value.form = OtpValueForm::Text;
        value.bytes.assign(text.begin(), text.end());
    } else if (v.size() > 2 && v[0] == '0' && (v[1] == 'x' || v[1] == 'X')) {
        if (v.size() > 10) return false;
        uint32_t n = 0;
        for (size_t k = 2; k < v.size(); ++k) {
            const int d = HexDigit(v[k]);
            if (d < 0) return false;
            n = n << 4 | uint32_t(d);
        }
        value.form = OtpValueForm::Number;
        value.bytes = {uint8_t(n), uint8_t(n >> 8), uint8_t(n >> 16), uint8_t(n >> 24)};
    } else if (v.size() == 12) {
        value.form = OtpValueForm::Mac;
        value.bytes.resize(6);
        for (size_t k = 0; k < 6; ++k) {
            const int hi = HexDigit(v[2 * k]), lo = HexDigit(v[2 * k + 1]);
            if (hi < 0 || lo < 0) return false;
            value.bytes[5 - k] = uint8_t(hi << 4 | lo);  // text is b5 first
        }
    } else {
        return false;
    }
    // An id the loader does not keep, or a value of the wrong form, fails.
    const std::optional<OtpValueForm> form = RecordForm(id);
    return form && *form == value.form;
}

std::string OtpStore::IdName(uint8_t id) {
    switch (id) {
        case 1: return "MAC";
        case 2: return "SN";
        case 8: return "BLE_NAME";
        case 11: return "ALIPAY_PK";
        case 12: return "ALIPAY_DN";
        case 13: return "ALIPAY_DS";
        case 14: return "BT_NAME";
        default: return std::to_string(id);
    }
}

std::string OtpStore::ReadLine(uint8_t id, const OtpValue& value) {
    std::string line = "FACTORY_CFG_ID_" + IdName(id) + ":";
    char buf[16];
    const auto& b = value.bytes;
    switch (value.form) {
        case OtpValueForm::Mac:
            for (size_t k = b.size(); k-- > 0;) {
                std::snprintf(buf, sizeof buf, "%02x", b[k]);
                line += buf;
            }
            break;
        case OtpValueForm::Text:
            line.append(b.begin(), b.end());
            break;
        case OtpValueForm::Number: {
            uint32_t n = 0;
            for (size_t k = 0; k < b.size() && k < 4; ++k) n |= uint32_t(b[k]) << (8 * k);
            std::snprintf(buf, sizeof buf, "0x%x", n);
            line += buf;
            break;
        }
    }
    return line;
}

}  // namespace devsim

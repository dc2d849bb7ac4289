#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace devsim {

// The one-time-programmable factory records. A record once
// written keeps its value: writing the same value again passes, another
// value fails.
enum class OtpValueForm : uint8_t { Mac = 1, Text = 2, Number = 3 };

struct OtpValue {
    OtpValueForm form = OtpValueForm::Text;
    // Mac: the six bytes b0..b5 (the command text shows b5 first);
    // Text: the text bytes; Number: four bytes, little-endian.
    std::vector<uint8_t> bytes;
    bool operator==(const OtpValue&) const = default;
};

enum class OtpWriteResult { Pass, Fail };

class OtpStore {
public:
    // Stores a record; Fail when the id already holds another value.
    OtpWriteResult Write(uint8_t id, const OtpValue& value);
    const std::map<uint8_t, OtpValue>& Records() const { return records_; }
    const OtpValue* Find(uint8_t id) const;
    void Clear() { records_.clear(); }

    // Parses the part of "otp_factory_write <id> <value>" after the command
    // word: 12 hex digits (MAC, last byte first), "text" in double quotes,
    // or 0x%x (number). False when it is none of these, or the id is not
    // one the loader keeps (1 MAC; 2, 8, 11, 12, 13, 14, 17, 24 text; 15,
    // 16, 22 number), or the value does not suit it.
    static bool ParseWrite(std::string_view args, uint8_t& id, OtpValue& value);
    // "FACTORY_CFG_ID_MAC:<12 hex digits>" and its siblings, without line end.
    static std::string ReadLine(uint8_t id, const OtpValue& value);
    // "MAC", "SN", "BLE_NAME", "ALIPAY_PK", "ALIPAY_DN", "ALIPAY_DS",
    // "BT_NAME", else the id in decimal.
    static std::string IdName(uint8_t id);

private:
    std::map<uint8_t, OtpValue> records_;
};

}  // namespace devsim

#include <cstdio>
#include <vector>

#include "common/burn_list.h"
#include "common/file_util.h"
#include "common/hex_record.h"
#include "common/line_reader.h"
#include "common/print_log.h"
#include "common/text_search.h"

namespace common {
namespace {

constexpr size_t kHexLineChars = 299;
constexpr size_t kShortestRecord = 9;  // ":CCAAAATT"
constexpr uint32_t kTypeData = 0x00;
constexpr uint32_t kTypeEnd = 0x01;
constexpr uint32_t kTypeBase = 0x04;

std::string WithoutLineEnd(std::string line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    return line;
}

// One HEX file becoming one contiguous binary. Bytes are always appended:
// a forward jump is filled with 0xFF, a record below the end is written
// where the file stands. Addresses are kept in 64 bits so that a record
// near the top of the address space cannot wrap into a huge gap.
class HexConversion {
public:
    HexConversion(const std::string& hexPath, uint32_t& address, std::vector<uint8_t>& out)
        : hexPath_(hexPath), address_(address), out_(out) {}

    HexResult Result() const { return result_; }
    const std::string& Detail() const { return detail_; }

    bool Run(LineReader& reader) {
        std::string piece;
        bool atLineStart = true;
        while (reader.Next(piece)) {
            if (atLineStart) ++lineNo_;
            atLineStart = piece.back() == '\n';
            std::string line = WithoutLineEnd(piece);
            if (line.size() < kShortestRecord || line[0] != ':') continue;
            if (line.find(":00000001FF") != std::string::npos) return true;
            uint32_t type;
            if (!Field(line, kHexTypePos, 2, type)) return false;
            if (type == kTypeEnd) return true;
            if (type == kTypeData && !DataRecord(line)) return false;
            if (type == kTypeBase && !BaseRecord(line)) return false;
        }
        return true;
    }

private:
    bool Fail(const std::string& what) {
        result_ = HexResult::BadRecord;
        detail_ = "X hex file " + hexPath_ + " line " + std::to_string(lineNo_) + ": " + what + "\n";
        return false;
    }

    bool Field(const std::string& line, size_t pos, size_t digits, uint32_t& value) {
        switch (ReadHexField(line, pos, digits, value)) {
            case HexField::Ok:
                return true;
            case HexField::PastLineEnd:
                return Fail("line ends inside the record");
            case HexField::BadDigit:
                return Fail("bad hex digit");
        }
        return false;
    }

    // Type 04: the upper address half from the data, the lower from the
    // address field. Only a sector that continues where the data ended is
    // supported.
    bool BaseRecord(const std::string& line) {
        uint32_t upper, lower;
        if (!Field(line, kHexDataPos, 4, upper) || !Field(line, kHexAddressPos, 4, lower)) return false;
        uint64_t newBase = uint64_t(upper) << 16 | lower;
        if (!addressSet_) {
            address_ = uint32_t(newBase);
            addressSet_ = true;
        } else if (newBase != end_) {
            result_ = HexResult::MultiSector;
            return false;
        }
        base_ = end_ = newBase;
        return true;
    }

    bool DataRecord(const std::string& line) {
        uint32_t count, offset;
        if (!Field(line, kHexCountPos, 2, count) || !Field(line, kHexAddressPos, 4, offset)) return false;
        if (line.size() < kHexDataPos + 2 * size_t(count))
            return Fail("byte count " + std::to_string(count) + " runs past the end of the line");
        std::vector<uint8_t> bytes(count);
        for (uint32_t i = 0; i < count; ++i) {
            uint32_t byte;
            if (!Field(line, kHexDataPos + 2 * size_t(i), 2, byte)) return false;
            bytes[i] = uint8_t(byte);
        }
        uint64_t address = base_ + offset;
        if (!dataSeen_) {
            address_ = uint32_t(address);
            dataSeen_ = addressSet_ = true;
        } else if (end_ < address) {
            FillGap(address - end_);
        }
        out_.insert(out_.end(), bytes.begin(), bytes.end());
        end_ = address + count;
        return true;
    }

    void FillGap(uint64_t length) { out_.insert(out_.end(), size_t(length), 0xFF); }

    const std::string& hexPath_;
    uint32_t& address_;
    std::vector<uint8_t>& out_;
    HexResult result_ = HexResult::Converted;
    std::string detail_;
    unsigned lineNo_ = 0;
    uint64_t base_ = 0;
    uint64_t end_ = 0;          // address just past the bytes written so far
    bool addressSet_ = false;   // entry address holds the image start
    bool dataSeen_ = false;
};

}  // namespace

std::string HexImagePath(const std::string& hexPath) {
    return hexPath.substr(0, hexPath.size() - 4) + "_hex2bin.bin";
}

namespace {

HexResult Convert(LineReader& reader, const std::string& hexPath, std::vector<uint8_t>& image, uint32_t& address,
                  std::string& detail) {
    address = 0;
    image.clear();
    HexConversion conversion(hexPath, address, image);
    if (conversion.Run(reader)) return HexResult::Converted;
    detail = conversion.Detail();
    return conversion.Result();
}

}  // namespace

HexResult ConvertHexText(std::string_view text, const std::string& hexPath, std::vector<uint8_t>& image,
                         uint32_t& address, std::string& detail) {
    detail.clear();
    LineReader reader(TextInMemory{text}, kHexLineChars);
    return Convert(reader, hexPath, image, address, detail);
}

HexResult ConvertHexToBin(BurnItem& entry, std::string& detail) {
    detail.clear();
    if (!EndsWithNoCase(entry.path, ".hex")) return HexResult::Converted;
    LineReader reader(entry.path, kHexLineChars);
    if (!reader.IsOpen()) return HexResult::Converted;  // the read of the list entry reports it
    const std::string hexPath = entry.path;
    entry.path = HexImagePath(hexPath);
    entry.address = 0;

    // No reader (another channel, a later run) may ever see a partial image.
    AtomicFileWriter out(entry.path);
    if (!out.IsOpen()) {
        detail = "file: " + entry.path + " can't open\n";
        return HexResult::CantWrite;
    }
    std::vector<uint8_t> image;
    const HexResult result = Convert(reader, hexPath, image, entry.address, detail);
    if (result != HexResult::Converted) return result;
    out.Write(image.data(), image.size());
    if (out.Commit()) return HexResult::Converted;
    detail = "X hex file " + hexPath + ": cannot write " + entry.path + "\n";
    return HexResult::CantWrite;
}
bool HexToBin(BurnItem& entry) {
    std::string detail;
    const HexResult result = ConvertHexToBin(entry, detail);
    if (result == HexResult::MultiSector) PrintLog(false, "muti sector, not support !\n");
    if (!detail.empty()) PrintLog(false, "%s", detail.c_str());
    return result == HexResult::Converted;
}

}  // namespace common

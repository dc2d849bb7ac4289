// A burn list from arbitrary bytes, parsed in memory. The input up to the
// first NUL is the list; the rest becomes "data.hex" and "data.gz", which the
// list may name beside the fixed files "a.bin", "b.gz" and "c.hex".
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "common/burn_list.h"
#include "common/compressed_image.h"
#include "common/print_log.h"
#include "require.h"

namespace {

using Bytes = std::vector<uint8_t>;
using fuzz_support::Require;

Bytes ToBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

Bytes StoredImage(const std::string& raw) {
    uint8_t head[24];
    common::WriteLe32(head, uint32_t(raw.size()));
    common::WriteLe32(head + 4, 1);
    common::WriteLe32(head + 8, 0);
    common::WriteLe32(head + 12, uint32_t(raw.size()));
    common::WriteLe32(head + 16, uint32_t(raw.size()));
    common::WriteLe32(head + 20, 0);
    Bytes image(head, head + sizeof head);
    image.insert(image.end(), raw.begin(), raw.end());
    return image;
}

// The files a list may name, and HEX conversions made in memory.
class MemoryFiles {
public:
    explicit MemoryFiles(std::map<std::string, Bytes> files) : files_(std::move(files)) {}

    common::BurnListFiles Access() {
        return {[this](const std::string& path, Bytes& data) {
                    auto it = files_.find(path);
                    if (it == files_.end()) return common::ImageRead::CantOpen;
                    data = it->second;
                    return common::ImageRead::Ok;
                },
                [this](common::BurnItem& entry) { return ConvertHex(entry); }};
    }

private:
    bool ConvertHex(common::BurnItem& entry) {
        auto it = files_.find(entry.path);
        if (it == files_.end()) return true;  // the read of the entry reports it
        const std::string text(it->second.begin(), it->second.end());
        const std::string hexPath = entry.path;
        entry.path = common::HexImagePath(hexPath);
        Bytes image;
        std::string detail;
        if (common::ConvertHexText(text, hexPath, image, entry.address, detail) != common::HexResult::Converted)
            return false;
        files_[entry.path] = std::move(image);
        return true;
    }

    std::map<std::string, Bytes> files_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    common::SetLogFile("/dev/null");
    const uint8_t* nul = static_cast<const uint8_t*>(std::memchr(data, '\0', size));
    const size_t listSize = nul ? size_t(nul - data) : size;
    const uint8_t* rest = nul ? nul + 1 : data + size;
    const Bytes restBytes(rest, data + size);
    MemoryFiles files({{"a.bin", ToBytes("plain image")},
                       {"b.gz", StoredImage("compressed image")},
                       {"c.hex", ToBytes(":020000041000EA\r\n:0400000061626364F6\r\n:00000001FF\r\n")},
                       {"data.hex", restBytes},
                       {"data.gz", restBytes}});

    common::BurnList list;
    const std::string text(reinterpret_cast<const char*>(data), listSize);
    if (common::ParseBurnList(text, "QM2B", list, files.Access())) {
        Require(!list.items.empty() && list.items.size() <= size_t(common::kMaxBurnItems));
        for (const auto& item : list.items) Require(item.size == item.data.size());
        Require(!list.sigKeyPath.empty());
    } else {
        Require(list.items.empty());
    }
    return 0;
}

#include "pirrow/debug_ram_load.h"

#include <algorithm>
#include <filesystem>
#include <new>

#include "common/file_util.h"
#include "common/print_log.h"

namespace pirrow {

using common::PrintLog;

namespace {

constexpr size_t kVectorTableBytes = 8;
constexpr uint32_t kPageMask = 0xFFFu;

uint32_t WordAt(const Bytes& data, size_t offset) {
    return uint32_t(data[offset]) | uint32_t(data[offset + 1]) << 8 | uint32_t(data[offset + 2]) << 16 |
           uint32_t(data[offset + 3]) << 24;
}

uint64_t LargestRange(const std::vector<RamRange>& ranges) {
    uint64_t largest = 0;
    for (const RamRange& r : ranges) largest = std::max<uint64_t>(largest, uint64_t(r.last) - r.first + 1);
    return largest;
}

bool FitsInRam(const std::vector<RamRange>& ranges, const RamImage& image) {
    const uint64_t end = uint64_t(image.base) + image.data.size() - 1;
    for (const RamRange& r : ranges) {
        if (image.base >= r.first && end <= r.last && image.entry >= r.first && image.entry <= r.last) return true;
    }
    return false;
}

}  // namespace

std::vector<RamRange> LoaderRamRanges(DebugFrameForm form) {
    if (form == DebugFrameForm::Short) return {{0x20000000, 0x200FFFFF}};
    return {{0x20000000, 0x200C7FFF}, {0x20800000, 0x20BFFFFF}, {0x20C00000, 0x20C1FFFF}};
}

bool ReadRamImage(DebugFrameForm form, const std::string& path, RamImage& image) {
    std::error_code ec;
    const uintmax_t fileSize = path.empty() ? 0 : std::filesystem::file_size(path, ec);
    if (path.empty() || ec) {
        PrintLog(true, "%s open error\n", path.c_str());
        return false;
    }
    const std::vector<RamRange> ranges = LoaderRamRanges(form);
    if (fileSize < kVectorTableBytes) {
        PrintLog(false, "X RAM loader %s has %ju bytes, too short for its vector table (8 bytes)\n", path.c_str(),
                 fileSize);
        return false;
    }
    // Checked before reading so that a stray huge file is never loaded whole.
    if (fileSize > LargestRange(ranges)) {
        PrintLog(false, "X RAM loader %s has %ju bytes, more than any RAM block holds\n", path.c_str(), fileSize);
        return false;
    }
    const size_t padded = RoundUpToWord(size_t(fileSize));
    try {
        if (!common::ReadWholeFile(path, image.data)) {
            PrintLog(true, "%s open error\n", path.c_str());
            return false;
        }
        image.data.resize(RoundUpToWord(image.data.size()), 0);
    } catch (const std::bad_alloc&) {
        PrintLog(true, "malloc %d error\n", int(padded));
        return false;
    }
    if (image.data.size() < kVectorTableBytes) {  // the file shrank while being read
        PrintLog(false, "X RAM loader %s too short for its vector table\n", path.c_str());
        return false;
    }
    image.msp = WordAt(image.data, 0);
    image.entry = WordAt(image.data, 4);
    image.base = image.entry & ~kPageMask;
    if (!FitsInRam(ranges, image)) {
        PrintLog(false, "X RAM loader %s: entry 0x%08x loads %zu bytes at 0x%08x, outside RAM\n", path.c_str(),
                 image.entry, image.data.size(), image.base);
        return false;
    }
    return true;
}

bool DownLoadFileRam(DebugPort& port, const std::string& path, RamImage& image) {
    if (!ReadRamImage(port.form(), path, image)) return false;
    const int attempts = port.IsShort() ? 2 : 1;
    for (size_t offset = 0; offset < image.data.size(); offset += kRamPieceSize) {
        const size_t n = std::min(kRamPieceSize, image.data.size() - offset);
        const uint32_t address = image.base + uint32_t(offset);
        bool written = false;
        for (int attempt = 0; attempt < attempts && !written; ++attempt)
            written = port.DebugWriteMem(address, image.data.data() + offset, n);
        if (!written) return false;
    }
    return true;
}

}  // namespace pirrow

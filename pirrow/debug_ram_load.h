#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "pirrow/debug_port.h"

namespace pirrow {

// Pieces in which the RAM loader image moves (each acknowledged within 1 s).
constexpr size_t kRamPieceSize = 4096;

// A processor address range of RAM that a loader image may occupy.
struct RamRange {
    uint32_t first;
    uint32_t last;
};

// The RAM of each chip family, as its debug port maps it: QM2A has one 1 MiB
// block at 0x20000000; QM2C has the 800 KiB block at 0x20000000 and the
// blocks at 0x20800000 (4 MiB) and 0x20C00000 (128 KiB).
std::vector<RamRange> LoaderRamRanges(DebugFrameForm form);

// What the image's vector table says: word 0 the initial stack pointer,
// word 1 the entry; the image is loaded at the entry's 4 KiB page.
struct RamImage {
    Bytes data;  // zero-padded to whole words
    uint32_t msp = 0;
    uint32_t entry = 0;
    uint32_t base = 0;
};

// Reads and checks the loader image: its vector table must place the whole
// image, and its entry, inside one RAM range. Logs its own error line.
bool ReadRamImage(DebugFrameForm form, const std::string& path, RamImage& image);

// Reads the image and writes it to RAM in 4096-byte pieces. The short form
// retries each piece once. False when the image is unusable or a piece failed.
bool DownLoadFileRam(DebugPort& port, const std::string& path, RamImage& image);

}  // namespace pirrow

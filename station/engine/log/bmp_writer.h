#pragma once
// Screenshots as 24-bit bitmap files: 14-byte file header, 40-byte
// information header, then the rows bottom-up in B,G,R order, each padded
// to a multiple of 4 bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace station {

// A captured window: rows top first, R,G,B bytes per pixel, no padding.
struct Rgb24Image {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;
};

// ((width × 24 + 31) ÷ 32) × 4
size_t BmpRowBytes(int width);
// The whole file; empty when the image is empty or its pixels are short.
std::vector<uint8_t> EncodeBmp24(const Rgb24Image& image);
// Writes the file under a temporary name and renames it when complete, so a
// failure never leaves a truncated bitmap. false on any error.
bool WriteBmp24(const std::string& path, const Rgb24Image& image);

}  // namespace station

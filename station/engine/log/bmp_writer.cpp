#include "station/engine/log/bmp_writer.h"

#include <unistd.h>

#include <cstdio>

namespace station {
namespace {

constexpr uint32_t kHeaderBytes = 14 + 40;

void Put16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t v) {
    Put16(out, uint16_t(v));
    Put16(out, uint16_t(v >> 16));
}

}  // namespace

size_t BmpRowBytes(int width) { return ((size_t(width) * 24 + 31) / 32) * 4; }

std::vector<uint8_t> EncodeBmp24(const Rgb24Image& image) {
    if (image.width <= 0 || image.height <= 0) return {};
    const size_t w = size_t(image.width), h = size_t(image.height);
    if (image.rgb.size() < w * h * 3) return {};
    const size_t rowBytes = BmpRowBytes(image.width);
    const size_t pixelBytes = rowBytes * h;
    if (pixelBytes > UINT32_MAX - kHeaderBytes) return {};

    std::vector<uint8_t> out;
    out.reserve(kHeaderBytes + pixelBytes);
    out.push_back('B');
    out.push_back('M');
    Put32(out, uint32_t(pixelBytes + kHeaderBytes));  // file size
    Put32(out, 0);                                    // two reserved words
    Put32(out, kHeaderBytes);                         // pixel offset
    Put32(out, 40);                                   // information header size
    Put32(out, uint32_t(image.width));
    Put32(out, uint32_t(image.height));  // positive: bottom-up rows
    Put16(out, 1);                       // planes
    Put16(out, 24);                      // bits per pixel
    for (int i = 0; i < 6; ++i) Put32(out, 0);  // no compression, sizes and palette 0

    for (size_t row = h; row-- > 0;) {
        const uint8_t* src = image.rgb.data() + row * w * 3;
        for (size_t x = 0; x < w; ++x, src += 3) {
            out.push_back(src[2]);
            out.push_back(src[1]);
            out.push_back(src[0]);
        }
        out.resize(out.size() + (rowBytes - w * 3), 0);
    }
    return out;
}

bool WriteBmp24(const std::string& path, const Rgb24Image& image) {
    const std::vector<uint8_t> bytes = EncodeBmp24(image);
    if (bytes.empty()) return false;
    const std::string temp = path + ".tmp" + std::to_string(getpid());
    FILE* file = std::fopen(temp.c_str(), "wb");
    if (!file) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    ok = (std::fclose(file) == 0) && ok;
    if (ok) ok = std::rename(temp.c_str(), path.c_str()) == 0;
    if (!ok) std::remove(temp.c_str());
    return ok;
}

}  // namespace station

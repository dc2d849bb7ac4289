#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/image_crc.h"

namespace {

// Bit-by-bit reference of the register-start-0, no-final-inversion CRC.
uint32_t ReferenceCrc(const uint8_t* p, size_t n) {
    uint32_t crc = 0;
    for (size_t i = 0; i < n; ++i) {
        crc ^= p[i];
        for (int b = 0; b < 8; ++b) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return crc;
}

TEST(ImageCrc, KnownValues) {
    const std::string abc = "abc";
    EXPECT_EQ(common::ImageCrc(reinterpret_cast<const uint8_t*>(abc.data()), abc.size()), 0xCA6598D0u);
    EXPECT_EQ(common::ImageCrc(nullptr, 0), 0u);
}

TEST(ImageCrc, MatchesReferenceAndContinuesAcrossPieces) {
    std::vector<uint8_t> data(5000);
    for (size_t i = 0; i < data.size(); ++i) data[i] = uint8_t(i * 131 + 7);
    uint32_t whole = common::ImageCrc(data.data(), data.size());
    EXPECT_EQ(whole, ReferenceCrc(data.data(), data.size()));
    uint32_t first = common::ImageCrc(data.data(), 1234);
    EXPECT_EQ(common::ImageCrc(data.data() + 1234, data.size() - 1234, first), whole);
}

}  // namespace

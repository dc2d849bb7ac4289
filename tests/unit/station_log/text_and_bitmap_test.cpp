#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "station/engine/log/bmp_writer.h"
#include "station/engine/log/text_convert.h"
#include "unit/common/test_files.h"

namespace {

uint32_t Word(const std::string& bytes, size_t at) {
    uint32_t v;
    std::memcpy(&v, bytes.data() + at, 4);
    return v;
}
uint16_t Half(const std::string& bytes, size_t at) {
    uint16_t v;
    std::memcpy(&v, bytes.data() + at, 2);
    return v;
}

TEST(Screenshot, A301PixelWideImageHas904ByteRowsBottomUp) {
    common_test::TempDir dir;
    station::Rgb24Image image;
    image.width = 301;
    image.height = 2;
    image.rgb.assign(301 * 2 * 3, 0);
    image.rgb[0] = 0x11, image.rgb[1] = 0x22, image.rgb[2] = 0x33;  // top-left pixel R,G,B
    image.rgb[301 * 3] = 0x44;                                      // bottom-left red
    ASSERT_TRUE(station::WriteBmp24(dir.Path("shot.bmp"), image));
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"shot.bmp"});  // no temporary file left

    const std::string bmp = dir.Read("shot.bmp");
    ASSERT_EQ(bmp.size(), 54u + 2 * 904);
    EXPECT_EQ(bmp.substr(0, 2), "BM");
    EXPECT_EQ(Word(bmp, 2), 54u + 2 * 904);
    EXPECT_EQ(Word(bmp, 6), 0u);
    EXPECT_EQ(Word(bmp, 10), 54u);
    EXPECT_EQ(Word(bmp, 14), 40u);
    EXPECT_EQ(Word(bmp, 18), 301u);
    EXPECT_EQ(Word(bmp, 22), 2u);
    EXPECT_EQ(Half(bmp, 26), 1u);
    EXPECT_EQ(Half(bmp, 28), 24u);
    EXPECT_EQ(bmp.substr(30, 24), std::string(24, '\0'));
    // The bottom row comes first, pixels as B,G,R, the row padded with zeros.
    EXPECT_EQ(bmp.substr(54, 3), std::string("\0\0\x44", 3));
    EXPECT_EQ(bmp.substr(54 + 903, 1), std::string(1, '\0'));
    EXPECT_EQ(bmp.substr(54 + 904, 3), "\x33\x22\x11");

    EXPECT_EQ(station::BmpRowBytes(1), 4u);
    EXPECT_EQ(station::BmpRowBytes(4), 12u);
    image.rgb.pop_back();  // short pixel data: nothing written
    EXPECT_FALSE(station::WriteBmp24(dir.Path("short.bmp"), image));
    EXPECT_FALSE(dir.Exists("short.bmp"));
}

TEST(TextConvert, FailedConversionsGiveEmptyText) {
    EXPECT_EQ(station::ToNarrow(u"通道 3 😀"), "通道 3 😀");
    EXPECT_EQ(station::ToWide("通道 3 😀"), u"通道 3 😀");
    EXPECT_EQ(station::ToNarrow(static_cast<const char16_t*>(nullptr)), "");
    EXPECT_EQ(station::ToWide(static_cast<const char*>(nullptr)), u"");
    EXPECT_EQ(station::ToNarrow(std::u16string(1, char16_t(0xD800)) + u"a"), "");  // lone surrogate
    EXPECT_EQ(station::ToWide("ab\xC0\x80"), u"");                                // overlong form
    EXPECT_EQ(station::ToWide("ab\xE4\xB8"), u"");                                // cut sequence

    EXPECT_EQ(station::WideLength("a通😀"), 4u);
    EXPECT_EQ(station::CutText("a通😀b", 3), "a通");  // the surrogate pair does not fit
    EXPECT_EQ(station::CutText("a通😀b", 4), "a通😀");
}

}  // namespace

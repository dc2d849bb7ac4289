#include <gtest/gtest.h>

#include "common/parse_number.h"

namespace {

using common::ParseNumber;

TEST(ParseNumber, HexadecimalWhenTheTextHoldsZeroX) {
    EXPECT_EQ(ParseNumber("0x1ff"), 511u);
    EXPECT_EQ(ParseNumber("0x1FF"), 511u);
    EXPECT_EQ(ParseNumber("0x 1000"), 0x1000u);  // the blank is skipped
    EXPECT_EQ(ParseNumber("0xFFFFFFFF"), 0xFFFFFFFFu);
    EXPECT_EQ(ParseNumber("0x123456789"), 0x23456789u);  // wraps at 32 bits
    EXPECT_EQ(ParseNumber("12 0x10"), 0x10u);             // the "x" ends the scan
    EXPECT_EQ(ParseNumber("0x10\r\n"), 0u);               // line ends are no blanks here
    EXPECT_EQ(ParseNumber("0x"), 0u);
}

TEST(ParseNumber, DecimalOtherwiseWithoutSign) {
    EXPECT_EQ(ParseNumber("511"), 511u);
    EXPECT_EQ(ParseNumber("1000000\r\n"), 1000000u);
    EXPECT_EQ(ParseNumber("-5"), 5u);
    EXPECT_EQ(int32_t(ParseNumber("-2147483648")), INT32_MIN);
    EXPECT_EQ(ParseNumber("4294967297"), 1u);
    EXPECT_EQ(ParseNumber("1ff"), 0u);  // hex digits without "0x" end the scan at once
    EXPECT_EQ(ParseNumber("12a"), 0u);
    EXPECT_EQ(ParseNumber("a12"), 12u);
    EXPECT_EQ(ParseNumber(""), 0u);
}

}  // namespace

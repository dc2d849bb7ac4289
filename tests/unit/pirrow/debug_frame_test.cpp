#include <gtest/gtest.h>

#include "pirrow/debug_frame.h"

namespace {

using pirrow::Bytes;
using pirrow::DebugFrameForm;

constexpr DebugFrameForm kShort = DebugFrameForm::Short;
constexpr DebugFrameForm kLong = DebugFrameForm::Long;

Bytes Cat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const Bytes kTag = {'A', 'T', 'Q', 'M', 'X', 'F'};

TEST(DebugFrame, EnterAndLeaveAreTheDocumentedConstantFrames) {
    const Bytes shortHead = {0x7E, 0x79, 0x08, 0x00, 0x10, 0x00};
    const Bytes longHead = {0x7E, 0x79, 0x00, 0x08, 0, 0, 0, 0, 0x10, 0, 0, 0};
    EXPECT_EQ(pirrow::EnterDebugFrame(kShort), Cat(Cat(shortHead, kTag), {0x05, 0x21}));
    EXPECT_EQ(pirrow::LeaveDebugFrame(kShort), Cat(Cat(shortHead, kTag), {0x18, 0x21}));
    EXPECT_EQ(pirrow::EnterDebugFrame(kLong), Cat(Cat(longHead, kTag), {0x05, 0x21}));
    EXPECT_EQ(pirrow::LeaveDebugFrame(kLong), Cat(Cat(longHead, kTag), {0x18, 0x21}));
    EXPECT_EQ(pirrow::EnterDebugFrame(kShort).size(), 14u);
    EXPECT_EQ(pirrow::EnterDebugFrame(kLong).size(), 20u);
}

TEST(DebugFrame, ReadFrameCarriesAddressAndCountInTheFormsByteOrder) {
    EXPECT_EQ(pirrow::ReadWordFrame(kShort, 0xF000EDF0),
              (Bytes{0x7E, 0x79, 0x08, 0x00, 0x10, 0x00, 0x40, 0x72, 0xF0, 0xED, 0x00, 0xF0, 0x01, 0x00}));
    EXPECT_EQ(pirrow::ReadWordFrame(kLong, 0x2A004000),
              (Bytes{0x7E, 0x79, 0x00, 0x08, 0, 0, 0, 0, 0x10, 0, 0, 0, 0x40, 0x72, 0x2A, 0x00, 0x40, 0x00, 0x00, 0x01}));
}

TEST(DebugFrame, WriteHeaderCountsWordsAndLengthIncludesTheData) {
    // 8 data bytes: payload length 16, word count 2.
    EXPECT_EQ(pirrow::WriteWordsHeader(kShort, 0x20004000, 8),
              (Bytes{0x7E, 0x79, 0x10, 0x00, 0x10, 0x00, 0x40, 0x77, 0x00, 0x40, 0x00, 0x20, 0x02, 0x00}));
    // A 4096-byte piece: payload length 4104 = 0x1008, 1024 words.
    EXPECT_EQ(pirrow::WriteWordsHeader(kLong, 0x2A004000, 4096),
              (Bytes{0x7E, 0x79, 0x10, 0x08, 0, 0, 0, 0, 0x10, 0, 0, 0, 0x40, 0x77, 0x2A, 0x00, 0x40, 0x00, 0x04, 0x00}));
}

TEST(DebugFrame, WriteDataIsPaddedWithZeroAndTurnedBigEndianInTheLongForm) {
    const uint8_t data[] = {1, 2, 3, 4, 5, 6};
    EXPECT_EQ(pirrow::WriteWordsData(kShort, data, 6), (Bytes{1, 2, 3, 4, 5, 6, 0, 0}));
    EXPECT_EQ(pirrow::WriteWordsData(kLong, data, 6), (Bytes{4, 3, 2, 1, 0, 0, 6, 5}));
}

TEST(DebugFrame, RepliesAndReadWordInBothByteOrders) {
    EXPECT_EQ(pirrow::ShortReply(kShort, 0xD1), (Bytes{0x7E, 0x79, 0x02, 0x00, 0x10, 0x00, 0xD1, 0x06}));
    EXPECT_EQ(pirrow::ShortReply(kLong, 0xD3), (Bytes{0x7E, 0x79, 0x00, 0x02, 0, 0, 0, 0, 0x10, 0, 0, 0, 0xD3, 0x06}));
    EXPECT_EQ(pirrow::ReadReplyHead(kShort), (Bytes{0x7E, 0x79, 0x06, 0x00, 0x10, 0x00, 0xD2}));
    EXPECT_EQ(pirrow::ReadReplyHead(kLong), (Bytes{0x7E, 0x79, 0x00, 0x06, 0, 0, 0, 0, 0x10, 0, 0, 0, 0xD2}));
    const uint8_t word[] = {0x12, 0x34, 0x56, 0x78};
    EXPECT_EQ(pirrow::ReadReplyWord(kShort, word), 0x78563412u);
    EXPECT_EQ(pirrow::ReadReplyWord(kLong, word), 0x12345678u);
}

struct MapRow {
    DebugFrameForm form;
    uint32_t address;
    bool secondCore;
    uint32_t bus;
};

TEST(DebugFrame, AddressMapRowByRowWithBoundaries) {
    const MapRow rows[] = {
        // short form
        {kShort, 0xE000EDF0, false, 0xF000EDF0},
        {kShort, 0xEFFFFFFF, false, 0xFFFFFFFF},
        {kShort, 0x00000000, false, 0xA0000000},
        {kShort, 0x0000FFFF, false, 0xA000FFFF},
        {kShort, 0x00010000, false, 0x00010000},  // just past the ROM window: unchanged
        {kShort, 0x10000000, false, 0x60000000},
        {kShort, 0x1234ABCD, false, 0x6234ABCD},
        {kShort, 0x1FFFFFFF, false, 0x6FFFFFFF},
        {kShort, 0x20004000, false, 0x20004000},
        {kShort, 0xF000ED0C, false, 0xF000ED0C},
        {kShort, 0xE000EDF0, true, 0xF000EDF0},  // no second core in the short form
        // long form
        {kLong, 0xE000EDF0, false, 0xF000EDF0},
        {kLong, 0xE000EDF0, true, 0x3000EDF0},
        {kLong, 0x00400000, false, 0x20400000},
        {kLong, 0x0041FFFF, false, 0x2041FFFF},
        {kLong, 0x00420000, false, 0x00420000},
        {kLong, 0x20C00000, false, 0x20400000},
        {kLong, 0x20C1FFFF, false, 0x2041FFFF},
        {kLong, 0x20000000, false, 0x2A000000},
        {kLong, 0x20004000, false, 0x2A004000},
        {kLong, 0x200C7FFF, false, 0x2A0C7FFF},
        {kLong, 0x200C8000, false, 0x200C8000},
        {kLong, 0x20800000, false, 0x00000000},
        {kLong, 0x20BFFFFF, false, 0x003FFFFF},
        {kLong, 0x10000000, false, 0x60000000},
        {kLong, 0x1FFFFFFF, false, 0x6FFFFFFF},
        {kLong, 0x40040028, false, 0x40040028},
        {kLong, 0xF000EDF0, true, 0xF000EDF0},  // already a bus address
    };
    for (const MapRow& r : rows) {
        EXPECT_EQ(pirrow::DebugBusAddress(r.form, r.address, r.secondCore), r.bus)
            << (r.form == kShort ? "short " : "long ") << std::hex << r.address;
    }
}

}  // namespace

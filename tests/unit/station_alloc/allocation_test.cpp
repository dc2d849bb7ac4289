#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>
#include <vector>

#include "alloc_fixture.h"
#include "common/ini_profile.h"
#include "station/engine/state/channel_state.h"

namespace {

using alloc_test::AllocFixture;

std::vector<uint8_t> Bytes(std::initializer_list<int> head, const std::string& tail = "") {
    std::vector<uint8_t> out;
    for (int b : head) out.push_back(uint8_t(b));
    out.insert(out.end(), tail.begin(), tail.end());
    return out;
}

void Append(std::vector<uint8_t>& out, const std::vector<uint8_t>& more) { out.insert(out.end(), more.begin(), more.end()); }

using Allocation = AllocFixture;

TEST_F(Allocation, BurnGetsItsNumbersInAnExactFactoryDataFileAndItsOwnBurnList) {
    UseRangeAndSerials();
    Set("BLE_SET", "UP_VALUE", "2");
    Set("BLE_SET", "NAME_FLAG", "1");
    Set("BLE_SET", "BLE_NAME", "Norva-BLE");
    Set("BLE_SET", "BT_NAME_FLAG", "1");
    Set("BLE_SET", "BT_NAME", "Norva-BT");
    Set("ALPAY_SET", "ENABLE_FLAG", "1");
    Set("ALPAY_SET", "PK", "pk1");
    Set("ALPAY_SET", "DN", "dn22");
    Set("ALPAY_SET", "DS", "ds333");
    ASSERT_EQ(Allocator().BuildFactoryData(3), 1);

    std::vector<uint8_t> expected = Bytes({1, 6, 0x01, 0x00, 0x00, 0xEE, 0xFF, 0xC0});
    Append(expected, Bytes({2, 10}, "NV00000001"));
    Append(expected, Bytes({8, 9}, "Norva-BLE"));
    Append(expected, Bytes({14, 8}, "Norva-BT"));
    Append(expected, Bytes({11, 3}, "pk1"));
    Append(expected, Bytes({12, 4}, "dn22"));
    Append(expected, Bytes({13, 5}, "ds333"));
    expected.push_back(0xFF);
    expected.resize(2048, 0xFF);
    const std::string file = root_.Read("temp/BLE_SN_3.bin");
    EXPECT_EQ(std::vector<uint8_t>(file.begin(), file.end()), expected);

    // Counters advanced, the numbers booked to channel 3 until its device passes.
    EXPECT_EQ(Get("BLE_SET", "CUR_ADDR"), "C0FFEE000003");
    EXPECT_EQ(Get("SN_SET", "CUR_VALUE"), "00000002");
    EXPECT_EQ(Get("MACLOCAL_REUSE", "CHAN_3"), "C0FFEE000001");
    EXPECT_EQ(Get("SNLOCAL_REUSE", "CHAN_3"), "NV00000001");
    EXPECT_EQ(station::StationChannels()[3].macText.Get(), "C0FFEE000001");
    EXPECT_EQ(station::StationChannels()[3].snText.Get(), "00000001");

    // The channel's list is the station list with entry 0 on its own file.
    const std::string list = root_.Path("temp/ImgBurnList_3.txt");
    EXPECT_EQ(common::IniReadString(list, "FILEINFO", "FILE0"), root_.Path("temp/BLE_SN_3.bin"));
    EXPECT_EQ(common::IniReadString(list, "FILEINFO", "ADDR0"), "0x1000e000");
    EXPECT_EQ(common::IniReadString(list, "FILEINFO", "FILE1"), "/images/app.bin");

    Allocator().Finish(3, 1);
    EXPECT_EQ(Get("MACLOCAL_REUSE", "CHAN_3"), "");
    EXPECT_EQ(Get("SNLOCAL_REUSE", "CHAN_3"), "");
}

TEST_F(Allocation, FailedDevicesNumbersGoToTheSameChannelsNextDeviceOnly) {
    UseRangeAndSerials();
    auto& alloc = Allocator();
    ASSERT_EQ(alloc.BuildFactoryData(1), 1);
    alloc.Finish(1, 0);
    ASSERT_EQ(alloc.BuildFactoryData(2), 1);  // another channel meanwhile gets fresh numbers
    EXPECT_EQ(alloc.MacText(2), "C0FFEE000002");
    EXPECT_EQ(alloc.SnText(2), "00000002");

    // A restarted station still knows what channel 1 holds.
    allocator_.reset();
    auto& again = Allocator();
    ASSERT_EQ(again.BuildFactoryData(1), 1);
    EXPECT_EQ(again.MacText(1), "C0FFEE000001");
    EXPECT_EQ(again.SnText(1), "00000001");
    const std::string file = root_.Read("temp/BLE_SN_1.bin");
    EXPECT_EQ(file.substr(8, 12), std::string("\x02\x0aNV00000001", 12));
    again.Finish(1, 1);
    again.Finish(1, 1);  // a second confirmation changes nothing

    // The counters moved once per number, not once per build.
    EXPECT_EQ(Get("BLE_SET", "CUR_ADDR"), "C0FFEE000003");
    EXPECT_EQ(Get("SN_SET", "CUR_VALUE"), "00000003");
    ASSERT_EQ(again.BuildFactoryData(1), 1);
    EXPECT_EQ(again.MacText(1), "C0FFEE000003");
    EXPECT_EQ(again.SnText(1), "00000003");
}

TEST_F(Allocation, RangeEndsAndCounterWidths) {
    UseRangeAndSerials();
    auto& alloc = Allocator();
    // A booked MAC equal to the end is still given; a fresh one equal to it is not.
    Set("MACLOCAL_REUSE", "CHAN_1", "C0FFEE0000FF");
    Set("BLE_SET", "CUR_ADDR", "C0FFEE0000FF");
    ASSERT_EQ(alloc.BuildFactoryData(1), 1);
    EXPECT_EQ(alloc.MacText(1), "C0FFEE0000FF");
    EXPECT_EQ(alloc.BuildFactoryData(2), 0);
    EXPECT_NE(LogText().find("[2] BLE cur addr > end addr error\n"), std::string::npos);

    Set("BLE_SET", "CUR_ADDR", "C0FFEE00001");
    EXPECT_EQ(alloc.BuildFactoryData(4), 0);
    EXPECT_NE(LogText().find("[4] BLE cur addr error :C0FFEE00001  len(11 vs 12)\n"), std::string::npos);
    Set("BLE_SET", "CUR_ADDR", "C0FFEE000010");
    Set("BLE_SET", "END_ADDR", "");
    EXPECT_EQ(alloc.BuildFactoryData(4), 0);
    EXPECT_NE(LogText().find("[4] BLE end addr error :\n"), std::string::npos);
    Set("BLE_SET", "END_ADDR", "C0FFEE0000FF");

    // Width 8: 99999998 is the last number given; 99999999 is refused.
    Set("SN_SET", "CUR_VALUE", "99999998");
    ASSERT_EQ(alloc.BuildFactoryData(5), 1);
    EXPECT_EQ(alloc.SnText(5), "99999998");
    EXPECT_EQ(Get("SN_SET", "CUR_VALUE"), "99999999");
    EXPECT_EQ(alloc.BuildFactoryData(6), 0);
    EXPECT_NE(LogText().find("[6] SN cur addr is greate equal to 99999999 error\n"), std::string::npos);
    // A refused build spends nothing, not even the MAC it had found.
    EXPECT_EQ(Get("MACLOCAL_REUSE", "CHAN_6"), "<absent>");
    EXPECT_EQ(Get("BLE_SET", "CUR_ADDR"), "C0FFEE000011");
    for (const char* bad : {"1234567", "123456789", "12a45678"}) {
        Set("SN_SET", "CUR_VALUE", bad);
        EXPECT_EQ(alloc.BuildFactoryData(7), 0) << bad;
        EXPECT_NE(LogText().find(std::string("[7] SN cur value error :") + bad + "\n"), std::string::npos);
    }
    // Width 5 (START_VALUE shorter than 5 counts as 5): 99998 is the last.
    Set("SN_SET", "START_VALUE", "001");
    Set("SN_SET", "CUR_VALUE", "99999");
    EXPECT_EQ(alloc.BuildFactoryData(8), 0);

    EXPECT_EQ(Messages(), (std::vector<std::string>{"x BLE cur addr > end addr error!",
                                                    "x SN cur addr is greate equal to 99999999 error",
                                                    "x SN cur addr is greate equal to 99999999 error"}));
}

TEST_F(Allocation, RefusedBuildsSpendNoNumberAndBadIncrementsCannotRepeatOne) {
    UseRangeAndSerials();
    Set("BLE_SET", "UP_VALUE", "0");
    Set("SN_SET", "UP_VALUE", "-3");
    auto& alloc = Allocator();
    ASSERT_EQ(alloc.BuildFactoryData(1), 1);
    alloc.Finish(1, 1);
    ASSERT_EQ(alloc.BuildFactoryData(1), 1);
    EXPECT_EQ(alloc.MacText(1), "C0FFEE000002");
    EXPECT_EQ(alloc.SnText(1), "00000002");
    alloc.Finish(1, 1);

    // A payment key the device cannot take fails the build before a number is spent.
    Set("ALPAY_SET", "ENABLE_FLAG", "1");
    Set("ALPAY_SET", "PK", std::string(251, 'k'));
    EXPECT_EQ(alloc.BuildFactoryData(1), 0);
    EXPECT_EQ(Get("BLE_SET", "CUR_ADDR"), "C0FFEE000003");
    EXPECT_EQ(Get("MACLOCAL_REUSE", "CHAN_1"), "");
    Set("ALPAY_SET", "PK", std::string(250, 'k'));
    EXPECT_EQ(alloc.BuildFactoryData(1), 1);

    // A list made while factory data was off has an image in entry 0: the
    // factory data must not replace it, and nothing is spent.
    const std::string withoutEntry = "[FILEINFO]\nFILE0=/images/app.bin\nADDR0=0x10020000\nNUM=1\n";
    for (const std::string& list : {withoutEntry, std::string("[FILEINFO]\nFILE0=ble.bin\nADDR0=0x10020000\n")}) {
        root_.Write("temp/ImgBurnList.txt", list);
        EXPECT_EQ(alloc.BuildFactoryData(2), 0) << list;
        EXPECT_EQ(Get("BLE_SET", "CUR_ADDR"), "C0FFEE000004");
        EXPECT_EQ(Get("MACLOCAL_REUSE", "CHAN_2"), "<absent>");
        EXPECT_EQ(alloc.MacText(2), "");
    }
    EXPECT_NE(LogText().find("[2] 下载列表与MAC/SN烧录设置不一致，请重新生成下载列表! (FILE0=/images/app.bin "
                             "ADDR0=0x10020000)\n"),
              std::string::npos);
    root_.Write("temp/ImgBurnList.txt", "[FILEINFO]\nFILE0=ble.bin\nADDR0=0x1000E000\n");
    EXPECT_EQ(alloc.BuildFactoryData(2), 1);
    alloc.Finish(2, 1);

    // Without a station burn list (or a writable temp directory) nothing is spent.
    std::remove(root_.Path("temp/ImgBurnList.txt").c_str());
    EXPECT_EQ(alloc.BuildFactoryData(2), 0);
    EXPECT_EQ(Get("BLE_SET", "CUR_ADDR"), "C0FFEE000005");
}

TEST_F(Allocation, WithoutSelectionTheChannelListIsAPlainCopy) {
    ASSERT_EQ(Allocator().BuildFactoryData(9), 1);
    EXPECT_EQ(root_.Read("temp/ImgBurnList_9.txt"), alloc_test::kStationList);
    EXPECT_FALSE(root_.Exists("temp/BLE_SN_9.bin"));
    EXPECT_NE(LogText().find("[9] no factory data sel\n"), std::string::npos);
}

TEST_F(Allocation, RandomMacsKeepTheMaskAndDrawTheRest) {
    Set("BLE_SET", "ENABLE_FLAG", "1");
    Set("BLE_SET", "RANDOM_FLAG", "1");
    Set("BLE_SET", "MASK_ADDR", "a1B2");
    auto& alloc = Allocator();
    ASSERT_EQ(alloc.BuildFactoryData(1), 1);
    ASSERT_EQ(alloc.BuildFactoryData(2), 1);
    const std::string first = alloc.MacText(1), second = alloc.MacText(2);
    EXPECT_EQ(first.substr(0, 4), "A1B2");
    EXPECT_EQ(second.substr(0, 4), "A1B2");
    EXPECT_NE(first, second);  // 2^-32 chance of a false failure
    EXPECT_EQ(Get("MACLOCAL_REUSE", "CHAN_1"), "<absent>");
    Set("BLE_SET", "MASK_ADDR", "XYZ");
    EXPECT_EQ(alloc.BuildFactoryData(1), 0);
    EXPECT_NE(LogText().find("[1] BLE mask addr error :XYZ\n"), std::string::npos);
}

}  // namespace

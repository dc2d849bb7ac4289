// The tools' console output as the station reads it: lines cut from the pipe
// and the events they carry; and the status contract.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/exit_status.h"
#include "station/engine/runner/tool_output.h"

namespace station {
namespace {

using Kind = ToolEvent::Kind;
using Lines = std::vector<std::string>;

std::vector<int> Percents(const std::string& line) {
    std::vector<int> values;
    for (const auto& e : ParseToolLine(line, RunnerKind::Plain))
        if (e.kind == Kind::Percent) values.push_back(e.value);
    return values;
}

TEST(ToolOutput, PercentLines) {
    EXPECT_EQ(Percents("percent:0x32"), std::vector<int>{50});
    EXPECT_EQ(Percents("percent:75"), std::vector<int>{75});
    EXPECT_EQ(Percents("percent:1 "), std::vector<int>{1});     // as the tools print it
    EXPECT_EQ(Percents("x percent:40\r"), std::vector<int>{40});  // key anywhere, CR skipped for decimals
    EXPECT_TRUE(Percents("percent:150").empty());
    EXPECT_TRUE(Percents("percent:0x32\r").empty());  // hexadecimal stops at the CR: 0
    EXPECT_TRUE(Percents("progress 50").empty());
}

TEST(ToolOutput, LinesOfEachRunner) {
    auto one = [](const std::string& line, RunnerKind kind) {
        auto events = ParseToolLine(line, kind);
        EXPECT_EQ(events.size(), 1u) << line;
        return events.empty() ? ToolEvent{Kind::Percent, 0, ToolInfoSlot::BtName, {}} : events.front();
    };
    struct SlotCase {
        const char* line;
        ToolInfoSlot slot;
        const char* text;
    };
    for (const SlotCase& c : {SlotCase{"bt_name:norva_bt", ToolInfoSlot::BtName, "norva_bt"},
                              SlotCase{"bt_version:v1.0\r", ToolInfoSlot::BtVersion, "v1.0"},
                              SlotCase{"wifi_version:w2", ToolInfoSlot::WifiVersion, "w2"},
                              SlotCase{"sw_name:app", ToolInfoSlot::SwName, "app"},
                              SlotCase{"sw_version:9.9", ToolInfoSlot::SwVersion, "9.9"}}) {
        ToolEvent e = one(c.line, RunnerKind::Pcba);
        EXPECT_EQ(e.kind, Kind::Info);
        EXPECT_EQ(e.slot, c.slot);
        EXPECT_EQ(e.text, c.text);
        EXPECT_TRUE(ParseToolLine(c.line, RunnerKind::Plain).empty());  // only the PCBA runner keeps them
    }
    EXPECT_EQ(one("wechat_model_err: 2734510 vs 1", RunnerKind::Pcba).kind, Kind::WechatModelError);
    EXPECT_EQ(one("wechat_old", RunnerKind::Pcba).kind, Kind::WechatOld);
    ToolEvent third = one("thirdfunc:-3", RunnerKind::Pcba);
    EXPECT_EQ(third.kind, Kind::ThirdFunc);
    EXPECT_EQ(third.value, -3);

    ToolEvent info = one("info:gnss v2", RunnerKind::Gps);
    EXPECT_EQ(info.slot, ToolInfoSlot::GpsInfo);
    EXPECT_EQ(info.text, "gnss v2");
    EXPECT_EQ(one("info:x percent:20", RunnerKind::Gps).kind, Kind::Percent);  // a progress line is no label
    EXPECT_TRUE(ParseToolLine("info:x", RunnerKind::Pcba).empty());

    for (RunnerKind kind : {RunnerKind::Plain, RunnerKind::Pcba, RunnerKind::Gps}) {
        ToolEvent code = one("exitcode:0x200", kind);
        EXPECT_EQ(code.kind, Kind::ExitCode);
        EXPECT_EQ(code.value, 0x200);
    }
}

TEST(ToolOutput, ReaderCutsLinesAcrossReads) {
    ToolOutputReader reader;
    EXPECT_EQ(reader.Feed("percent:1 \nperc"), Lines{"percent:1 "});
    EXPECT_EQ(reader.Room(), 499u - 4u);
    EXPECT_EQ(reader.Feed("ent:2"), Lines{});  // parsed once, when its "\n" arrives
    EXPECT_EQ(reader.Feed(" \n\n\nA\r\nB"), (Lines{"percent:2 ", "A\r"}));
    EXPECT_EQ(reader.Finish(), Lines{"B"});
    EXPECT_EQ(reader.Finish(), Lines{});
}

TEST(ToolOutput, LongLinesAreHandedOnAt499Bytes) {
    ToolOutputReader reader;
    const std::string chunk(4096, 'x');  // a tool printing without newlines
    size_t lines = 0;
    for (int i = 0; i < 2500; ++i) {  // 10 MB in reads as large as the reader allows
        const size_t room = reader.Room();
        ASSERT_GT(room, 0u);
        ASSERT_LE(room, 499u);
        for (const auto& line : reader.Feed(std::string_view(chunk).substr(0, room))) {
            EXPECT_EQ(line.size(), 499u);
            ++lines;
        }
    }
    EXPECT_EQ(lines, 2500u);
    // A line ending just past the limit arrives as 499 bytes and its tail.
    EXPECT_EQ(reader.Feed(std::string(499, 'y')).size(), 1u);
    EXPECT_EQ(reader.Feed("percent:7\n"), Lines{"percent:7"});
}

TEST(ToolStatus, ContractOfTheTools) {
    EXPECT_EQ(common::DecodeToolStatus(0, std::nullopt), 0);
    EXPECT_EQ(common::DecodeToolStatus(0, 0x200u), 0);            // process status 0 passes whatever was printed
    EXPECT_EQ(common::DecodeToolStatus(255, 0x200u), 0x200);      // low byte 0: the line carries the mask
    EXPECT_EQ(common::DecodeToolStatus(1, 0x201u), 0x201);
    EXPECT_EQ(common::DecodeToolStatus(1, std::nullopt), -1);
    EXPECT_EQ(common::DecodeToolStatus(255, std::nullopt), -1);
    EXPECT_EQ(common::DecodeToolStatus(-1, std::nullopt), -1);    // ended by a signal
    EXPECT_EQ(common::DecodeToolStatus(3, 0u), -1);               // a zero line never turns a failure into a pass
    EXPECT_EQ(common::ExitCodeLineValue("exitcode:0x3ff"), 0x3ffu);
    EXPECT_FALSE(common::ExitCodeLineValue("percent:3"));
}

}  // namespace
}  // namespace station

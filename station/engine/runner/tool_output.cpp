#include "station/engine/runner/tool_output.h"

#include <cstdlib>

#include "common/exit_status.h"
#include "common/parse_number.h"

namespace station {
namespace {

// Text after `key`, or nothing when the line lacks the key. The line's "\r"
// ends the text.
bool TextAfter(std::string_view line, std::string_view key, std::string_view& rest) {
    const size_t at = line.find(key);
    if (at == std::string_view::npos) return false;
    rest = line.substr(at + key.size());
    if (!rest.empty() && rest.back() == '\r') rest.remove_suffix(1);
    return true;
}

struct SlotKey {
    std::string_view key;
    ToolInfoSlot slot;
};
constexpr SlotKey kPcbaSlots[] = {
    {"bt_name:", ToolInfoSlot::BtName},       {"bt_version:", ToolInfoSlot::BtVersion},
    {"wifi_version:", ToolInfoSlot::WifiVersion}, {"sw_name:", ToolInfoSlot::SwName},
    {"sw_version:", ToolInfoSlot::SwVersion},
};

ToolEvent Event(ToolEvent::Kind kind, int32_t value = 0, std::string text = {}) {
    return {kind, value, ToolInfoSlot::BtName, std::move(text)};
}

ToolEvent Info(ToolInfoSlot slot, std::string_view text) {
    return {ToolEvent::Kind::Info, 0, slot, std::string(text)};
}

}  // namespace

std::vector<ToolEvent> ParseToolLine(std::string_view line, RunnerKind kind) {
    std::vector<ToolEvent> events;
    constexpr std::string_view kPercent = "percent:";
    const size_t percentAt = line.find(kPercent);
    if (percentAt != std::string_view::npos) {
        // The trailing number, hexadecimal when "0x" follows the key; a
        // trailing "\r" after hexadecimal digits reads as 0 and is dropped.
        const uint32_t value = common::ParseNumber(line.substr(percentAt + kPercent.size()));
        if (value >= 1 && value <= 100) events.push_back(Event(ToolEvent::Kind::Percent, int32_t(value)));
    }
    std::string_view rest;
    if (kind == RunnerKind::Gps && percentAt == std::string_view::npos && TextAfter(line, "info:", rest)) {
        events.push_back(Info(ToolInfoSlot::GpsInfo, rest));
    }
    if (kind == RunnerKind::Pcba) {
        for (const auto& [key, slot] : kPcbaSlots)
            if (TextAfter(line, key, rest))
                events.push_back(Info(slot, rest));
        if (line.find("wechat_model_err:") != std::string_view::npos)
            events.push_back(Event(ToolEvent::Kind::WechatModelError));
        // The tools print "wechat_old" without a colon; both spellings count.
        if (line.find("wechat_old") != std::string_view::npos) events.push_back(Event(ToolEvent::Kind::WechatOld));
        if (TextAfter(line, "thirdfunc:", rest))
            events.push_back(Event(ToolEvent::Kind::ThirdFunc, int32_t(std::strtol(std::string(rest).c_str(), nullptr, 10)),
                                   std::string(line)));
    }
    if (auto code = common::ExitCodeLineValue(line)) events.push_back(Event(ToolEvent::Kind::ExitCode, int32_t(*code)));
    return events;
}

std::vector<std::string> ToolOutputReader::Feed(std::string_view bytes) {
    std::vector<std::string> lines;
    if (bytes.size() > Room()) bytes = bytes.substr(0, Room());
    carry_.append(bytes);
    size_t start = 0;
    for (size_t nl; (nl = carry_.find('\n', start)) != std::string::npos; start = nl + 1)
        if (nl > start) lines.push_back(carry_.substr(start, nl - start));
    carry_.erase(0, start);
    if (carry_.size() >= kMaxHeld) {
        lines.push_back(carry_);
        carry_.clear();
    }
    return lines;
}

std::vector<std::string> ToolOutputReader::Finish() {
    std::vector<std::string> lines;
    if (!carry_.empty()) lines.push_back(carry_);
    carry_.clear();
    return lines;
}

}  // namespace station

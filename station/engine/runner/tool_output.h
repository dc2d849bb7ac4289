#pragma once
// The tools' console output as the station reads it: a byte stream cut into
// lines, and the few kinds of lines the station acts on, as typed events.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace station {

// Which lines a runner acts on (every runner reads "percent:" and the
// status contract's "exitcode:").
enum class RunnerKind {
    Plain,  // download, calibration, erase
    Pcba,   // PCBA test: information slots, payment-module flags, extra-function result
    Gps,    // GNSS load: information label
};

enum class ToolInfoSlot { BtName, BtVersion, WifiVersion, SwName, SwVersion, GpsInfo };

struct ToolEvent {
    enum class Kind {
        Percent,           // value: 0..100 as printed (larger values are dropped by the parser)
        Info,              // slot and text (the channel's cell keeps what fits)
        WechatModelError,  // payment-module model id did not match
        WechatOld,         // payment module carries the old firmware
        ThirdFunc,         // value: the extra-function result; text: the whole line
        ExitCode,          // value: the full 32-bit status the tool hands over
    };
    Kind kind;
    int32_t value = 0;
    ToolInfoSlot slot = ToolInfoSlot::BtName;
    std::string text;
};

// The events of one complete line (without its "\n"). A line is tested
// against every key in turn, so one line may carry several events.
std::vector<ToolEvent> ParseToolLine(std::string_view line, RunnerKind kind);

// Cuts the pipe's bytes into lines. The reader holds at most 499 bytes (a
// 500-byte buffer with its terminating zero): an incomplete line is carried
// over to the next read, and a carry-over that reaches 499 bytes is handed on
// as a line, so a tool printing without newlines never stalls on a full pipe.
class ToolOutputReader {
public:
    static constexpr size_t kBufferBytes = 500;
    static constexpr size_t kMaxHeld = kBufferBytes - 1;

    // How many bytes the next read may take.
    size_t Room() const { return kMaxHeld - carry_.size(); }
    // Takes up to Room() bytes and returns the complete lines they finish.
    // Empty lines vanish; a "\r" stays at the end of its line.
    std::vector<std::string> Feed(std::string_view bytes);
    // At end of output: the last incomplete line, if any.
    std::vector<std::string> Finish();

private:
    std::string carry_;
};

}  // namespace station

#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace station {

// Longest command line a step may start, in characters.
constexpr size_t kMaxCommandChars = 2000;

// A tool's command line, kept two ways at once: the argument vector the tool
// is started with (no shell, so a quoted path is one argument and no value can
// smuggle in an option), and the one-line text of the command templates that
// the main log shows and whose length is limited.
class ToolCommand {
public:
    explicit ToolCommand(std::string program);

    // " value" — one argument, even when empty, so the options after it keep
    // their places.
    ToolCommand& Word(std::string_view value);
    // " \"value\"" — one argument.
    ToolCommand& Quoted(std::string_view value);
    ToolCommand& Option(std::string_view name, std::string_view value) { return Word(name).Word(value); }
    ToolCommand& Option(std::string_view name, long long value);
    ToolCommand& QuotedOption(std::string_view name, std::string_view value) { return Word(name).Quoted(value); }
    // The blank before an optional piece of a template that stays empty.
    ToolCommand& Blank();

    const std::string& Program() const { return argv_.front(); }
    const std::vector<std::string>& Argv() const { return argv_; }
    const std::string& Text() const { return text_; }
    // Length of the text in characters (not bytes: names may be Chinese).
    size_t Length() const;

private:
    std::vector<std::string> argv_;
    std::string text_;
};

}  // namespace station

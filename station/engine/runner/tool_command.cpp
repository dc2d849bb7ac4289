#include "station/engine/runner/tool_command.h"

namespace station {

ToolCommand::ToolCommand(std::string program) : argv_{program}, text_(std::move(program)) {}

ToolCommand& ToolCommand::Word(std::string_view value) {
    argv_.emplace_back(value);
    text_ += ' ';
    text_ += value;
    return *this;
}

ToolCommand& ToolCommand::Quoted(std::string_view value) {
    argv_.emplace_back(value);
    text_ += " \"";
    text_ += value;
    text_ += '"';
    return *this;
}

ToolCommand& ToolCommand::Option(std::string_view name, long long value) {
    return Word(name).Word(std::to_string(value));
}

ToolCommand& ToolCommand::Blank() {
    text_ += ' ';
    return *this;
}

size_t ToolCommand::Length() const {
    size_t chars = 0;
    for (char c : text_)
        if ((uint8_t(c) & 0xC0) != 0x80) ++chars;
    return chars;
}

}  // namespace station

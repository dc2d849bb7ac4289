#pragma once
#include <cstdio>
#include <string>

namespace common {

// Reads a text file in lines of at most `maxChars` characters, as the tools
// always have: a longer line arrives as several pieces. Each piece keeps its
// "\n"; a "\r\n" ending reads as "\n", as text mode gives it.
class LineReader {
public:
    LineReader(const std::string& path, size_t maxChars);
    ~LineReader();
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    bool IsOpen() const { return file_ != nullptr; }
    // The next piece; false at the end of the file.
    bool Next(std::string& piece);

private:
    FILE* file_ = nullptr;
    size_t maxChars_;
};

}  // namespace common

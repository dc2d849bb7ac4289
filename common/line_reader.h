#pragma once
#include <cstdio>
#include <string>
#include <string_view>

namespace common {

// Reads a text in lines of at most `maxChars` characters, as the tools always
// have: a longer line arrives as several pieces. Each piece keeps its "\n"; a
// "\r\n" ending reads as "\n", as text mode gives it. The text is a file, or
// one held in memory (which must outlive the reader).
struct TextInMemory {
    std::string_view text;
};

class LineReader {
public:
    LineReader(const std::string& path, size_t maxChars);
    LineReader(TextInMemory source, size_t maxChars);
    ~LineReader();
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    bool IsOpen() const { return file_ != nullptr || inMemory_; }
    // The next piece; false at the end of the text.
    bool Next(std::string& piece);

private:
    int Get();
    void Unget(int c);

    FILE* file_ = nullptr;
    std::string_view text_;
    size_t pos_ = 0;
    bool inMemory_ = false;
    size_t maxChars_;
};

}  // namespace common

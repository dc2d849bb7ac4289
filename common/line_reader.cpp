#include "common/line_reader.h"

namespace common {

LineReader::LineReader(const std::string& path, size_t maxChars)
    : file_(path.empty() ? nullptr : std::fopen(path.c_str(), "rb")), maxChars_(maxChars) {}

LineReader::~LineReader() {
    if (file_) std::fclose(file_);
}

bool LineReader::Next(std::string& piece) {
    piece.clear();
    if (!file_) return false;
    while (piece.size() < maxChars_) {
        int c = std::getc(file_);
        if (c == EOF) break;
        if (c == '\r') {
            int next = std::getc(file_);
            if (next == '\n') c = '\n';
            else if (next != EOF) std::ungetc(next, file_);
        }
        piece.push_back(char(c));
        if (c == '\n') break;
    }
    return !piece.empty();
}

}  // namespace common

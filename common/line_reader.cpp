#include "common/line_reader.h"

#include "platform/regular_file.h"

namespace common {

LineReader::LineReader(const std::string& path, size_t maxChars)
    : file_(platform::OpenRegularFile(path)), maxChars_(maxChars) {}

LineReader::LineReader(TextInMemory source, size_t maxChars)
    : text_(source.text), inMemory_(true), maxChars_(maxChars) {}

LineReader::~LineReader() {
    if (file_) std::fclose(file_);
}

int LineReader::Get() {
    if (file_) return std::getc(file_);
    return pos_ < text_.size() ? static_cast<unsigned char>(text_[pos_++]) : EOF;
}

void LineReader::Unget(int c) {
    if (file_) std::ungetc(c, file_);
    else --pos_;
}

bool LineReader::Next(std::string& piece) {
    piece.clear();
    if (!IsOpen()) return false;
    while (piece.size() < maxChars_) {
        int c = Get();
        if (c == EOF) break;
        if (c == '\r') {
            int next = Get();
            if (next == '\n') c = '\n';
            else if (next != EOF) Unget(next);
        }
        piece.push_back(char(c));
        if (c == '\n') break;
    }
    return !piece.empty();
}

}  // namespace common

#include "station/engine/runner/failure_cause.h"

#include <sys/stat.h>

#include <cctype>
#include <fstream>
#include <vector>

namespace station {
namespace {

// A tool's log line begins "%02d:%02d:%02d:%03d    "; lines of a multi-line
// message that follow the first carry no stamp.
constexpr std::string_view kStampShape = "00:00:00:000    ";

std::string_view WithoutStamp(std::string_view line) {
    if (line.size() < kStampShape.size()) return line;
    for (size_t i = 0; i < kStampShape.size(); ++i) {
        const char c = line[i];
        const bool fits = kStampShape[i] == '0' ? std::isdigit(static_cast<unsigned char>(c)) != 0 : c == kStampShape[i];
        if (!fits) return line;
    }
    return line.substr(kStampShape.size());
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
    return text;
}

}  // namespace

uint64_t ChannelLogSize(const std::string& path) {
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return 0;
    return uint64_t(info.st_size);
}

std::string ChannelLogFrom(const std::string& path, uint64_t offset) {
    if (ChannelLogSize(path) <= offset) return {};
    std::ifstream in(path, std::ios::binary);
    in.seekg(std::streamoff(offset));
    std::string text;
    std::vector<char> chunk(64 * 1024);
    while (in.read(chunk.data(), std::streamsize(chunk.size())) || in.gcount() > 0)
        text.append(chunk.data(), size_t(in.gcount()));
    return text;
}

std::string CauseFromToolLog(std::string_view appended) {
    std::string_view lastX, beforeFinalFail, previous;
    size_t start = 0;
    while (start < appended.size()) {
        size_t end = appended.find('\n', start);
        if (end == std::string_view::npos) end = appended.size();
        const std::string_view line = Trimmed(WithoutStamp(appended.substr(start, end - start)));
        start = end + 1;
        if (line.empty()) continue;
        if (line.substr(0, 2) == "X ") lastX = line;
        if (line.substr(0, 10) == "FINAL_FAIL") beforeFinalFail = previous;
        previous = line;
    }
    return std::string(!lastX.empty() ? lastX : beforeFinalFail);
}

}  // namespace station

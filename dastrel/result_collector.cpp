#include "dastrel/result_collector.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "platform/regular_file.h"

namespace dastrel {
namespace {

namespace fs = std::filesystem;

constexpr const char* kMarker = "first measure: ref_value 4000";
constexpr const char* kValueWord = "cali_value";
// Lines are read in pieces of at most this many characters.
constexpr size_t kLinePiece = 299;

bool MatchesGroup(const std::string& name, int channel) {
    const std::string prefix = "Chan" + std::to_string(channel);
    const std::string suffix = ".txt";
    return name.size() >= prefix.size() + suffix.size() && name.compare(0, prefix.size(), prefix) == 0 &&
           name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// The logs of one channel group, in byte order of their names.
std::vector<std::string> GroupLogs(const std::string& dir, int channel) {
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code typeEc;
        if (it->is_directory(typeEc)) continue;
        std::string name = it->path().filename().string();
        if (MatchesGroup(name, channel)) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Reads the next piece of a line (up to kLinePiece characters, with its line
// end when that fits), as a fixed-size line buffer would. A line end "\r\n"
// counts as "\n".
bool ReadPiece(std::FILE* in, std::string& piece) {
    piece.clear();
    int c;
    while (piece.size() < kLinePiece && (c = std::fgetc(in)) != EOF) {
        piece.push_back(char(c));
        if (c == '\n') break;
    }
    if (piece.size() >= 2 && piece[piece.size() - 2] == '\r' && piece.back() == '\n') {
        piece.erase(piece.size() - 2, 1);
    }
    return !piece.empty();
}

// The result line of one log, or nullopt-like false when it cannot be read.
bool ResultLine(const std::string& dir, const std::string& name, std::string& line) {
    // Only a regular file is read: a pipe or a device of that name would hang the collector.
    std::FILE* in = platform::OpenRegularFile((fs::path(dir) / name).string());
    if (!in) return false;
    line = name;
    std::string piece;
    while (ReadPiece(in, piece)) {
        // A line is text up to its first NUL: what follows is neither searched nor copied.
        piece.resize(std::min(piece.size(), piece.find('\0')));
        if (piece.find(kMarker) == std::string::npos) continue;
        line += "    ";
        line += piece.substr(0, piece.find(kValueWord));
        break;
    }
    std::fclose(in);
    line += '\n';
    return true;
}

}  // namespace

bool CollectCalibrationResults(const std::string& dir) {
    std::FILE* out = std::fopen((fs::path(dir) / kResultFileName).c_str(), "wb");
    if (!out) return false;
    for (int channel = 1; channel <= 9; ++channel) {
        for (const std::string& name : GroupLogs(dir, channel)) {
            std::string line;
            if (ResultLine(dir, name, line)) std::fwrite(line.data(), 1, line.size(), out);
        }
    }
    return std::fclose(out) == 0;
}

}  // namespace dastrel

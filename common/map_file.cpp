#include "common/map_file.h"

#include "common/line_reader.h"
#include "common/parse_number.h"

namespace common {
namespace {

constexpr size_t kMapLineChars = 399;
constexpr size_t kBaseColumnAfterPattern = 3;
constexpr size_t kBaseChars = 10;

}  // namespace

bool ForEachLoadRegionLine(const std::string& mapPath, const std::function<void(const std::string&)>& onRegionLine) {
    LineReader reader(mapPath, kMapLineChars);
    if (!reader.IsOpen()) return false;
    std::string line;
    while (reader.Next(line)) {
        if (line.find("Load Region") != std::string::npos) onRegionLine(line);
    }
    return true;
}

bool MapRegionBase(const std::string& line, const std::string& pattern, uint32_t& address) {
    if (line.find(pattern) == std::string::npos) return false;
    const size_t column = pattern.size() + kBaseColumnAfterPattern;
    address = column < line.size() ? ParseNumber(std::string_view(line).substr(column, kBaseChars)) : 0;
    return true;
}

}  // namespace common

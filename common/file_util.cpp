#include "common/file_util.h"

#include <cstdio>

namespace common {

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& data) {
    data.clear();
    if (path.empty()) return false;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    // Images run to megabytes: size the buffer once when the length is known.
    if (std::fseek(f, 0, SEEK_END) == 0) {
        long length = std::ftell(f);
        if (length > 0) data.reserve(size_t(length));
        std::rewind(f);
    }
    uint8_t buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) data.insert(data.end(), buf, buf + n);
    bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

}  // namespace common

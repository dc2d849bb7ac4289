#pragma once
// A private scratch directory for a fuzz target, removed at exit.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace fuzz_support {

class ScratchDirectory {
public:
    ScratchDirectory() {
        std::string pattern = "/tmp/station_fuzz_XXXXXX";
        if (!mkdtemp(pattern.data())) std::abort();
        path_ = pattern;
    }
    ~ScratchDirectory() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

inline const std::string& ScratchDir() {
    static const ScratchDirectory dir;
    return dir.path();
}

inline std::string ScratchPath(const std::string& name) { return ScratchDir() + "/" + name; }

inline std::string WriteScratch(const std::string& name, const uint8_t* data, size_t size) {
    std::string path = ScratchPath(name);
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(data), std::streamsize(size));
    return path;
}

inline std::string WriteScratch(const std::string& name, const std::string& text) {
    return WriteScratch(name, reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

// Stops the run when a property the code promises does not hold.
inline void Require(bool condition) {
    if (!condition) __builtin_trap();
}

}  // namespace fuzz_support

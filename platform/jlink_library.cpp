#include "platform/jlink_library.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>

#include "platform/paths.h"

namespace platform {
namespace {

bool IsDirectory(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// "7.94.5" -> {7, 94, 5}; empty when the suffix is not all numbers and dots.
std::vector<unsigned long> VersionOf(const char* suffix) {
    std::vector<unsigned long> parts;
    const char* p = suffix;
    while (*p) {
        if (*p < '0' || *p > '9') return {};
        char* end = nullptr;
        parts.push_back(std::strtoul(p, &end, 10));
        p = end;
        if (*p == '.') {
            ++p;
            if (!*p) return {};
        } else if (*p) {
            return {};
        }
    }
    return parts;
}

// Major versions tried by bare name when the loader's search path is all that is left.
constexpr int kNewestMajor = 9;
constexpr int kOldestMajor = 4;

}  // namespace

std::string JLinkLibraryInDirectory(const std::string& dir) {
    const std::string plain = JoinPath(dir, kJLinkLibraryName);
    if (FileExists(plain)) return plain;
    DIR* d = opendir(dir.c_str());
    if (!d) return {};
    const std::string prefix = std::string(kJLinkLibraryName) + ".";
    std::string best;
    std::vector<unsigned long> bestVersion;
    while (dirent* e = readdir(d)) {
        if (std::strncmp(e->d_name, prefix.c_str(), prefix.size()) != 0) continue;
        std::vector<unsigned long> version = VersionOf(e->d_name + prefix.size());
        if (version.empty() || (!best.empty() && version <= bestVersion)) continue;
        best = e->d_name;
        bestVersion = std::move(version);
    }
    closedir(d);
    return best.empty() ? std::string() : JoinPath(dir, best);
}

std::vector<std::string> JLinkLibraryCandidates(const std::string& dllArg) {
    std::vector<std::string> out;
    auto addDir = [&](const std::string& dir) {
        if (dir.empty()) return;
        std::string file = JLinkLibraryInDirectory(dir);
        if (!file.empty()) out.push_back(file);
    };
    if (!dllArg.empty()) {
        if (IsDirectory(dllArg)) addDir(dllArg);
        else out.push_back(dllArg);
    }
    if (const char* env = std::getenv(kJLinkPathVariable)) addDir(env);
    addDir(kJLinkDefaultDir);
    out.push_back(kJLinkLibraryName);
    for (int major = kNewestMajor; major >= kOldestMajor; --major)
        out.push_back(std::string(kJLinkLibraryName) + "." + std::to_string(major));
    return out;
}

bool LoadJLinkLibrary(SharedLibrary& library, const std::string& dllArg, std::string* loadedFrom) {
    for (const std::string& candidate : JLinkLibraryCandidates(dllArg)) {
        if (library.Load(candidate)) {
            if (loadedFrom) *loadedFrom = candidate;
            return true;
        }
    }
    return false;
}

}  // namespace platform

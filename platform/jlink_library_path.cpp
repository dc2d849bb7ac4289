#include "platform/jlink_library_path.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>

#include "platform/paths.h"

namespace platform {
namespace {

constexpr const char* kLibraryName = "libjlinkarm.so";
constexpr const char* kDefaultDir = "/opt/SEGGER/JLink";

bool IsDirectory(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The library files of a directory: the plain name first, then versioned
// names, newest version first.
void AddFromDirectory(const std::string& dir, std::vector<std::string>& out) {
    out.push_back(JoinPath(dir, kLibraryName));
    std::vector<std::string> versioned;
    if (DIR* d = opendir(dir.c_str())) {
        const std::string prefix = std::string(kLibraryName) + ".";
        while (dirent* e = readdir(d)) {
            const std::string name = e->d_name;
            if (name.compare(0, prefix.size(), prefix) == 0) versioned.push_back(JoinPath(dir, name));
        }
        closedir(d);
    }
    std::sort(versioned.rbegin(), versioned.rend());
    out.insert(out.end(), versioned.begin(), versioned.end());
}

}  // namespace

std::vector<std::string> JLinkLibraryCandidates(const std::string& path, const std::string& jlinkDir) {
    std::vector<std::string> out;
    if (!path.empty()) {
        if (IsDirectory(path)) AddFromDirectory(path, out);
        else out.push_back(path);
    }
    if (!jlinkDir.empty()) AddFromDirectory(jlinkDir, out);
    AddFromDirectory(kDefaultDir, out);
    out.push_back(kLibraryName);
    return out;
}

}  // namespace platform

#pragma once
#include <string>
#include <vector>

#include "platform/shared_library.h"

namespace platform {

// SEGGER's J-Link library as installed on Linux: "libjlinkarm.so", or only
// versioned files "libjlinkarm.so.N[.M...]".
constexpr const char* kJLinkLibraryName = "libjlinkarm.so";
constexpr const char* kJLinkDefaultDir = "/opt/SEGGER/JLink";
constexpr const char* kJLinkPathVariable = "JLINK_PATH";

// The library file in a directory: "libjlinkarm.so", else the highest
// versioned one; empty when the directory has neither.
std::string JLinkLibraryInDirectory(const std::string& dir);

// The places tried, in order: `dllArg` (a library file, or a directory
// searched as above), the directory in JLINK_PATH, the default install
// directory, then the bare names for the loader's own search path.
std::vector<std::string> JLinkLibraryCandidates(const std::string& dllArg);

// Loads the first candidate that loads; `loadedFrom` names it.
bool LoadJLinkLibrary(SharedLibrary& library, const std::string& dllArg, std::string* loadedFrom = nullptr);

}  // namespace platform

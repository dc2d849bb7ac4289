#pragma once
#include <string>
#include <vector>

namespace platform {

// Where the J-Link library ("libjlinkarm.so", or a versioned
// "libjlinkarm.so.N") is looked for, in order: the given path (a file, or a
// directory holding it), the directory named by jlinkDir (the station's
// `JLINK_PATH`), SEGGER's default install directory /opt/SEGGER/JLink, and
// finally the bare name for the loader's own search path.
std::vector<std::string> JLinkLibraryCandidates(const std::string& path, const std::string& jlinkDir);

}  // namespace platform

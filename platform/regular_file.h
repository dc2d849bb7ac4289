#pragma once
#include <cstdio>
#include <string>

namespace platform {

// A file the user names (an image, a burn list, a record file, a loader, a
// key, a map) is read only when it is a regular file. A directory, a device
// node or a pipe takes the same path as a file that cannot be opened: null,
// with errno EISDIR for a directory and EINVAL for the others. A device is
// never opened at all, so naming a serial port or a pipe has no effect on it.
std::FILE* OpenRegularFile(const std::string& path);

}  // namespace platform

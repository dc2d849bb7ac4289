#pragma once
#include <string>

namespace platform {

// A path is complete when it is absolute ("/..."); the tools treat every other
// path as relative to the current directory.
bool IsCompletePath(const std::string& path);

// The current working directory (the station root for the station).
std::string CurrentDirectory();

// dir + "/" + name (no doubled separator when dir already ends in one).
std::string JoinPath(const std::string& dir, const std::string& name);

// A path from the current directory unless it is already complete.
std::string FromCurrentDirectory(const std::string& path);

// Serial port name to device path: a name with "/" is a path already, any
// other name lives under /dev.
std::string SerialDevicePath(const std::string& portName);

// Directory holding the running executable.
std::string ExecutableDirectory();

bool FileExists(const std::string& path);

}  // namespace platform

#pragma once
#include <string>

namespace platform {

// Hands a file to the desktop's viewer for its type (xdg-open), without
// waiting for the viewer. False when no desktop session is present or the
// opener cannot be started.
bool OpenWithDesktop(const std::string& path);

}  // namespace platform

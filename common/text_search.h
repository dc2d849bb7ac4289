#pragma once
#include <string_view>

namespace common {

// Substring test: the tools look for tokens and device-type markers anywhere
// in a text.
inline bool Contains(std::string_view text, std::string_view part) { return text.find(part) != std::string_view::npos; }

}  // namespace common

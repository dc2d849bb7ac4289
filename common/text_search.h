#pragma once
#include <strings.h>

#include <algorithm>
#include <cctype>
#include <string_view>

namespace common {

// Substring test: the tools look for tokens and device-type markers anywhere
// in a text.
inline bool Contains(std::string_view text, std::string_view part) { return text.find(part) != std::string_view::npos; }

// The same, with ASCII letters compared without their case (port identities,
// configuration texts).
inline bool ContainsNoCase(std::string_view text, std::string_view part) {
    auto same = [](char a, char b) { return std::tolower((unsigned char)a) == std::tolower((unsigned char)b); };
    return std::search(text.begin(), text.end(), part.begin(), part.end(), same) != text.end();
}

// Whether `text` ends with `suffix`, case aside (file extensions such as ".hex").
inline bool EndsWithNoCase(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() &&
           strncasecmp(text.data() + text.size() - suffix.size(), suffix.data(), suffix.size()) == 0;
}

}  // namespace common

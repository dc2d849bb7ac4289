#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace common {

enum class ImageRead { Ok, CantOpen, NoMemory };

// Reads an image file of a burn list whole. Logs
// "file: %s, malloc error !\n" itself when memory runs out; a file that
// cannot be opened is left to the caller, which may try another name.
ImageRead ReadImageFile(const std::string& path, std::vector<uint8_t>& data);

}  // namespace common

#pragma once
#include <string>

namespace platform {

// Whether the file can be opened for writing and no other process holds a
// lock on it (flock or fcntl record lock): a spreadsheet that an office
// program has open is not touched.
bool FileIsFreeForWriting(const std::string& path);

}  // namespace platform

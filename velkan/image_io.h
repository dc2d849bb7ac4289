#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "velkan/messages.h"
#include "velkan/user_config_block.h"

namespace velkan {

// Reads a loader image whole. It must be a regular file of more than 224
// bytes; otherwise the reason goes to `report` and the result is false.
bool LoadImageFile(const std::string& path, std::vector<uint8_t>& data, const MessageSink& report);

// Replaces a file's contents as one step: the new bytes go to a private file
// beside it that is renamed over the original, so a crash leaves either the
// old file or the new one, never half of each. A file the operator made
// read-only is not replaced. The original's permissions are kept; a symbolic
// link is followed and its target replaced.
bool ReplaceFileContents(const std::string& path, const uint8_t* data, size_t size);

// Moves a finished file `source` over `path` under the same rules.
bool ReplaceFileWith(const std::string& path, const std::string& source);

// A private name beside `path` for a file that is renamed into place later.
std::string PrivateNameBeside(const std::string& path);

}  // namespace velkan

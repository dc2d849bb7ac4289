#pragma once
#include "quenlo/tool.h"

namespace quenlo {

// The download's file list from a burn list file (--file): sizes, addresses,
// and the RAM loader of its RTT_CALI section. Logs why it fails.
bool GetBurnList(Tool& t, const std::string& listFile);

// The file list from a build directory (--path) through its map files.
bool GetBurnListPath(Tool& t, const std::string& dir);

}  // namespace quenlo

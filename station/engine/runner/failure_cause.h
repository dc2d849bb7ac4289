#pragma once
// Why a tool step failed, in the tool's own words: the lines the step
// appended to the job's channel log, read once the tool has ended.
#include <cstdint>
#include <string>
#include <string_view>

namespace station {

// The channel log's size now: where the next step's lines will begin
// (0 when the file does not exist yet).
uint64_t ChannelLogSize(const std::string& path);

// The text appended to the channel log from `offset` on (empty when the file
// is gone or shorter).
std::string ChannelLogFrom(const std::string& path, uint64_t offset);

// From a step's lines of the channel log: the last line beginning "X ",
// else the last line before "FINAL_FAIL", without its time stamp and line
// end; empty when the lines hold neither.
std::string CauseFromToolLog(std::string_view appended);

}  // namespace station

#pragma once
// The station's record files (the day's FactoryInfo lines and the like): a
// line that cannot be written must not vanish, so every writer reports it
// to the operator the same way, and the verdict it records stands.
#include <string>

namespace station {

class StationFrontEnd;

// Appends `text` to the file at `path` (created when missing). Empty when the
// text is in the file; otherwise the cause, from the open, the write or the
// close (a full disk shows only when the buffer is flushed).
std::string AppendToRecordFile(const std::string& path, const std::string& text);

// "x FactoryInfo记录写入失败：<path> <cause>" as a message (the front end puts
// it in a box or on standard error, and in the main log).
std::string UnwritableRecordMessage(const std::string& path, const std::string& cause);
void ReportUnwritableRecord(StationFrontEnd& frontEnd, const std::string& path, const std::string& cause);

}  // namespace station

#pragma once
// The station's record files (the day's FactoryInfo lines and the like): a
// line that cannot be written must not vanish, so every writer reports it
// to the operator the same way, and the verdict it records stands.
#include <string>

namespace station {

class StationFrontEnd;

// "x FactoryInfo记录写入失败：<path> <cause>" as a message (the front end puts
// it in a box or on standard error, and in the main log).
std::string UnwritableRecordMessage(const std::string& path, const std::string& cause);
void ReportUnwritableRecord(StationFrontEnd& frontEnd, const std::string& path, const std::string& cause);

}  // namespace station

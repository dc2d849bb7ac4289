#include "station/engine/jobs/record_file.h"

#include "station/engine/jobs/job_services.h"

namespace station {

std::string UnwritableRecordMessage(const std::string& path, const std::string& cause) {
    return "x FactoryInfo记录写入失败：" + path + " " + cause;
}

void ReportUnwritableRecord(StationFrontEnd& frontEnd, const std::string& path, const std::string& cause) {
    frontEnd.Message(UnwritableRecordMessage(path, cause));
}

}  // namespace station

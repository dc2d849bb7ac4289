#include "station/engine/jobs/record_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "station/engine/jobs/job_services.h"

namespace station {

std::string AppendToRecordFile(const std::string& path, const std::string& text) {
    errno = 0;
    std::FILE* file = std::fopen(path.c_str(), "ab");
    if (!file) return std::strerror(errno);
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    const int writeError = errno;
    const bool closed = std::fclose(file) == 0;
    if (written && closed) return "";
    return std::strerror(!written && writeError ? writeError : errno);
}

std::string UnwritableRecordMessage(const std::string& path, const std::string& cause) {
    return "x FactoryInfo记录写入失败：" + path + " " + cause;
}

void ReportUnwritableRecord(StationFrontEnd& frontEnd, const std::string& path, const std::string& cause) {
    frontEnd.Message(UnwritableRecordMessage(path, cause));
}

}  // namespace station

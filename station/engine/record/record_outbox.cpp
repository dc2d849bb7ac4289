#include "station/engine/record/record_outbox.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include "platform/durable_file.h"

namespace station {

namespace fs = std::filesystem;

namespace {

constexpr const char* kRecordSuffix = ".json";

bool IsRecordFile(const fs::directory_entry& entry) {
    std::error_code ec;
    if (!entry.is_regular_file(ec)) return false;
    const std::string name = entry.path().filename().string();
    return name.size() > 5 && name.compare(name.size() - 5, 5, kRecordSuffix) == 0;
}

}  // namespace

std::string OutboxDirectory(const std::string& root) { return root + "/record/outbox"; }

bool PutInOutbox(const std::string& root, const std::string& id, const std::string& json, std::string& cause) {
    const std::string dir = OutboxDirectory(root);
    std::error_code ec;
    fs::create_directories(dir, ec);
    errno = 0;
    if (platform::ReplaceFile(dir + "/" + id + kRecordSuffix, std::vector<uint8_t>(json.begin(), json.end()), true))
        return true;
    cause = errno ? std::strerror(errno) : "write failed";
    return false;
}

std::vector<OutboxEntry> OutboxEntries(const std::string& root, size_t limit) {
    std::vector<std::pair<fs::file_time_type, std::string>> files;
    std::error_code ec;
    for (fs::directory_iterator it(OutboxDirectory(root), ec), end; !ec && it != end; it.increment(ec)) {
        if (!IsRecordFile(*it)) continue;
        std::error_code timeError;
        files.emplace_back(it->last_write_time(timeError), it->path().string());
    }
    std::sort(files.begin(), files.end());
    std::vector<OutboxEntry> entries;
    for (const auto& [time, path] : files) {
        if (entries.size() >= limit) break;
        std::ifstream in(path, std::ios::binary);
        if (!in) continue;  // taken meanwhile
        std::ostringstream text;
        text << in.rdbuf();
        entries.push_back({path, text.str()});
    }
    return entries;
}

void RemoveFromOutbox(const OutboxEntry& entry) {
    std::error_code ec;
    fs::remove(entry.path, ec);
    platform::SyncDirectory(platform::DirectoryOf(entry.path));
}

}  // namespace station

#include "station/engine/alloc/pool_pending.h"

#include <cerrno>
#include <cstdio>
#include <sstream>

#include "common/file_util.h"
#include "platform/durable_file.h"
#include "platform/paths.h"
#include "station/engine/log/log_paths.h"

namespace station {
namespace {

// One pass a line, its fields separated by tabs (no field holds one).
constexpr char kSeparator = '\t';
constexpr size_t kFields = 5;

std::string Line(const PendingPass& p) {
    return p.pool + kSeparator + p.stationId + kSeparator + p.date + kSeparator + p.mac + kSeparator + p.sn + "\n";
}

}  // namespace

PendingPasses::PendingPasses(const std::string& root, int channel)
    : path_(platform::JoinPath(root, "pool/pending_" + std::to_string(channel) + ".txt")) {}

bool PendingPasses::Read(std::vector<PendingPass>& passes) const {
    passes.clear();
    if (!platform::FileExists(path_)) return true;
    std::vector<uint8_t> bytes;
    if (!common::ReadWholeFile(path_, bytes)) return false;
    std::istringstream in(std::string(bytes.begin(), bytes.end()));
    for (std::string line; std::getline(in, line);) {
        if (line.empty()) continue;
        std::vector<std::string> f;
        std::istringstream fields(line);
        for (std::string field; std::getline(fields, field, kSeparator);) f.push_back(field);
        if (line.back() == kSeparator) f.push_back("");
        if (f.size() != kFields) return false;
        passes.push_back({f[0], f[1], f[2], f[3], f[4]});
    }
    return true;
}

bool PendingPasses::Write(const std::vector<PendingPass>& passes) const {
    if (passes.empty()) {
        if (std::remove(path_.c_str()) != 0 && errno != ENOENT) return false;
        platform::SyncDirectory(platform::DirectoryOf(path_));
        return true;
    }
    std::string text;
    for (const PendingPass& p : passes) text += Line(p);
    return Replace(text);
}

// Appends to whatever the file holds, even a damaged file: nothing in it is lost.
bool PendingPasses::Add(const PendingPass& pass) const {
    std::vector<uint8_t> bytes;
    if (platform::FileExists(path_) && !common::ReadWholeFile(path_, bytes)) return false;
    if (!bytes.empty() && bytes.back() != '\n') bytes.push_back('\n');
    return Replace(std::string(bytes.begin(), bytes.end()) + Line(pass));
}

bool PendingPasses::Replace(const std::string& text) const {
    const std::string dir = platform::DirectoryOf(path_);
    if (!platform::FileExists(dir)) {
        CreateDirectories(dir);
        platform::SyncDirectory(platform::DirectoryOf(dir));
    }
    return platform::ReplaceFile(path_, std::vector<uint8_t>(text.begin(), text.end()), true);
}

}  // namespace station

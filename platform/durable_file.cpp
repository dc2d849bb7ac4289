#include "platform/durable_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <mutex>
#include <cstring>

namespace platform {
namespace {

struct StepRecorder {
    std::mutex lock;
    FileStepRecorder record;
};

StepRecorder& Recorder() {
    static StepRecorder recorder;
    return recorder;
}

void Record(FileStep step, const std::string& path) {
    StepRecorder& r = Recorder();
    std::lock_guard<std::mutex> guard(r.lock);
    if (r.record) r.record(step, path);
}

bool SyncPath(const std::string& path, int flags) {
    int fd = ::open(path.c_str(), flags | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

bool WriteAll(int fd, const uint8_t* data, size_t size) {
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= size_t(n);
    }
    return true;
}

}  // namespace

void SetFileStepRecorder(FileStepRecorder recorder) {
    StepRecorder& r = Recorder();
    std::lock_guard<std::mutex> guard(r.lock);
    r.record = std::move(recorder);
}

bool SyncFile(const std::string& path) {
    Record(FileStep::kFlush, path);
    return SyncPath(path, O_RDONLY);
}

bool SyncDirectory(const std::string& dir) {
    Record(FileStep::kFlushDirectory, dir);
    return SyncPath(dir, O_RDONLY | O_DIRECTORY);
}

std::string DirectoryOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

bool ReplaceFile(const std::string& path, const std::vector<uint8_t>& bytes, bool durable) {
    const std::string temp = path + ".tmp" + std::to_string(::getpid());
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    Record(FileStep::kWrite, path);
    bool ok = WriteAll(fd, bytes.data(), bytes.size());
    if (ok && durable) {
        Record(FileStep::kFlush, path);
        ok = ::fsync(fd) == 0;
    }
    ok = (::close(fd) == 0) && ok;
    if (ok) Record(FileStep::kRename, path);
    if (!ok || std::rename(temp.c_str(), path.c_str()) != 0) {
        std::remove(temp.c_str());
        return false;
    }
    return !durable || SyncDirectory(DirectoryOf(path));
}

namespace {

// Appends `text`; durable: the data is on disk before it returns, and so is
// the file's name when this append made the file.
bool Append(const std::string& path, const std::string& text, bool durable, std::string* cause) {
    auto fail = [cause](int error) {
        if (cause) *cause = std::strerror(error);
        return false;
    };
    bool created = false;
    int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT) {
        fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        created = fd >= 0;
    }
    if (fd < 0) return fail(errno);
    Record(FileStep::kWrite, path);
    bool ok = WriteAll(fd, reinterpret_cast<const uint8_t*>(text.data()), text.size());
    if (ok && durable) {
        Record(FileStep::kFlush, path);
        ok = ::fsync(fd) == 0;
    }
    const int error = errno;
    if (::close(fd) != 0 && ok) return fail(errno);
    if (!ok) return fail(error);
    if (durable && created && !SyncDirectory(DirectoryOf(path))) return fail(errno);
    return true;
}

}  // namespace

bool AppendToFile(const std::string& path, const std::string& text, std::string* cause) {
    return Append(path, text, false, cause);
}

bool AppendDurably(const std::string& path, const std::string& text, std::string* cause) {
    return Append(path, text, true, cause);
}

}  // namespace platform

#include "common/file_util.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/regular_file.h"

namespace common {

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& data) {
    data.clear();
    FILE* f = platform::OpenRegularFile(path);
    if (!f) return false;
    // Images run to megabytes: size the buffer once when the length is known.
    if (std::fseek(f, 0, SEEK_END) == 0) {
        long length = std::ftell(f);
        if (length > 0) data.reserve(size_t(length));
        std::rewind(f);
    }
    uint8_t buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) data.insert(data.end(), buf, buf + n);
    bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

AtomicFileWriter::AtomicFileWriter(const std::string& path)
    : path_(path), temp_(path + ".part" + std::to_string(getpid())) {
    file_ = std::fopen(temp_.c_str(), "wb");
}

AtomicFileWriter::~AtomicFileWriter() { Discard(); }

void AtomicFileWriter::Write(const void* data, size_t size) {
    if (!file_ || failed_ || size == 0) return;
    if (std::fwrite(data, 1, size, file_) != size) failed_ = true;
}

bool AtomicFileWriter::Commit() {
    if (!file_) return false;
    bool ok = !failed_ && std::fflush(file_) == 0 && fsync(fileno(file_)) == 0;
    ok = std::fclose(file_) == 0 && ok;
    file_ = nullptr;
    if (ok && std::rename(temp_.c_str(), path_.c_str()) == 0) return true;
    std::remove(temp_.c_str());
    return false;
}

void AtomicFileWriter::Discard() {
    if (!file_) return;
    std::fclose(file_);
    file_ = nullptr;
    std::remove(temp_.c_str());
}

bool FileReadable(const std::string& path, std::string& why) {
    errno = 0;
    FILE* f = platform::OpenRegularFile(path);
    if (!f) {
        why = std::strerror(errno ? errno : ENOENT);
        return false;
    }
    std::fgetc(f);
    const bool ok = !std::ferror(f);
    if (!ok) why = std::strerror(errno ? errno : EIO);
    std::fclose(f);
    return ok;
}

}  // namespace common

#include "velkan/image_io.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>

#include "common/file_util.h"
#include "platform/regular_file.h"

namespace velkan {
namespace {

struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};

// The file a replacement must land on: the target of a symbolic link, the
// path itself otherwise (also when it does not exist yet).
std::string ReplacementTarget(const std::string& path) {
    char* resolved = realpath(path.c_str(), nullptr);
    if (!resolved) return path;
    std::string target = resolved;
    std::free(resolved);
    return target;
}

// An existing file must be writable for us; a new one is created. A file
// without any write permission was made read-only on purpose, and stays so
// even for root.
bool MayReplace(const std::string& target, struct stat& existing, bool& exists) {
    exists = ::stat(target.c_str(), &existing) == 0;
    if (!exists) return true;
    return S_ISREG(existing.st_mode) && (existing.st_mode & 0222) != 0 && ::access(target.c_str(), W_OK) == 0;
}

}  // namespace

bool LoadImageFile(const std::string& path, std::vector<uint8_t>& data, const MessageSink& report) {
    data.clear();
    std::unique_ptr<FILE, FileCloser> file(platform::OpenRegularFile(path));
    struct stat st {};
    if (!file || ::fstat(fileno(file.get()), &st) != 0) {
        report(msg::OpenFileFail(path));
        return false;
    }
    const uint64_t size = uint64_t(st.st_size);
    if (size <= kBlockSize) {
        report(msg::ImageTooShort(size));
        return false;
    }
    try {
        data.resize(size_t(size));
    } catch (const std::bad_alloc&) {
        report(msg::MallocError(size));
        return false;
    }
    if (std::fread(data.data(), 1, data.size(), file.get()) != data.size()) {
        data.clear();
        report(msg::OpenFileFail(path));
        return false;
    }
    return true;
}

std::string PrivateNameBeside(const std::string& path) { return path + ".part" + std::to_string(getpid()); }

bool ReplaceFileContents(const std::string& path, const uint8_t* data, size_t size) {
    const std::string target = ReplacementTarget(path);
    struct stat existing {};
    bool exists = false;
    if (!MayReplace(target, existing, exists)) return false;
    common::AtomicFileWriter writer(target);
    if (!writer.IsOpen()) return false;
    writer.Write(data, size);
    if (!writer.Commit()) return false;
    if (exists) ::chmod(target.c_str(), existing.st_mode & 07777);
    return true;
}

bool ReplaceFileWith(const std::string& path, const std::string& source) {
    const std::string target = ReplacementTarget(path);
    struct stat existing {};
    bool exists = false;
    if (!MayReplace(target, existing, exists)) return false;
    if (exists) ::chmod(source.c_str(), existing.st_mode & 07777);
    return std::rename(source.c_str(), target.c_str()) == 0;
}

}  // namespace velkan

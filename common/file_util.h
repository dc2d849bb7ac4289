#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace common {

// Reads a whole file; false when it cannot be opened or read, or is no
// regular file (a directory, a device, a pipe).
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& data);

// Writes a file under a private name beside it and renames it into place
// when complete, so that no reader (a tool, another channel, a later run)
// ever sees a partial file. Dropped unfinished, the private file is removed.
class AtomicFileWriter {
public:
    explicit AtomicFileWriter(const std::string& path);
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    bool IsOpen() const { return file_ != nullptr; }
    void Write(const void* data, size_t size);
    void Write(const std::string& text) { Write(text.data(), text.size()); }
    // Flushes to disk and renames; false when any write failed.
    bool Commit();

private:
    void Discard();

    std::string path_;
    std::string temp_;
    FILE* file_ = nullptr;
    bool failed_ = false;
};

// True when the file opens and reads; otherwise `why` is the system's text
// of the error ("Is a directory" for a directory).
bool FileReadable(const std::string& path, std::string& why);

}  // namespace common

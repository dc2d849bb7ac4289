#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace platform {

// Flushes a file's data to the disk.
bool SyncFile(const std::string& path);

// Flushes a directory's entries (a rename or a new name in it) to the disk.
bool SyncDirectory(const std::string& dir);

// The directory part of a path ("." when it has none).
std::string DirectoryOf(const std::string& path);

// Replaces `path` with `bytes` so that a reader, or a restart after a crash,
// finds the old content or the new one and never half of it: a temp file
// beside it is written, flushed and renamed over the path. With `durable` the
// file and its directory are also flushed, so the new content survives a
// power loss once this returns true.
bool ReplaceFile(const std::string& path, const std::vector<uint8_t>& bytes, bool durable);

// Appends `text` to the file (created when missing) in one open-append-close,
// so lines written by several writers never interleave inside a line. False
// with the reason (from the open, the write or the close) in `cause`.
bool AppendToFile(const std::string& path, const std::string& text, std::string* cause = nullptr);

// The steps of the calls above as they happen, for tests that check what
// reached the disk before what. A replacement's temp file is reported under
// the name it replaces. One recorder for the process; none by default.
enum class FileStep { kWrite, kFlush, kRename, kFlushDirectory };
using FileStepRecorder = std::function<void(FileStep step, const std::string& path)>;
void SetFileStepRecorder(FileStepRecorder recorder);

// AppendToFile, flushed to the disk before it returns (with the directory
// when the append made the file): a record appended this way survives a
// crash or a power loss. False with the reason in `cause`.
bool AppendDurably(const std::string& path, const std::string& text, std::string* cause = nullptr);

}  // namespace platform

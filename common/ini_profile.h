#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace common {

// Private-profile INI access: sections and keys compare without regard to
// case, the first match wins, values are trimmed and lose one pair of
// surrounding double quotes. A missing file reads as empty; a UTF-8
// byte-order mark at the start of the file is skipped. A ";" begins a
// comment only at the start of a line: file names may hold it.
std::string IniReadString(const std::string& path, const std::string& section, const std::string& key,
                          const std::string& fallback = "");

// Integer read: the leading decimal digits of the value (an optional '-'
// first); fallback when the key is absent, 0 when it has no digits.
int IniReadInt(const std::string& path, const std::string& section, const std::string& key, int fallback);

// The same reads from an INI text held in memory.
std::string IniTextReadString(const std::string& text, const std::string& section, const std::string& key,
                              const std::string& fallback = "");
int IniTextReadInt(const std::string& text, const std::string& section, const std::string& key, int fallback);

// Writes one key and keeps everything else of the file. The file is replaced
// atomically (temp file, flush, rename) under a process-wide lock, and the
// file and its directory are flushed to the disk before this returns: a value
// written here survives a crash or a power loss (the station's counters of
// handed-out numbers rely on it).
bool IniWriteString(const std::string& path, const std::string& section, const std::string& key,
                    const std::string& value);

struct IniEntry {
    std::string section, key, value;
};

// Writes several keys in one replacement of the file: after a crash the file
// holds all of them or none (with the same flushing as IniWriteString).
bool IniWriteStrings(const std::string& path, const std::vector<IniEntry>& entries);

// The same change made to an INI text in memory (lines end in CR LF after it),
// for a file that is composed whole before it is written.
std::string IniSetString(const std::string& text, const std::string& section, const std::string& key,
                         const std::string& value);

}  // namespace common

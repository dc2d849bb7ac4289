#include "common/ini_profile.h"

#include <mutex>
#include <sstream>
#include <strings.h>
#include <vector>

#include "platform/durable_file.h"
#include "common/file_util.h"

namespace common {
namespace {

std::mutex& WriteLock() {
    static std::mutex lock;
    return lock;
}

std::string Trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos) return {};
    size_t e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

bool SameName(const std::string& a, const std::string& b) { return strcasecmp(a.c_str(), b.c_str()) == 0; }

constexpr const char* kUtf8Bom = "\xEF\xBB\xBF";

// The lines without their CR; an editor's UTF-8 byte-order mark is not part
// of the first line (`hadBom` says whether there was one).
std::vector<std::string> SplitLines(std::istream& in, bool* hadBom = nullptr) {
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    const bool bom = !lines.empty() && lines.front().rfind(kUtf8Bom, 0) == 0;
    if (bom) lines.front().erase(0, 3);
    if (hadBom) *hadBom = bom;
    return lines;
}

std::vector<std::string> ReadLines(const std::string& path, bool* hadBom = nullptr) {
    // A directory or a device named as a list reads as no file at all.
    std::vector<uint8_t> data;
    if (!ReadWholeFile(path, data)) {
        if (hadBom) *hadBom = false;
        return {};
    }
    std::istringstream in(std::string(data.begin(), data.end()));
    return SplitLines(in, hadBom);
}

// "[name]" → name; otherwise nullopt-like empty flag.
bool SectionName(const std::string& line, std::string& name) {
    std::string t = Trim(line);
    if (t.size() < 2 || t.front() != '[') return false;
    size_t close = t.find(']');
    if (close == std::string::npos) return false;
    name = Trim(t.substr(1, close - 1));
    return true;
}

bool KeyValue(const std::string& line, std::string& key, std::string& value) {
    std::string t = Trim(line);
    if (t.empty() || t[0] == ';') return false;
    size_t eq = t.find('=');
    if (eq == std::string::npos) return false;
    key = Trim(t.substr(0, eq));
    value = Trim(t.substr(eq + 1));
    return true;
}

std::vector<std::string> TextLines(const std::string& text) {
    std::istringstream in(text);
    return SplitLines(in);
}

bool FindValue(const std::vector<std::string>& lines, const std::string& section, const std::string& key,
               std::string& out) {
    bool inSection = false;
    for (const auto& line : lines) {
        std::string name;
        if (SectionName(line, name)) {
            inSection = SameName(name, section);
            continue;
        }
        std::string k, v;
        if (inSection && KeyValue(line, k, v) && SameName(k, key)) {
            if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
            out = v;
            return true;
        }
    }
    return false;
}

// The leading decimal digits of a value, an optional '-' first.
int LeadingInt(const std::string& value) {
    size_t i = 0;
    bool negative = false;
    if (i < value.size() && value[i] == '-') {
        negative = true;
        ++i;
    }
    uint32_t n = 0;
    for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i) n = n * 10 + uint32_t(value[i] - '0');
    return negative ? -int(n) : int(n);
}

// Sets one key in the lines of an INI text, keeping every other line.
void SetValue(std::vector<std::string>& lines, const std::string& section, const std::string& key,
              const std::string& value) {
    bool inSection = false, written = false;
    long sectionEnd = -1;  // index after the last line of the matching section
    for (size_t i = 0; i < lines.size() && !written; ++i) {
        std::string name;
        if (SectionName(lines[i], name)) {
            if (inSection) break;
            inSection = SameName(name, section);
            if (inSection) sectionEnd = long(i) + 1;
            continue;
        }
        if (!inSection) continue;
        std::string k, v;
        if (KeyValue(lines[i], k, v) && SameName(k, key)) {
            lines[i] = k + "=" + value;
            written = true;
        } else if (!Trim(lines[i]).empty()) {
            sectionEnd = long(i) + 1;
        }
    }
    if (!written) {
        if (sectionEnd < 0) {
            lines.push_back("[" + section + "]");
            lines.push_back(key + "=" + value);
        } else {
            lines.insert(lines.begin() + sectionEnd, key + "=" + value);
        }
    }
}

// A byte-order mark the text had is kept, as everything else of it.
std::string JoinLines(const std::vector<std::string>& lines, bool bom) {
    std::string text = bom ? kUtf8Bom : "";
    for (const auto& l : lines) text += l + "\r\n";
    return text;
}

}  // namespace

std::string IniReadString(const std::string& path, const std::string& section, const std::string& key,
                          const std::string& fallback) {
    std::string value;
    return FindValue(ReadLines(path), section, key, value) ? value : fallback;
}

std::string IniTextReadString(const std::string& text, const std::string& section, const std::string& key,
                              const std::string& fallback) {
    std::string value;
    return FindValue(TextLines(text), section, key, value) ? value : fallback;
}

int IniReadInt(const std::string& path, const std::string& section, const std::string& key, int fallback) {
    std::string value;
    return FindValue(ReadLines(path), section, key, value) ? LeadingInt(value) : fallback;
}

int IniTextReadInt(const std::string& text, const std::string& section, const std::string& key, int fallback) {
    std::string value;
    return FindValue(TextLines(text), section, key, value) ? LeadingInt(value) : fallback;
}

bool IniWriteString(const std::string& path, const std::string& section, const std::string& key,
                    const std::string& value) {
    return IniWriteStrings(path, {{section, key, value}});
}

bool IniWriteStrings(const std::string& path, const std::vector<IniEntry>& entries) {
    std::lock_guard<std::mutex> guard(WriteLock());
    bool bom = false;
    std::vector<std::string> lines = ReadLines(path, &bom);
    for (const auto& e : entries) SetValue(lines, e.section, e.key, e.value);
    const std::string text = JoinLines(lines, bom);
    return platform::ReplaceFile(path, std::vector<uint8_t>(text.begin(), text.end()), /*durable=*/true);
}

std::string IniSetString(const std::string& text, const std::string& section, const std::string& key,
                        const std::string& value) {
    std::istringstream in(text);
    bool bom = false;
    std::vector<std::string> lines = SplitLines(in, &bom);
    SetValue(lines, section, key, value);
    return JoinLines(lines, bom);
}

}  // namespace common

#pragma once
// Scratch files for the common tests: a private directory under /tmp, the
// tool log pointed into it, and the current directory changed for a scope.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

#include "common/print_log.h"
#include "platform/paths.h"

namespace common_test {

class TempDir {
public:
    TempDir() {
        std::string pattern = "/tmp/common_test_XXXXXX";
        if (mkdtemp(pattern.data())) path_ = pattern;
    }
    ~TempDir() {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string Path(const std::string& name) const { return path_ + "/" + name; }

    std::string Write(const std::string& name, const std::string& bytes) const {
        std::ofstream(Path(name), std::ios::binary) << bytes;
        return Path(name);
    }
    std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) const {
        return Write(name, std::string(bytes.begin(), bytes.end()));
    }
    std::string Read(const std::string& name) const {
        std::ifstream in(Path(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    bool Exists(const std::string& name) const { return platform::FileExists(Path(name)); }
    // Names of the files in the directory, sorted.
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(path_)) names.push_back(e.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    std::string path_;
};

// Points the tool log at a file of `dir` for the scope; Text() is the log
// without its time stamps.
class LogCapture {
public:
    explicit LogCapture(const TempDir& dir) : path_(dir.Path("tool.log")) {
        std::remove(path_.c_str());
        common::SetLogFile(path_);
    }
    ~LogCapture() { common::SetLogFile(""); }
    std::string Text() const {
        std::ifstream in(path_, std::ios::binary);
        std::string raw(std::istreambuf_iterator<char>(in), {});
        static const std::regex stamp("(^|\n)[0-9]{2}:[0-9]{2}:[0-9]{2}:[0-9]{3}    ");
        return std::regex_replace(raw, stamp, "$1");
    }

private:
    std::string path_;
};

// Changes the current directory for the scope.
class ScopedCurrentDirectory {
public:
    explicit ScopedCurrentDirectory(const std::string& dir) : saved_(platform::CurrentDirectory()) {
        ok_ = chdir(dir.c_str()) == 0;
    }
    ~ScopedCurrentDirectory() {
        if (chdir(saved_.c_str()) != 0) std::abort();
    }
    bool ok() const { return ok_; }

private:
    std::string saved_;
    bool ok_ = false;
};

}  // namespace common_test

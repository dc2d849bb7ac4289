#pragma once
// Captures what the code under test prints to standard output.
#include <cstdio>
#include <string>

#include <unistd.h>

namespace testing_support {

class CaptureStdout {
public:
    CaptureStdout() {
        std::fflush(stdout);
        saved_ = dup(STDOUT_FILENO);
        file_ = std::tmpfile();
        dup2(fileno(file_), STDOUT_FILENO);
    }
    ~CaptureStdout() { Finish(); }
    // Restores standard output and returns what was printed.
    std::string Finish() {
        if (saved_ < 0) return text_;
        std::fflush(stdout);
        dup2(saved_, STDOUT_FILENO);
        close(saved_);
        saved_ = -1;
        std::rewind(file_);
        char buf[4096];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, file_)) > 0) text_.append(buf, n);
        std::fclose(file_);
        return text_;
    }

private:
    int saved_ = -1;
    FILE* file_ = nullptr;
    std::string text_;
};

}  // namespace testing_support

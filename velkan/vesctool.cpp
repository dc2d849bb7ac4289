#include "velkan/vesctool.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string_view>

#include "platform/child_process.h"
#include "platform/paths.h"

namespace velkan {
namespace {

constexpr const char* kToolName = "vesctool";

bool IsExecutableFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

}  // namespace

std::string Vesctool::Locate() {
    std::string beside = platform::JoinPath(platform::ExecutableDirectory(), kToolName);
    if (IsExecutableFile(beside)) return beside;
    const char* searchPath = std::getenv("PATH");
    std::string_view rest = searchPath ? searchPath : "";
    while (!rest.empty()) {
        size_t colon = rest.find(':');
        std::string dir(rest.substr(0, colon));
        rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
        std::string candidate = platform::JoinPath(dir.empty() ? "." : dir, kToolName);
        if (IsExecutableFile(candidate)) return candidate;
    }
    return {};
}

void Vesctool::Run(const char* verb, const std::string& plain, const std::string& encrypted) const {
    if (program_.empty()) return;
    platform::ChildProcess tool;
    if (!tool.Start({program_, verb, "--img=" + plain, "--eimg=" + encrypted})) return;
    // Drain its output so that a talkative tool never blocks on a full pipe.
    std::string discard;
    while (tool.ReadAvailable(discard, 100)) discard.clear();
    tool.Wait();
}

}  // namespace velkan

// The tool's command line from arbitrary arguments (split at NUL bytes):
// no read past the argument list, and every field keeps its size.
#include <cstring>
#include <string>
#include <vector>

#include "common/print_log.h"
#include "require.h"
#include "pirrow/run_settings.h"

using fuzz_support::Require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> args = {"Pirrow"};
    const char* text = reinterpret_cast<const char*>(data);
    size_t start = 0;
    for (size_t i = 0; i <= size; ++i) {
        if (i == size || text[i] == '\0') {
            args.emplace_back(text + start, i - start);
            start = i + 1;
        }
    }
    pirrow::RunSettings settings;
    pirrow::ParseOutcome outcome = pirrow::ParseCommandLine(args, settings);
    common::SetLogFile("");  // --log names a file; nothing may be written there
    Require(settings.seenMask < (1u << pirrow::kOptionCount));
    for (const std::string* field : {&settings.portName, &settings.deviceType, &settings.fileArg,
                                     &settings.imageDir, &settings.logPath, &settings.ramLoaderPath})
        Require(field->size() <= pirrow::kPathFieldChars);
    for (const std::string* field : {&settings.btName, &settings.btVersion, &settings.fwVersion, &settings.bleName,
                                     &settings.wechatModel})
        Require(field->size() <= pirrow::kShortFieldChars);
    Require(settings.fishCommand.size() <= pirrow::kPathFieldChars);
    if (outcome == pirrow::ParseOutcome::Run) Require(settings.Seen(pirrow::kOptPort) && settings.Seen(pirrow::kOptBaud));
    return 0;
}

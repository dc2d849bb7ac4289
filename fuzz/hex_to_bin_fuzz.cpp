// HEX conversion of arbitrary text: never reads past a line, and either
// leaves a complete output file or none at all.
#include <cstdio>

#include "common/burn_list.h"
#include "common/print_log.h"
#include "fuzz_dir.h"
#include "platform/paths.h"

using fuzz_support::Require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    common::SetLogFile("/dev/null");
    const std::string output = fuzz_support::ScratchPath("in_hex2bin.bin");
    std::remove(output.c_str());
    common::BurnItem entry;
    entry.path = fuzz_support::WriteScratch("in.hex", data, size);
    bool ok = common::HexToBin(entry);
    Require(entry.path == output);
    Require(ok == platform::FileExists(output));
    return 0;
}

// A burn list file from arbitrary bytes. The input up to the first NUL is the
// list; the rest becomes "data.hex" and "data.gz", which the list may name
// beside the fixed files "a.bin", "b.gz" and "c.hex". Inputs holding "/"
// are passed over, so that every path stays in the scratch directory.
#include <unistd.h>

#include <cstring>
#include <string>

#include "common/burn_list.h"
#include "common/compressed_image.h"
#include "common/print_log.h"
#include "fuzz_dir.h"

using fuzz_support::Require;
using fuzz_support::WriteScratch;

namespace {

std::string StoredImage(const std::string& raw) {
    uint8_t head[24];
    common::WriteLe32(head, uint32_t(raw.size()));
    common::WriteLe32(head + 4, 1);
    common::WriteLe32(head + 8, 0);
    common::WriteLe32(head + 12, uint32_t(raw.size()));
    common::WriteLe32(head + 16, uint32_t(raw.size()));
    common::WriteLe32(head + 20, 0);
    return std::string(reinterpret_cast<char*>(head), sizeof head) + raw;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    if (chdir(fuzz_support::ScratchDir().c_str()) != 0) __builtin_trap();
    WriteScratch("a.bin", "plain image");
    WriteScratch("b.gz", StoredImage("compressed image"));
    WriteScratch("c.hex", ":020000041000EA\r\n:0400000061626364F6\r\n:00000001FF\r\n");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (std::memchr(data, '/', size)) return 0;
    common::SetLogFile("/dev/null");
    const uint8_t* nul = static_cast<const uint8_t*>(std::memchr(data, '\0', size));
    size_t listSize = nul ? size_t(nul - data) : size;
    std::string listPath = WriteScratch("burn.txt", data, listSize);
    const uint8_t* rest = nul ? nul + 1 : data + size;
    size_t restSize = size_t(data + size - rest);
    WriteScratch("data.hex", rest, restSize);
    WriteScratch("data.gz", rest, restSize);

    common::BurnList list;
    if (common::GetBurnList("burn.txt", "QM2B", list)) {
        Require(!list.items.empty() && list.items.size() <= size_t(common::kMaxBurnItems));
        for (const auto& item : list.items) Require(item.size == item.data.size());
        Require(!list.sigKeyPath.empty());
    } else {
        Require(list.items.empty());
    }
    return 0;
}

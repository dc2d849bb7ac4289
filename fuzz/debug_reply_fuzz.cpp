// Reply frames of the boot ROM's debug port from arbitrary bytes, gathered
// as the UART tool gathers them: bytes arrive in pieces (a length byte, then
// that many bytes), noise before a possible start of the awaited reply is
// dropped, and a reply taken whole is exactly the one awaited.
#include <algorithm>
#include <string>
#include <vector>

#include "pirrow/debug_frame.h"
#include "require.h"

using fuzz_support::Require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    using pirrow::DebugFrameForm;
    const DebugFrameForm form = data[0] & 1 ? DebugFrameForm::Long : DebugFrameForm::Short;
    const std::vector<pirrow::Bytes> replies = {
        pirrow::ShortReply(form, pirrow::kDebugEnterReply), pirrow::ShortReply(form, pirrow::kDebugLeaveReply),
        pirrow::ShortReply(form, pirrow::kDebugAck), pirrow::ReadReplyHead(form)};
    const pirrow::Bytes& pattern = replies[(data[0] >> 1) % replies.size()];

    std::string held;
    size_t pos = 1;
    while (pos < size && held.size() < pattern.size()) {
        const size_t piece = std::max<size_t>(1, data[pos++]);
        const size_t n = std::min({piece, size - pos, pattern.size() - held.size()});
        held.append(reinterpret_cast<const char*>(data + pos), n);
        pos += n;
        held.erase(0, pirrow::DebugReplyStart(held, pattern, pattern.size()));
    }
    if (held.size() == pattern.size()) Require(std::equal(held.begin(), held.end(), pattern.begin(),
                                                          [](char a, uint8_t b) { return uint8_t(a) == b; }));
    // The word after a read reply's head, in the form's byte order.
    if (pos + 4 <= size) (void)pirrow::ReadReplyWord(form, data + pos);
    return 0;
}

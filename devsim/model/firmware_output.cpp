#include "devsim/model/firmware_output.h"

#include <algorithm>

#include "devsim/model/firmware_options.h"

namespace devsim {

void FirmwareOutput::Send(Device& device, const std::string& text, uint32_t delayMs) {
    const uint64_t now = device.NowMs();
    uint64_t due = std::max(now + delayMs, nextPieceMs_);
    const size_t piece = pieceBytes_ == 0 ? std::max<size_t>(text.size(), 1) : pieceBytes_;
    const uint32_t gap = pieceBytes_ == 0 ? 0 : kPieceGapMs;
    for (size_t at = 0; at < text.size(); at += piece, due += gap) {
        std::string bytes = text.substr(at, piece);
        if (due == now) device.Emit(bytes);
        else device.Schedule(uint32_t(due - now), [&device, bytes] { device.Emit(bytes); });
    }
    nextPieceMs_ = due;
}

}  // namespace devsim

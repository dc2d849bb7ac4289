#include "devsim/model/firmware_output.h"

#include <algorithm>

#include "devsim/model/firmware_options.h"

namespace devsim {

void FirmwareOutput::Send(Device& device, const std::string& text) {
    if (pieceBytes_ == 0) {
        device.Emit(text);
        return;
    }
    const uint64_t now = device.NowMs();
    uint64_t due = std::max(now, nextPieceMs_);
    for (size_t at = 0; at < text.size(); at += pieceBytes_, due += kPieceGapMs) {
        std::string piece = text.substr(at, pieceBytes_);
        if (due == now) device.Emit(piece);
        else device.Schedule(uint32_t(due - now), [&device, piece] { device.Emit(piece); });
    }
    nextPieceMs_ = due;
}

}  // namespace devsim

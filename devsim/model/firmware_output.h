#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "devsim/model/device.h"

namespace devsim {

// The firmware's way to the line: replies go out whole, or, when a test
// asks for it, in pieces of a few bytes spaced kPieceGapMs apart so that
// the reader sees each reply split across reads. Pieces never overtake
// each other.
class FirmwareOutput {
public:
    explicit FirmwareOutput(size_t pieceBytes) : pieceBytes_(pieceBytes) {}
    // `delayMs`: the device's own time before the reply starts.
    void Send(Device& device, const std::string& text, uint32_t delayMs = 0);

private:
    size_t pieceBytes_;
    uint64_t nextPieceMs_ = 0;  // when the next piece may leave
};

}  // namespace devsim

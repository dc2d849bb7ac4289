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
    void Send(Device& device, const std::string& text);

private:
    size_t pieceBytes_;
    uint64_t nextPieceMs_ = 0;  // when the next piece may leave
};

}  // namespace devsim

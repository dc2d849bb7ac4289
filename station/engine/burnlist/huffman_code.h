#pragma once
// Canonical Huffman codes as DEFLATE writes them: code lengths limited to a
// maximum, codes assigned in symbol order within each length, bits reversed
// for the format's least-significant-bit-first packing.
#include <cstddef>
#include <cstdint>

namespace station {

// Code lengths for `count` symbols from their frequencies: 0 for unused
// symbols, at most `maxBits` for the others. At least two symbols get a code
// (symbols 0 and 1 are given one when fewer are used), so every code is
// complete, as strict inflaters require.
void BuildCodeLengths(const uint32_t* freqs, size_t count, unsigned maxBits, uint8_t* lengths);

// The canonical codes of the lengths, bit-reversed for writing.
void AssignCodes(const uint8_t* lengths, size_t count, uint16_t* codes);

}  // namespace station

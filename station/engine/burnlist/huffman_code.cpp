#include "station/engine/burnlist/huffman_code.h"

#include <algorithm>
#include <vector>

namespace station {
namespace {

constexpr unsigned kMaxCodeBits = 15;

// Optimal (unlimited) code lengths; returns the longest. Two-queue build
// over the symbols sorted by frequency: leaves in one queue, merged nodes in
// the other, both already in order.
unsigned HuffmanLengths(const std::vector<uint32_t>& weights, const std::vector<uint16_t>& symbols,
                        uint8_t* lengths) {
    const size_t n = symbols.size();
    std::vector<uint64_t> nodeWeight(2 * n);
    std::vector<int32_t> parent(2 * n, -1);
    for (size_t i = 0; i < n; ++i) nodeWeight[i] = weights[i];
    size_t leaf = 0, merged = n, next = n;
    auto takeLightest = [&]() -> size_t {
        if (leaf < n && (merged == next || nodeWeight[leaf] <= nodeWeight[merged])) return leaf++;
        return merged++;
    };
    for (size_t k = 0; k + 1 < n; ++k) {
        const size_t a = takeLightest();
        const size_t b = takeLightest();
        nodeWeight[next] = nodeWeight[a] + nodeWeight[b];
        parent[a] = parent[b] = int32_t(next);
        ++next;
    }
    // Depths from the root (the last node made) down.
    std::vector<uint8_t> depth(2 * n, 0);
    unsigned longest = 0;
    for (size_t i = next - 1; i-- > 0;) {
        depth[i] = uint8_t(depth[size_t(parent[i])] + 1);
        if (i < n) {
            lengths[symbols[i]] = depth[i];
            longest = std::max<unsigned>(longest, depth[i]);
        }
    }
    return longest;
}

}  // namespace

void BuildCodeLengths(const uint32_t* freqs, size_t count, unsigned maxBits, uint8_t* lengths) {
    std::fill(lengths, lengths + count, uint8_t(0));
    std::vector<uint16_t> symbols;
    for (size_t s = 0; s < count; ++s)
        if (freqs[s] != 0) symbols.push_back(uint16_t(s));
    // One symbol alone would get a zero-length code: give it a partner.
    for (uint16_t s = 0; symbols.size() < 2 && s < count; ++s)
        if (std::find(symbols.begin(), symbols.end(), s) == symbols.end()) symbols.push_back(s);
    std::vector<uint32_t> weights(symbols.size());
    for (size_t i = 0; i < symbols.size(); ++i) weights[i] = std::max<uint32_t>(freqs[symbols[i]], 1);
    std::vector<size_t> order(symbols.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return weights[a] < weights[b]; });
    std::vector<uint16_t> sortedSymbols(order.size());
    std::vector<uint32_t> sortedWeights(order.size());
    for (size_t i = 0; i < order.size(); ++i) {
        sortedSymbols[i] = symbols[order[i]];
        sortedWeights[i] = weights[order[i]];
    }
    // Too long a code: flatten the frequencies and build again. Rare, and
    // the result stays close to optimal.
    while (HuffmanLengths(sortedWeights, sortedSymbols, lengths) > std::min(maxBits, kMaxCodeBits))
        for (auto& w : sortedWeights) w = (w >> 1) | 1;
}

void AssignCodes(const uint8_t* lengths, size_t count, uint16_t* codes) {
    uint16_t lengthCount[kMaxCodeBits + 1] = {};
    for (size_t s = 0; s < count; ++s) ++lengthCount[lengths[s]];
    lengthCount[0] = 0;
    uint16_t nextCode[kMaxCodeBits + 1] = {};
    uint16_t code = 0;
    for (unsigned bits = 1; bits <= kMaxCodeBits; ++bits) {
        code = uint16_t((code + lengthCount[bits - 1]) << 1);
        nextCode[bits] = code;
    }
    for (size_t s = 0; s < count; ++s) {
        const unsigned len = lengths[s];
        if (len == 0) {
            codes[s] = 0;
            continue;
        }
        uint16_t value = nextCode[len]++;
        uint16_t reversed = 0;
        for (unsigned b = 0; b < len; ++b, value >>= 1) reversed = uint16_t((reversed << 1) | (value & 1));
        codes[s] = reversed;
    }
}

}  // namespace station

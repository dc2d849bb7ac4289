#include "station/engine/burnlist/small_window_deflate.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "station/engine/burnlist/huffman_code.h"

namespace station {
namespace {

// Match search: zlib level 6's lazy rules with a shorter chain; the packing
// benchmark weighs them against zlib level 6 itself.
constexpr unsigned kMaxChain = 48;
constexpr unsigned kGoodLength = 8;   // a match this long searches a quarter of the chain
constexpr unsigned kMaxLazy = 16;     // a match this long is taken without looking one byte on
constexpr unsigned kNiceLength = 258;  // only a match of the longest length ends the search
constexpr uint32_t kFarForThree = 4096;  // a 3-byte match further back costs more than its literals
constexpr size_t kBlockSymbols = 8192;   // Huffman block length (see the header)

constexpr unsigned kMinMatch = 3;
constexpr unsigned kMaxMatch = 258;
constexpr unsigned kHash4Bits = 15;
constexpr unsigned kHash3Bits = 14;
constexpr uint32_t kChainSlots = 8192;  // more than kSmallWindowMaxDistance: a live slot is never reused

constexpr size_t kLitLenSymbols = 286;
constexpr size_t kDistSymbols = 30;
constexpr size_t kCodeLengthSymbols = 19;
constexpr unsigned kEndOfBlock = 256;
constexpr uint8_t kCodeLengthOrder[kCodeLengthSymbols] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                          11, 4,  12, 3, 13, 2, 14, 1, 15};
constexpr uint16_t kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                      31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                      2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr uint16_t kDistBase[kDistSymbols] = {1,   2,   3,   4,   5,   7,    9,    13,   17,   25,
                                              33,  49,  65,  97,  129, 193,  257,  385,  513,  769,
                                              1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr uint8_t kDistExtra[kDistSymbols] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                              6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

struct SymbolTables {
    std::array<uint8_t, kMaxMatch + 1> lengthCode{};            // by match length
    std::array<uint8_t, kSmallWindowMaxDistance + 1> distCode{};  // by distance
    SymbolTables() {
        for (unsigned c = 0; c < 28; ++c)
            for (unsigned len = kLengthBase[c]; len < kLengthBase[c] + (1u << kLengthExtra[c]) && len <= kMaxMatch; ++len)
                lengthCode[len] = uint8_t(c);
        lengthCode[kMaxMatch] = 28;  // 258 has a code of its own
        for (unsigned c = 0; c < kDistSymbols; ++c)
            for (uint32_t d = kDistBase[c]; d < kDistBase[c] + (1u << kDistExtra[c]) && d <= kSmallWindowMaxDistance; ++d)
                distCode[d] = uint8_t(c);
    }
};

const SymbolTables& Tables() {
    static const SymbolTables tables;
    return tables;
}

uint32_t Load32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

uint64_t Load64(const uint8_t* p) {
    uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// Bytes equal from the start, at most `limit`.
size_t CommonLength(const uint8_t* a, const uint8_t* b, size_t limit) {
    size_t len = 0;
    for (; len + 8 <= limit; len += 8) {
        const uint64_t diff = Load64(a + len) ^ Load64(b + len);
        if (diff != 0) return len + size_t(__builtin_ctzll(diff) >> 3);
    }
    while (len < limit && a[len] == b[len]) ++len;
    return len;
}

struct Match {
    unsigned length = 0;
    uint32_t distance = 0;  // 0: none
};

// Hash chains over 4-byte prefixes within the window, plus the latest
// position of each 3-byte prefix for short matches close by.
class MatchFinder {
public:
    MatchFinder(const uint8_t* data, size_t size)
        : data_(data), size_(size), head4_(size_t(1) << kHash4Bits, -1), head3_(size_t(1) << kHash3Bits, -1),
          prev_(kChainSlots, -1) {}

    void Insert(size_t pos) {
        if (pos + 4 > size_) return;
        const uint32_t word = Load32(data_ + pos);
        int32_t& head = head4_[Hash(word, kHash4Bits)];
        prev_[pos % kChainSlots] = head;
        head = int32_t(pos);
        head3_[Hash(word & 0xFFFFFF, kHash3Bits)] = int32_t(pos);
    }

    // The longest match at `pos` longer than `atLeast`, searching `chain`
    // candidates; none when there is no longer one.
    Match Find(size_t pos, unsigned atLeast, unsigned chain) const {
        Match best;
        if (pos + 4 > size_) return best;
        const size_t maxLength = std::min<size_t>(kMaxMatch, size_ - pos);
        if (atLeast >= maxLength) return best;
        const int64_t lowest = int64_t(pos) - int64_t(kSmallWindowMaxDistance);
        const uint8_t* here = data_ + pos;
        const uint32_t word = Load32(here);
        size_t bestLength = atLeast;
        for (int32_t cand = head4_[Hash(word, kHash4Bits)]; cand >= 0 && cand >= lowest && chain > 0;
             cand = prev_[size_t(cand) % kChainSlots], --chain) {
            const uint8_t* there = data_ + cand;
            // The byte that would make this one longer first: most candidates fail there.
            if (there[bestLength] != here[bestLength] || Load32(there) != word) continue;
            const size_t length = 4 + CommonLength(there + 4, here + 4, maxLength - 4);
            if (length > bestLength) {
                bestLength = length;
                best = {unsigned(length), uint32_t(pos - size_t(cand))};
                if (length >= kNiceLength || length >= maxLength) break;
            }
        }
        if (best.distance == 0 && atLeast < kMinMatch) {
            const int32_t cand = head3_[Hash(word & 0xFFFFFF, kHash3Bits)];
            if (cand >= 0 && pos - size_t(cand) <= kFarForThree && std::memcmp(data_ + cand, here, 3) == 0)
                best = {unsigned(3 + CommonLength(data_ + cand + 3, here + 3, maxLength - 3)),
                        uint32_t(pos - size_t(cand))};
        }
        return best;
    }

private:
    static uint32_t Hash(uint32_t word, unsigned bits) { return (word * 0x9E3779B1u) >> (32 - bits); }

    const uint8_t* data_;
    size_t size_;
    std::vector<int32_t> head4_, head3_, prev_;
};

class BitWriter {
public:
    explicit BitWriter(std::vector<uint8_t>& out) : out_(out) {}
    void Put(uint32_t value, unsigned bits) {
        buffer_ |= uint64_t(value) << count_;
        count_ += bits;
        if (count_ >= 32) {
            for (int i = 0; i < 4; ++i) out_.push_back(uint8_t(buffer_ >> (8 * i)));
            buffer_ >>= 32;
            count_ -= 32;
        }
    }
    void Finish() {
        for (; count_ > 0; count_ = count_ > 8 ? count_ - 8 : 0, buffer_ >>= 8) out_.push_back(uint8_t(buffer_));
    }

private:
    std::vector<uint8_t>& out_;
    uint64_t buffer_ = 0;
    unsigned count_ = 0;
};

// A literal (distance 0) or a match.
struct Symbol {
    uint16_t distance;
    uint16_t value;  // the byte, or the match length
};

// One Huffman block's symbols and their frequencies.
class BlockWriter {
public:
    explicit BlockWriter(BitWriter& bits) : bits_(bits) { symbols_.reserve(kBlockSymbols); Clear(); }

    void Literal(uint8_t byte) {
        symbols_.push_back({0, byte});
        ++litFreq_[byte];
    }
    void Copy(unsigned length, uint32_t distance) {
        symbols_.push_back({uint16_t(distance), uint16_t(length)});
        ++litFreq_[257 + Tables().lengthCode[length]];
        ++distFreq_[Tables().distCode[distance]];
    }
    bool Full() const { return symbols_.size() >= kBlockSymbols; }

    // Every block has its own (dynamic) codes, even where the fixed code
    // would be a few bytes shorter: the loaders' inflaters are built and
    // proven on dynamic blocks.
    void Write(bool last) {
        litFreq_[kEndOfBlock] = 1;
        uint8_t litLen[kLitLenSymbols], distLen[kDistSymbols];
        BuildCodeLengths(litFreq_.data(), kLitLenSymbols, 15, litLen);
        BuildCodeLengths(distFreq_.data(), kDistSymbols, 15, distLen);
        bits_.Put(last ? 1 : 0, 1);
        bits_.Put(2, 2);
        WriteHeader(DescribeCodes(litLen, distLen));
        WriteSymbols(litLen, distLen);
        Clear();
    }

private:
    // The code lengths of both codes, run-length coded, with their own code.
    struct Header {
        size_t litCount = 0, distCount = 0, codeLengthCount = 0;
        std::vector<std::pair<uint8_t, uint8_t>> runs;  // symbol, extra value
        uint8_t clLen[kCodeLengthSymbols] = {};
    };

    static Header DescribeCodes(const uint8_t* litLen, const uint8_t* distLen) {
        Header h;
        h.litCount = kLitLenSymbols;
        while (h.litCount > 257 && litLen[h.litCount - 1] == 0) --h.litCount;
        h.distCount = kDistSymbols;
        while (h.distCount > 1 && distLen[h.distCount - 1] == 0) --h.distCount;
        std::vector<uint8_t> all(litLen, litLen + h.litCount);
        all.insert(all.end(), distLen, distLen + h.distCount);
        uint32_t clFreq[kCodeLengthSymbols] = {};
        auto run = [&](uint8_t symbol, uint8_t extra) {
            h.runs.push_back({symbol, extra});
            ++clFreq[symbol];
        };
        for (size_t i = 0; i < all.size();) {
            const uint8_t value = all[i];
            size_t same = 1;
            while (i + same < all.size() && all[i + same] == value) ++same;
            i += same;
            if (value == 0) {
                for (; same >= 11; same -= std::min<size_t>(same, 138)) run(18, uint8_t(std::min<size_t>(same, 138) - 11));
                if (same >= 3) {
                    run(17, uint8_t(same - 3));
                    same = 0;
                }
                for (; same > 0; --same) run(0, 0);
            } else {
                run(value, 0);
                for (--same; same >= 3; same -= std::min<size_t>(same, 6)) run(16, uint8_t(std::min<size_t>(same, 6) - 3));
                for (; same > 0; --same) run(value, 0);
            }
        }
        BuildCodeLengths(clFreq, kCodeLengthSymbols, 7, h.clLen);
        h.codeLengthCount = kCodeLengthSymbols;
        while (h.codeLengthCount > 4 && h.clLen[kCodeLengthOrder[h.codeLengthCount - 1]] == 0) --h.codeLengthCount;
        return h;
    }

    void WriteHeader(const Header& h) {
        bits_.Put(uint32_t(h.litCount - 257), 5);
        bits_.Put(uint32_t(h.distCount - 1), 5);
        bits_.Put(uint32_t(h.codeLengthCount - 4), 4);
        for (size_t i = 0; i < h.codeLengthCount; ++i) bits_.Put(h.clLen[kCodeLengthOrder[i]], 3);
        uint16_t clCode[kCodeLengthSymbols];
        AssignCodes(h.clLen, kCodeLengthSymbols, clCode);
        static constexpr uint8_t kRunExtraBits[3] = {2, 3, 7};
        for (const auto& [symbol, extra] : h.runs) {
            bits_.Put(clCode[symbol], h.clLen[symbol]);
            if (symbol >= 16) bits_.Put(extra, kRunExtraBits[symbol - 16]);
        }
    }

    void WriteSymbols(const uint8_t* litLen, const uint8_t* distLen) {
        uint16_t litCode[kLitLenSymbols], distCode[kDistSymbols];
        AssignCodes(litLen, kLitLenSymbols, litCode);
        AssignCodes(distLen, kDistSymbols, distCode);
        const SymbolTables& t = Tables();
        for (const Symbol& s : symbols_) {
            if (s.distance == 0) {
                bits_.Put(litCode[s.value], litLen[s.value]);
                continue;
            }
            const unsigned lc = t.lengthCode[s.value];
            bits_.Put(litCode[257 + lc], litLen[257 + lc]);
            if (kLengthExtra[lc]) bits_.Put(s.value - kLengthBase[lc], kLengthExtra[lc]);
            const unsigned dc = t.distCode[s.distance];
            bits_.Put(distCode[dc], distLen[dc]);
            if (kDistExtra[dc]) bits_.Put(s.distance - kDistBase[dc], kDistExtra[dc]);
        }
        bits_.Put(litCode[kEndOfBlock], litLen[kEndOfBlock]);
    }

    void Clear() {
        symbols_.clear();
        litFreq_.fill(0);
        distFreq_.fill(0);
    }

    BitWriter& bits_;
    std::vector<Symbol> symbols_;
    std::array<uint32_t, kLitLenSymbols> litFreq_{};
    std::array<uint32_t, kDistSymbols> distFreq_{};
};

}  // namespace

std::vector<uint8_t> DeflateSmallWindow(const uint8_t* data, size_t size) {
    std::vector<uint8_t> out;
    out.reserve(size + size / 8 + 1024);
    BitWriter bits(out);
    BlockWriter block(bits);
    MatchFinder finder(data, size);

    // Lazy matching: a match found at one byte is taken only when the next
    // byte does not start a longer one.
    unsigned prevLength = kMinMatch - 1;
    uint32_t prevDistance = 0;
    bool pending = false;  // the byte before `pos` is not coded yet
    size_t pos = 0;
    while (pos < size) {
        Match here;
        if (prevLength < kMaxLazy)
            here = finder.Find(pos, prevLength, prevLength >= kGoodLength ? kMaxChain / 4 : kMaxChain);
        finder.Insert(pos);
        if (pending && prevDistance != 0 && here.distance == 0) {
            block.Copy(prevLength, prevDistance);
            const size_t end = pos - 1 + prevLength;
            for (size_t p = pos + 1; p < end; ++p) finder.Insert(p);
            pos = end;
            pending = false;
            prevLength = kMinMatch - 1;
            prevDistance = 0;
        } else {
            if (pending) block.Literal(data[pos - 1]);
            pending = true;
            prevLength = here.distance ? here.length : kMinMatch - 1;
            prevDistance = here.distance;
            ++pos;
        }
        if (block.Full()) block.Write(false);
    }
    if (pending) block.Literal(data[size - 1]);
    block.Write(true);
    bits.Finish();
    return out;
}

}  // namespace station

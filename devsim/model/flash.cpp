#include "devsim/model/flash.h"

#include <algorithm>
#include <cstring>

#include "common/image_crc.h"

namespace devsim {

namespace {
bool AllErased(const uint8_t* p, size_t n) {
    for (size_t i = 0; i < n; ++i)
        if (p[i] != 0xFF) return false;
    return true;
}
}  // namespace

void FlashArray::SetLayout(const std::vector<FlashRegionSpec>& regions) {
    layout_ = regions;
    chunks_.clear();
}

const FlashRegionSpec* FlashArray::RegionOf(uint32_t address, uint32_t length) const {
    for (const auto& r : layout_) {
        if (address < r.base) continue;
        const uint64_t offset = uint64_t(address) - r.base;
        if (offset >= r.size) continue;
        if (offset + length > r.size) return nullptr;
        return &r;
    }
    return nullptr;
}

const FlashRegionSpec* FlashArray::RegionAt(uint32_t base) const {
    for (const auto& r : layout_)
        if (r.base == base) return &r;
    return nullptr;
}

namespace {

// Calls piece(chunkAddress, offsetInChunk, count, doneSoFar) for each part of
// [address, address + length) that lies in one storage chunk.
template <typename Piece>
void ForEachChunkPiece(uint32_t address, uint32_t length, uint32_t chunkSize, Piece piece) {
    uint32_t done = 0;
    while (done < length) {
        const uint32_t a = address + done;
        const uint32_t chunk = a & ~(chunkSize - 1);
        const uint32_t in = a - chunk;
        const uint32_t n = std::min(chunkSize - in, length - done);
        piece(chunk, in, n, done);
        done += n;
    }
}

}  // namespace

bool FlashArray::Read(uint32_t address, uint8_t* dst, uint32_t length) const {
    if (!RegionOf(address, length)) return false;
    ForEachChunkPiece(address, length, kChunk, [&](uint32_t chunk, uint32_t in, uint32_t n, uint32_t done) {
        auto it = chunks_.find(chunk);
        if (it == chunks_.end()) std::memset(dst + done, 0xFF, n);
        else std::memcpy(dst + done, it->second.get() + in, n);
    });
    return true;
}

bool FlashArray::Read(uint32_t address, uint32_t length, std::vector<uint8_t>& out) const {
    if (!RegionOf(address, length)) return false;
    out.resize(length);
    return Read(address, out.data(), length);
}

uint8_t* FlashArray::ChunkFor(uint32_t chunkAddress) {
    auto& p = chunks_[chunkAddress];
    if (!p) {
        p.reset(new uint8_t[kChunk]);
        std::memset(p.get(), 0xFF, kChunk);
    }
    return p.get();
}

bool FlashArray::Program(uint32_t address, const uint8_t* data, uint32_t length) {
    if (!RegionOf(address, length)) return false;
    ForEachChunkPiece(address, length, kChunk, [&](uint32_t chunk, uint32_t in, uint32_t n, uint32_t done) {
        if (chunks_.find(chunk) == chunks_.end() && AllErased(data + done, n)) return;
        uint8_t* p = ChunkFor(chunk) + in;
        for (uint32_t i = 0; i < n; ++i) p[i] &= data[done + i];
    });
    return true;
}

bool FlashArray::Erase(uint32_t address, uint32_t length) {
    if (!RegionOf(address, length)) return false;
    ForEachChunkPiece(address, length, kChunk, [&](uint32_t chunk, uint32_t in, uint32_t n, uint32_t) {
        auto it = chunks_.find(chunk);
        if (it == chunks_.end()) return;
        std::memset(it->second.get() + in, 0xFF, n);
        if (n == kChunk || AllErased(it->second.get(), kChunk)) chunks_.erase(it);
    });
    return true;
}

bool FlashArray::Crc(uint32_t address, uint32_t length, uint32_t& crc) const {
    if (!RegionOf(address, length)) return false;
    crc = 0;
    std::vector<uint8_t> piece;
    uint32_t done = 0;
    while (done < length) {
        const uint32_t n = std::min<uint32_t>(kChunk, length - done);
        piece.resize(n);
        Read(address + done, piece.data(), n);
        crc = common::ImageCrc(piece.data(), n, crc);
        done += n;
    }
    return true;
}

void FlashArray::ForEachChunk(const std::function<void(uint32_t, const uint8_t*)>& fn) const {
    for (const auto& [address, data] : chunks_) fn(address, data.get());
}

bool FlashArray::LoadChunk(uint32_t address, const uint8_t* data) {
    if ((address & (kChunk - 1)) != 0 || !RegionOf(address, kChunk)) return false;
    if (AllErased(data, kChunk)) {
        chunks_.erase(address);
        return true;
    }
    std::memcpy(ChunkFor(address), data, kChunk);
    return true;
}

}  // namespace devsim

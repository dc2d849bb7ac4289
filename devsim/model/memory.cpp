#include "devsim/model/memory.h"

#include <cstring>

namespace devsim {

uint8_t SparseMemory::Read8(uint32_t address) const {
    auto it = pages_.find(address / kPage);
    return it == pages_.end() ? fill_ : it->second[address % kPage];
}

void SparseMemory::Write8(uint32_t address, uint8_t value) {
    auto& page = pages_[address / kPage];
    if (!page) {
        page.reset(new uint8_t[kPage]);
        std::memset(page.get(), fill_, kPage);
    }
    page[address % kPage] = value;
}

void SparseMemory::Read(uint32_t address, uint8_t* dst, size_t n) const {
    for (size_t i = 0; i < n; ++i) dst[i] = Read8(uint32_t(address + i));
}

void SparseMemory::Write(uint32_t address, const uint8_t* src, size_t n) {
    for (size_t i = 0; i < n; ++i) Write8(uint32_t(address + i), src[i]);
}

uint32_t SparseMemory::Read32(uint32_t address) const {
    uint8_t b[4];
    Read(address, b, 4);
    return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
}

void SparseMemory::Write32(uint32_t address, uint32_t value) {
    const uint8_t b[4] = {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16), uint8_t(value >> 24)};
    Write(address, b, 4);
}

}  // namespace devsim

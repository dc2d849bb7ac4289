#pragma once
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>

namespace devsim {

// A 32-bit address space held in 4 KiB pages created on first write;
// unwritten bytes read as `fill`. Used for the chip's RAM and registers as
// the debug port sees them.
class SparseMemory {
public:
    explicit SparseMemory(uint8_t fill = 0) : fill_(fill) {}
    uint8_t Read8(uint32_t address) const;
    void Write8(uint32_t address, uint8_t value);
    void Read(uint32_t address, uint8_t* dst, size_t n) const;
    void Write(uint32_t address, const uint8_t* src, size_t n);
    // Little-endian words.
    uint32_t Read32(uint32_t address) const;
    void Write32(uint32_t address, uint32_t value);
    void Clear() { pages_.clear(); }
    bool Empty() const { return pages_.empty(); }

private:
    static constexpr uint32_t kPage = 4096;
    uint8_t fill_;
    std::map<uint32_t, std::unique_ptr<uint8_t[]>> pages_;
};

}  // namespace devsim

#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "devsim/model/device_type.h"

namespace devsim {

// The device's flash: regions of a device type, held sparsely in 64 KiB
// chunks; erased bytes read 0xFF. Writing programs like NOR flash: bits only
// go from 1 to 0 (new = old AND data), so writing without an erase shows.
// Every access must lie inside one region; anything else fails.
class FlashArray {
public:
    static constexpr uint32_t kChunk = 0x10000;

    FlashArray() = default;
    explicit FlashArray(const std::vector<FlashRegionSpec>& regions) { SetLayout(regions); }
    void SetLayout(const std::vector<FlashRegionSpec>& regions);
    const std::vector<FlashRegionSpec>& Layout() const { return layout_; }

    // The region holding [address, address + length) whole, or null.
    // A zero length needs `address` inside a region.
    const FlashRegionSpec* RegionOf(uint32_t address, uint32_t length) const;
    // The region whose base is exactly `base`, or null.
    const FlashRegionSpec* RegionAt(uint32_t base) const;

    bool Read(uint32_t address, uint8_t* dst, uint32_t length) const;
    bool Read(uint32_t address, uint32_t length, std::vector<uint8_t>& out) const;
    bool Program(uint32_t address, const uint8_t* data, uint32_t length);
    bool Erase(uint32_t address, uint32_t length);
    bool Crc(uint32_t address, uint32_t length, uint32_t& crc) const;

    // Chunks that hold data, in address order: (chunk address, 64 KiB).
    void ForEachChunk(const std::function<void(uint32_t address, const uint8_t* data)>& fn) const;
    // Puts a whole chunk back (state file load); false outside the layout.
    bool LoadChunk(uint32_t address, const uint8_t* data);
    void EraseEverything() { chunks_.clear(); }

private:
    uint8_t* ChunkFor(uint32_t chunkAddress);
    std::vector<FlashRegionSpec> layout_;
    std::map<uint32_t, std::unique_ptr<uint8_t[]>> chunks_;  // key: chunk address
};

}  // namespace devsim

#include "common/image_crc.h"

#include <zlib.h>

namespace common {

// zlib's crc32 inverts the register on entry and on exit; feeding it the
// inverted register and inverting its result gives the plain register form.
uint32_t ImageCrc(const uint8_t* data, size_t length, uint32_t crc) {
    uLong reg = ~crc & 0xFFFFFFFFu;
    while (length > 0) {
        uInt piece = length > 0x40000000u ? 0x40000000u : uInt(length);
        reg = crc32(reg, data, piece);
        data += piece;
        length -= piece;
    }
    return ~uint32_t(reg);
}

}  // namespace common

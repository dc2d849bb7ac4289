#include "devsim/model/gzip_block.h"

#include <zlib.h>

#include "common/image_crc.h"

namespace devsim {

bool ExpandImageBlock(uint32_t rawLength, uint32_t crc, const uint8_t* stored, uint32_t storedLength,
                      std::vector<uint8_t>& out, std::string& error) {
    out.clear();
    if (rawLength > kMaxBlockRaw) {
        error = "block longer than 0x200000";
        return false;
    }
    if (storedLength == rawLength) {
        out.assign(stored, stored + storedLength);
    } else {
        z_stream z{};
        if (inflateInit2(&z, -kInflateWindowBits) != Z_OK) {
            error = "inflateInit2 failed";
            return false;
        }
        out.reserve(rawLength);
        z.next_in = const_cast<Bytef*>(stored);
        z.avail_in = storedLength;
        uint8_t piece[kInflateOutputPiece];
        int rc = Z_OK;
        while (rc == Z_OK) {
            z.next_out = piece;
            z.avail_out = sizeof piece;
            rc = inflate(&z, Z_NO_FLUSH);
            const size_t got = sizeof piece - z.avail_out;
            if (out.size() + got > rawLength) {
                error = "block inflates past its length";
                inflateEnd(&z);
                return false;
            }
            out.insert(out.end(), piece, piece + got);
            if (rc == Z_BUF_ERROR && z.avail_in == 0) break;  // input ended before the stream did
            if (rc == Z_BUF_ERROR && got > 0) rc = Z_OK;
        }
        const char* msg = z.msg;
        inflateEnd(&z);
        if (rc != Z_STREAM_END) {
            error = std::string("inflate: ") + (msg ? msg : rc == Z_BUF_ERROR ? "stream truncated" : "error");
            return false;
        }
    }
    if (out.size() != rawLength) {
        error = "block length " + std::to_string(out.size()) + " instead of " + std::to_string(rawLength);
        return false;
    }
    if (common::ImageCrc(out.data(), out.size()) != crc) {
        error = "block CRC mismatch";
        return false;
    }
    return true;
}

}  // namespace devsim

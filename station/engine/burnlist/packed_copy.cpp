#include "station/engine/burnlist/packed_copy.h"

#include <cstdio>
#include <vector>

#include "common/compressed_image.h"
#include "common/file_util.h"
#include "common/image_crc.h"
#include "platform/paths.h"
#include "station/engine/burnlist/image_packer.h"

namespace station {
namespace {

// An existing packed copy is this image's when its header says so and its
// blocks lie whole inside the file.
bool IsPackedCopyOf(const std::string& packedPath, const std::vector<uint8_t>& image) {
    std::vector<uint8_t> packed;
    if (!common::ReadWholeFile(packedPath, packed)) return false;
    common::CompressedImage parsed;
    std::string error;
    return common::ParseCompressedImage(packed.data(), packed.size(), parsed, error) &&
           parsed.totalLength == image.size() && parsed.crc == common::ImageCrc(image.data(), image.size());
}

}  // namespace

std::string PackedCopyPath(const std::string& imagePath) { return imagePath + "_gzip"; }

PackedCopyOutcome PreparePackedCopy(const std::string& imagePath) {
    PackedCopyOutcome outcome;
    outcome.path = PackedCopyPath(imagePath);
    std::vector<uint8_t> image;
    if (!common::ReadWholeFile(imagePath, image)) {
        outcome.note = "can not open: " + imagePath + "\n";
        return outcome;
    }
    const bool existed = platform::FileExists(outcome.path);
    if (existed) {
        if (IsPackedCopyOf(outcome.path, image)) {
            outcome.listed = true;
            return outcome;
        }
        outcome.note = "packed copy " + outcome.path + " is not of this image, packing again\n";
    }
    if (image.size() >= common::kCompressedBlockRawSize) {
        const std::vector<uint8_t> packed = PackImage(image.data(), image.size());
        if (PackedSizeWorthKeeping(packed.size(), image.size())) {
            common::AtomicFileWriter out(outcome.path);
            out.Write(packed.data(), packed.size());
            if (out.Commit()) {
                outcome.listed = true;
                return outcome;
            }
            outcome.note += "can not create file: " + outcome.path + "\n";
        }
    }
    // Nothing may be left that a later run would take for this image's copy.
    if (existed) std::remove(outcome.path.c_str());
    return outcome;
}

}  // namespace station

#pragma once
#include <string>

namespace station {

// The packed copy of an image is "<image>_gzip" beside it.
std::string PackedCopyPath(const std::string& imagePath);

struct PackedCopyOutcome {
    bool listed = false;   // the packed copy exists and is to be downloaded instead
    std::string path;      // of the packed copy
    std::string note;      // a line for the main log when something was wrong, else empty
};

// Makes sure an image of at least one block has a packed copy when packing
// saves at least 15 %: an existing copy of this very image (same length and
// ImageCrc) is used as it is; otherwise the image is packed and the copy
// written under a private name and renamed when complete, or removed when it
// does not pay. A copy made from another image is never listed, since the
// loader would verify the old image against its own checksum and pass.
PackedCopyOutcome PreparePackedCopy(const std::string& imagePath);

}  // namespace station

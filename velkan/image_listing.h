#pragma once
#include <string>
#include <vector>

namespace velkan {

// Loader images are ".bin" and ".elf" files, the extension in any case.
bool HasLoaderImageExtension(const std::string& name);

// Full paths of the loader images directly in a folder (not its
// subfolders), sorted by name in byte order. An unreadable folder lists none.
std::vector<std::string> ListLoaderImages(const std::string& folder);

// What a drop onto the editor lists: the dropped images and the images of
// dropped folders, in drop order, and the text for the path field (the
// folder of the first item when it is a file, with its trailing "/", or the
// first item itself when it is a folder).
struct DropListing {
    std::vector<std::string> images;
    std::string pathField;
};
DropListing ListDroppedItems(const std::vector<std::string>& items);

}  // namespace velkan

#include "velkan/image_listing.h"

#include <algorithm>
#include <filesystem>
#include <strings.h>

#include "platform/paths.h"

namespace velkan {
namespace fs = std::filesystem;

namespace {

bool IsFolder(const std::string& path) {
    std::error_code ec;
    return fs::is_directory(path, ec);
}

}  // namespace

bool HasLoaderImageExtension(const std::string& name) {
    const size_t slash = name.find_last_of('/');
    const size_t dot = name.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return false;
    const char* ext = name.c_str() + dot;
    return strcasecmp(ext, ".bin") == 0 || strcasecmp(ext, ".elf") == 0;
}

std::vector<std::string> ListLoaderImages(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    fs::directory_iterator it(folder, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        std::error_code typeError;
        if (it->is_directory(typeError)) continue;
        std::string name = it->path().filename().string();
        if (HasLoaderImageExtension(name)) names.push_back(std::move(name));
    }
    // The directory's own order means nothing here: list by name.
    std::sort(names.begin(), names.end());
    std::vector<std::string> images;
    images.reserve(names.size());
    for (const auto& name : names) images.push_back(platform::JoinPath(folder, name));
    return images;
}

DropListing ListDroppedItems(const std::vector<std::string>& items) {
    DropListing listing;
    for (const auto& item : items) {
        if (IsFolder(item)) {
            auto images = ListLoaderImages(item);
            listing.images.insert(listing.images.end(), images.begin(), images.end());
        } else if (HasLoaderImageExtension(item)) {
            listing.images.push_back(item);
        }
    }
    if (!items.empty()) {
        const std::string& first = items.front();
        if (IsFolder(first)) {
            listing.pathField = first;
        } else {
            const size_t slash = first.find_last_of('/');
            listing.pathField = slash == std::string::npos ? std::string() : first.substr(0, slash + 1);
        }
    }
    return listing;
}

}  // namespace velkan

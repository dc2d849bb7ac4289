#include "common/image_file.h"

#include <new>

#include "common/file_util.h"
#include "common/print_log.h"

namespace common {

ImageRead ReadImageFile(const std::string& path, std::vector<uint8_t>& data) {
    try {
        return ReadWholeFile(path, data) ? ImageRead::Ok : ImageRead::CantOpen;
    } catch (const std::bad_alloc&) {
        data = {};
        PrintLog(false, "file: %s, malloc error !\n", path.c_str());
        return ImageRead::NoMemory;
    }
}

}  // namespace common

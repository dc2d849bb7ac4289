#pragma once
// Finding the flash address of each download file of an upgrade package
// from what the package holds: the image's own vector table, the linker map
// files, or a HEX twin of the image.
#include <string>
#include <vector>

namespace station {

enum class AddressSearch {
    kNone = 0,
    kVectorTable = 1,     // the image's reset vector, 4 KiB aligned
    kAppMap = 2,          // one text in the application map
    kAppMapTwo = 3,       // two texts in the application map, the second wins
    kCoprocessorMap = 4,  // one text in the coprocessor map
    kHexTwin = 5,         // the start address of "<image>.hex"
};

struct FileSearch {
    AddressSearch kind = AddressSearch::kNone;
    std::string text;        // the map text
    std::string secondText;  // kAppMapTwo only
};

// A file's FILE_SEARCH_%d text: "" none; "readfile..." vector table;
// "readhex..." HEX twin; "lcpu>TEXT" coprocessor map; "muti>FIRST||SECOND"
// two texts (without "||": "muti>TEXT", one); any other text is itself the
// one text of the application map.
FileSearch ParseFileSearch(const std::string& text);

struct AddressedFile {
    std::string path;     // the image
    FileSearch search;
    std::string address;  // the address column; replaced when found
};

// Fills the address of every file that has a search kind; maps are read
// from `packageDir` ("kq0_ap.map", else "hcpu.map"; "lcpu.map"). Logs
// "获取下载地址 成功" or "获取下载地址 失败" and returns whether every search
// could be made.
bool SearchDownloadAddresses(const std::string& packageDir, std::vector<AddressedFile>& files);

}  // namespace station

#include "quenlo/file_list.h"

#include <cstdio>

#include "common/compressed_image.h"
#include "common/ini_profile.h"
#include "common/parse_number.h"
#include "common/path_image_table.h"
#include "common/print_log.h"
#include "platform/paths.h"
#include "platform/regular_file.h"

namespace quenlo {

using common::PrintLog;

namespace {

// Opens a file for binary reading and gives its size and first eight bytes.
struct OpenedFile {
    bool opened = false;
    uint32_t size = 0;
    uint8_t head[8] = {};
    size_t headBytes = 0;
};

OpenedFile Probe(const std::string& path) {
    OpenedFile f;
    FILE* file = platform::OpenRegularFile(path);
    if (!file) return f;
    if (std::fseek(file, 0, SEEK_END) != 0 || std::ftell(file) < 0) {
        std::fclose(file);
        return f;
    }
    f.opened = true;
    f.size = uint32_t(std::ftell(file));
    std::rewind(file);
    f.headBytes = std::fread(f.head, 1, sizeof f.head, file);
    std::fclose(file);
    return f;
}

}  // namespace

bool GetBurnList(Tool& t, const std::string& listFile) {
    JobSettings& cfg = t.cfg;
    const std::string path = platform::FromCurrentDirectory(listFile);
    const int count = common::IniReadInt(path, "FILEINFO", "NUM", 0);
    if (count <= 0) {
        PrintLog(false, "error: no file found \n");
        return false;
    }
    if (count > int(kMaxFiles)) {
        PrintLog(false, "error: too many files > %d \n", int(kMaxFiles));
        return false;
    }
    cfg.ramPatchPath = common::IniReadString(path, "RTT_CALI", "RAM_PATCH");
    cfg.files.clear();
    t.progress.totalBytes = 0;
    for (int j = 0; j < count; ++j) {
        ListedFile file;
        file.path = common::IniReadString(path, "FILEINFO", "FILE" + std::to_string(j));
        // The station writes "0x..." addresses: the shared number reader takes them.
        file.address = common::ParseNumber(common::IniReadString(path, "FILEINFO", "ADDR" + std::to_string(j)));
        OpenedFile opened = Probe(file.path);
        if (!opened.opened) {
            PrintLog(false, "file: %s can't open\n", file.path.c_str());
            return false;
        }
        file.length = opened.size;
        t.progress.totalBytes += file.length;
        cfg.files.push_back(std::move(file));
    }
    return true;
}

bool GetBurnListPath(Tool& t, const std::string& dir) {
    JobSettings& cfg = t.cfg;
    common::RowAddresses rows;
    const common::MapsRead maps = common::ReadRowAddresses(dir, rows);
    if (!maps.mainMap) PrintLog(false, "无法打开 hcpu map 文件 !\n");
    if (!maps.lcpuMap) PrintLog(false, "无法打开 lcpu map 文件 !");
    cfg.files.clear();
    t.progress.totalBytes = 0;
    for (size_t i = 0; i < common::kPathImageTableSize; ++i) {
        std::vector<std::string> names;
        if (i < common::kPathImageRows) {
            names.push_back(common::kPathImageTable[i].fileName);
            if (common::kPathImageTable[i].altName) names.push_back(common::kPathImageTable[i].altName);
        } else {
            names.push_back("");  // the table's empty rows
        }
        std::string tried;
        OpenedFile opened;
        for (const std::string& name : names) {
            tried = platform::JoinPath(dir, name);
            if (name.empty()) break;
            opened = Probe(tried);
            if (opened.opened) break;
        }
        if (!opened.opened) {
            PrintLog(false, "file: %s can't open\n", tried.c_str());
            continue;
        }
        uint32_t address = i < common::kPathImageRows ? rows[i].address : 0;
        // Without an address the image's reset vector, rounded down to 4 KiB, places it.
        if (address == 0 && opened.headBytes == sizeof opened.head) {
            const uint32_t vector = common::ReadLe32(opened.head + 4) & 0xFFFFF000u;
            if (vector != 0) address = vector;
        }
        t.progress.totalBytes += opened.size;
        cfg.files.push_back({tried, opened.size, address});
    }
    if (cfg.files.empty()) {
        PrintLog(false, "error: no file found \n");
        return false;
    }
    return true;
}

}  // namespace quenlo

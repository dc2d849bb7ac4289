#include "station/engine/burnlist/download_address_search.h"

#include <cstdio>

#include "common/compressed_image.h"
#include "common/line_reader.h"
#include "common/map_file.h"
#include "platform/paths.h"
#include "platform/regular_file.h"
#include "station/engine/log/main_log.h"

namespace station {
namespace {

constexpr size_t kHexLineChars = 299;
constexpr size_t kAddressChars = 10;
constexpr size_t kColumnAfterText = 3;  // the linker's map layout: two blanks before, one after
constexpr uint32_t kLowestVectorAddress = 4095;

bool StartsWith(const std::string& text, const std::string& prefix) { return text.rfind(prefix, 0) == 0; }

std::string WithoutLineEnd(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

// The address text as the map line gives it, at the column fixed by the
// text's length.
std::string MapAddressText(const std::string& line, const std::string& text) {
    const size_t column = text.size() + kColumnAfterText;
    return column < line.size() ? WithoutLineEnd(line.substr(column, kAddressChars)) : std::string();
}

// Kinds 2 and 3 in the application map, or kind 4 in the coprocessor map.
// A file is done with its (last) text; reading ends when all are done.
void SearchMap(const std::string& mapPath, std::vector<AddressedFile*>& files) {
    std::vector<bool> done(files.size(), false);
    size_t open = files.size();
    common::ForEachLoadRegionLine(mapPath, [&](const std::string& line) {
        for (size_t i = 0; i < files.size() && open > 0; ++i) {
            if (done[i]) continue;
            AddressedFile& file = *files[i];
            const bool two = file.search.kind == AddressSearch::kAppMapTwo;
            if (!file.search.text.empty() && line.find(file.search.text) != std::string::npos) {
                file.address = MapAddressText(line, file.search.text);
                if (!two) done[i] = true, --open;
            }
            if (two && !file.search.secondText.empty() && line.find(file.search.secondText) != std::string::npos) {
                file.address = MapAddressText(line, file.search.secondText);
                done[i] = true, --open;
            }
        }
    });
}

std::vector<AddressedFile*> FilesOfKinds(std::vector<AddressedFile>& files, AddressSearch a, AddressSearch b) {
    std::vector<AddressedFile*> found;
    for (auto& file : files)
        if ((file.search.kind == a || file.search.kind == b) &&
            !(file.search.text.empty() && file.search.secondText.empty()))
            found.push_back(&file);
    return found;
}

bool SearchMaps(const std::string& packageDir, std::vector<AddressedFile>& files) {
    bool ok = true;
    auto app = FilesOfKinds(files, AddressSearch::kAppMap, AddressSearch::kAppMapTwo);
    if (!app.empty()) {
        std::string map = platform::JoinPath(packageDir, "kq0_ap.map");
        if (!platform::FileExists(map)) map = platform::JoinPath(packageDir, "hcpu.map");
        if (platform::FileExists(map)) {
            SearchMap(map, app);
        } else {
            Log(0, "无法打开 hcpu map 文件 !\n");
            ok = false;
        }
    }
    auto coprocessor = FilesOfKinds(files, AddressSearch::kCoprocessorMap, AddressSearch::kCoprocessorMap);
    if (!coprocessor.empty()) {
        const std::string map = platform::JoinPath(packageDir, "lcpu.map");
        if (platform::FileExists(map)) {
            SearchMap(map, coprocessor);
        } else {
            Log(0, "无法打开 lcpu map 文件 !");
            ok = false;
        }
    }
    return ok;
}

// "<image without its last four characters>.hex": its first record sets the
// upper address half, the second record's address field the lower.
bool SearchHexTwin(AddressedFile& file) {
    const std::string hexPath = file.path.substr(0, file.path.size() < 4 ? 0 : file.path.size() - 4) + ".hex";
    common::LineReader reader(hexPath, kHexLineChars);
    if (!reader.IsOpen()) {
        Log(0, "can not open: %s\n", hexPath.c_str());
        return false;
    }
    std::string first, second;
    if (reader.Next(first) && StartsWith(first, ":02000004") && first.size() >= 13 && reader.Next(second) &&
        second.size() >= 7)
        file.address = "0x" + first.substr(9, 4) + second.substr(3, 4);
    return true;
}

// The image's second word is its reset vector; the image starts at its
// 4 KiB page.
void SearchVectorTable(AddressedFile& file) {
    FILE* f = platform::OpenRegularFile(file.path);
    if (!f) return;
    uint8_t head[8];
    const bool read = std::fread(head, 1, sizeof head, f) == sizeof head;
    std::fclose(f);
    const uint32_t resetVector = common::ReadLe32(head + 4);
    if (!read || resetVector <= kLowestVectorAddress) return;
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", resetVector & ~0xFFFu);
    file.address = text;
}

}  // namespace

FileSearch ParseFileSearch(const std::string& text) {
    FileSearch search;
    if (text.empty()) return search;
    if (StartsWith(text, "readfile")) {
        search.kind = AddressSearch::kVectorTable;
    } else if (StartsWith(text, "readhex")) {
        search.kind = AddressSearch::kHexTwin;
    } else if (StartsWith(text, "lcpu>")) {
        search.kind = AddressSearch::kCoprocessorMap;
        search.text = text.substr(5);
    } else if (StartsWith(text, "muti>")) {
        const std::string texts = text.substr(5);
        const size_t bar = texts.find("||");
        search.kind = bar == std::string::npos ? AddressSearch::kAppMap : AddressSearch::kAppMapTwo;
        search.text = texts.substr(0, bar);
        if (bar != std::string::npos) search.secondText = texts.substr(bar + 2);
    } else {
        search.kind = AddressSearch::kAppMap;
        search.text = text;
    }
    return search;
}

bool SearchDownloadAddresses(const std::string& packageDir, std::vector<AddressedFile>& files) {
    bool ok = SearchMaps(packageDir, files);
    for (auto& file : files) {
        if (file.search.kind == AddressSearch::kHexTwin) ok = SearchHexTwin(file) && ok;
        if (file.search.kind == AddressSearch::kVectorTable) SearchVectorTable(file);
    }
    Log(0, ok ? "获取下载地址 成功\n" : "获取下载地址 失败\n");
    return ok;
}

}  // namespace station

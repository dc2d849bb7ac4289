#include "station/engine/burnlist/package_files.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "common/ini_profile.h"
#include "platform/paths.h"
#include "station/engine/burnlist/download_address_search.h"
#include "station/engine/settings/station_settings.h"

namespace station {

namespace {

// The file's size, or nullopt-like -1 when it is no regular file.
long long SizeOf(const std::string& path) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    return error ? -1 : static_cast<long long>(size);
}

std::string KiloBytes(long long bytes) {
    char text[64];
    std::snprintf(text, sizeof text, "%.2f kB", double(bytes) / 1024);
    return text;
}

std::string Key(const char* format, int n) {
    char key[32];
    std::snprintf(key, sizeof key, format, n);
    return key;
}

// One row per listed entry whose file is present, from an INI of the package.
std::vector<PackageFile> FromPackageIni(const std::string& ini, const std::string& dir, const char* section,
                                        const char* numKey, const char* nameKey, const char* addrKey,
                                        const char* desKey) {
    std::vector<PackageFile> rows;
    const int count = common::IniReadInt(ini, section, numKey, 0);
    for (int n = 0; n < count; ++n) {
        const std::string path = platform::JoinPath(dir, common::IniReadString(ini, section, Key(nameKey, n)));
        const long long size = SizeOf(path);
        if (size < 0) continue;
        PackageFile row;
        row.name = desKey ? common::IniReadString(ini, section, Key(desKey, n)) : Key(nameKey, n);
        row.path = path;
        row.address = common::IniReadString(ini, section, Key(addrKey, n));
        row.size = KiloBytes(size);
        row.index = int(rows.size());
        rows.push_back(row);
    }
    return rows;
}

// The configured files whose FILE_SEARCH_%d names a search get their
// address from the package (maps, HEX twin, vector table); the others keep
// the configured one.
void FillSearchedAddresses(const StationSettings& settings, const std::string& packageDir,
                           std::vector<PackageFile>& rows) {
    std::vector<AddressedFile> searched;
    std::vector<PackageFile*> owners;
    for (PackageFile& row : rows) {
        const FileSearch search = ParseFileSearch(settings.Read(FILE_SET::FILE_SEARCH(row.index)));
        if (search.kind == AddressSearch::kNone) continue;
        searched.push_back({row.path, search, row.address});
        owners.push_back(&row);
    }
    if (searched.empty()) return;
    SearchDownloadAddresses(packageDir, searched);
    for (size_t i = 0; i < searched.size(); ++i) owners[i]->address = searched[i].address;
}

}  // namespace

std::vector<PackageFile> ListPackageFiles(const StationSettings& settings, const std::string& packageDir) {
    if (packageDir.empty()) return {};
    const std::string downfile = platform::JoinPath(packageDir, "downfile.ini");
    if (platform::FileExists(downfile))
        return FromPackageIni(downfile, packageDir, "FILE_INFO", "FILE_NUM", "FILE_NAME_%d", "FILE_ADDR_%d",
                              "FILE_DES_%d");
    const std::string burnList = platform::JoinPath(packageDir, "ImgBurnList.ini");
    if (platform::FileExists(burnList))
        return FromPackageIni(burnList, packageDir, "FILEINFO", "NUM", "FILE%d", "ADDR%d", nullptr);

    std::vector<PackageFile> rows;
    const int count = settings.Read(FILE_SET::FILE_NUM);
    for (int n = 0; n < count; ++n) {
        // "name||second name": the second is tried when the first is absent.
        const std::string names = settings.Read(FILE_SET::FILE_NAME(n));
        const size_t bar = names.find("||");
        std::string path = platform::JoinPath(packageDir, names.substr(0, bar));
        long long size = names.empty() ? -1 : SizeOf(path);
        if (size < 0 && bar != std::string::npos) {
            path = platform::JoinPath(packageDir, names.substr(bar + 2));
            size = SizeOf(path);
        }
        if (size < 0) continue;
        PackageFile row;
        row.name = settings.Read(FILE_SET::FILE_DES(n));
        row.path = path;
        row.address = settings.Read(FILE_SET::FILE_ADDR(n));
        row.size = KiloBytes(size);
        row.index = n;
        rows.push_back(row);
    }
    FillSearchedAddresses(settings, packageDir, rows);
    return rows;
}

void WritePackageFiles(const StationSettings& settings, const std::vector<PackageFile>& files) {
    int count = settings.Read(FILE_SET::FILE_NUM);
    for (const PackageFile& file : files) {
        settings.Write(FILE_SET::FILE_PATH(file.index), file.path);
        settings.Write(FILE_SET::FILE_SEL(file.index), file.selected);
        settings.Write(FILE_SET::FILE_ADDR(file.index), file.address);
        count = std::max(count, file.index + 1);
    }
    settings.Write(FILE_SET::FILE_NUM, count);
}

}  // namespace station

#pragma once
// The parameter page's download file list, filled from the package
// directory: its "downfile.ini", else its "ImgBurnList.ini", else the
// configured download files found in it, whose addresses are searched in
// the package where their FILE_SEARCH_%d says how.
#include <string>
#include <vector>

namespace station {

class StationSettings;

struct PackageFile {
    std::string name;
    std::string path;
    std::string address;
    std::string size;  // "%.2f kB"
    int index = 0;     // the FILE_SET index the row is written back under
    bool selected = true;
};

std::vector<PackageFile> ListPackageFiles(const StationSettings& settings, const std::string& packageDir);

// The rows written back (FILE_NUM, FILE_PATH_%d, FILE_SEL_%d, FILE_ADDR_%d
// under each row's index).
void WritePackageFiles(const StationSettings& settings, const std::vector<PackageFile>& files);

}  // namespace station

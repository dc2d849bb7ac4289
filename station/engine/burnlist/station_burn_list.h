#pragma once
// The station burn list "<root>/temp/ImgBurnList.txt": the download files
// the operator selected, in the burn list format the tools read, with HEX
// files converted to flat images, large images on the UART interface packed,
// and the RAM loader section of the interface. Each burn job copies it per
// channel and puts the channel's factory data into entry 0.
#include <string>
#include <vector>

namespace station {

class StationSettings;

// Entry 0 while factory data is selected; the job points it at the
// channel's own factory-data file.
inline constexpr const char* kFactoryDataEntryFile = "ble.bin";
inline constexpr const char* kFactoryDataEntryAddress = "0x1000e000";

// One row of the download file list.
struct DownloadFile {
    std::string path;
    std::string address;  // as entered: "0x" hexadecimal, else decimal
    bool selected = false;
};

// What the operator is shown when the parameter page's confirmation cannot
// make the list (the list's writer has logged why).
inline constexpr const char* kBurnListFailedMessage =
    "x 生成下载列表失败！\n请至少选择一项下载内容(包括BLE MAC/SN/BLE NAME/BT NAME/ALPAY)！";

struct BurnListOutcome {
    bool ok = false;      // the list was written whole and holds an entry
    std::string message;  // otherwise what went wrong, as logged
};

std::string StationBurnListPath(const std::string& root);
// The copy a channel's tool reads: the station list with the channel's own
// factory-data file in entry 0.
std::string ChannelBurnListPath(const std::string& root, int channel);

// The rows the settings hold (FILE_SET: FILE_PATH_%d, FILE_ADDR_%d,
// FILE_SEL_%d for each of FILE_NUM files); rows without a path are no files.
std::vector<DownloadFile> DownloadFilesFromSettings(const StationSettings& settings);

// Writes the list from the selected rows, logging "生成下载文件列表" at the start
// and "生成下载文件列表成功" on success. A missing file, a HEX file with a second
// address sector or a list without entries fails with the reason (logged);
// the list file is then removed, so that no start burns an old or partial
// list. Otherwise the list file is replaced whole.
BurnListOutcome GenerateStationBurnList(const StationSettings& settings, const std::vector<DownloadFile>& files);

// The same from the rows the settings hold.
BurnListOutcome GenerateStationBurnList(const StationSettings& settings);

}  // namespace station

#include "station/engine/burnlist/station_burn_list.h"

#include <cstdarg>
#include <cstdio>

#include "common/burn_list.h"
#include "common/file_util.h"
#include "common/parse_number.h"
#include "common/text_search.h"
#include "platform/paths.h"
#include "station/engine/burnlist/packed_copy.h"
#include "station/engine/log/main_log.h"
#include "station/engine/settings/station_settings.h"

namespace station {
namespace {

constexpr const char* kNoEntryMessage = "x 未选择文件且无工厂数据选择\n";
constexpr const char* kMultiSectorMessage = "hex file has muti sector, not support !\n";
// Images below these addresses sit in the chip's own flash, which the
// loader writes as they are; only external flash takes packed images.
constexpr uint32_t kLastUnpackedAddress = 0x1FFFFFFF;
constexpr uint32_t kLastUnpackedAddressQM2B = 0x67FFFFFF;

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = FormatText(format, args);
    va_end(args);
    return text;
}

bool PackingEnabled(const StationSettings& settings, const std::string& device) {
    return settings.Read(COMMON_SET::EZIP_FLAG) && settings.IsUart() &&
           settings.Read(UART_COMPRESS::For(device)) != 0;
}

bool PackableAddress(const std::string& address, const std::string& device) {
    const uint32_t value = common::ParseNumber(address);
    return value > (common::Contains(device, "QM2B") ? kLastUnpackedAddressQM2B : kLastUnpackedAddress);
}

// The loader the tool boots: the UART RAM loader with its key, or for J-Link
// the factory loader of the device family.
std::string LoaderSection(const StationSettings& settings, const std::string& device) {
    const std::string& root = settings.Root();
    if (settings.IsUart()) {
        return Format("[UART_PRESET]\nRAM_PATCH=%s/file/%s\nSIG_PUB=%s/file/sig_pub.der\n\n", root.c_str(),
                      settings.RamLoaderName(device).c_str(), root.c_str());
    }
    static const struct {
        const char* family;
        const char* loader;
    } kJLinkLoaders[] = {{"QM2B", "factory_cali.bin"},
                         {"QM2E", "factory_cali_2E.bin"},
                         {"QM2C", "factory_cali_2C.bin"},
                         {"QM2A", "factory_cali_2A.bin"}};
    std::string section = "[RTT_CALI]\n";
    for (const auto& entry : kJLinkLoaders) {
        if (common::Contains(device, entry.family)) {
            section += Format("RAM_PATCH=%s/file/%s\n\n", root.c_str(), entry.loader);
            break;
        }
    }
    return section;
}

// Builds the text of the list entry by entry; stops at the first file that
// cannot be listed.
class ListComposer {
public:
    explicit ListComposer(const StationSettings& settings) : settings_(settings), device_(settings.DeviceType()) {}

    std::string Compose(const std::vector<DownloadFile>& files) {
        text_ = "[FILEINFO]\n";
        if (settings_.FactoryDataSelected()) {
            text_ += Format("FILE%d=%s\nADDR%d=%s\n", entries_, kFactoryDataEntryFile, entries_,
                            kFactoryDataEntryAddress);
            ++entries_;
        }
        const bool packing = PackingEnabled(settings_, device_);
        for (const auto& file : files) {
            if (!file.selected) continue;
            if (!(platform::FileExists(file.path) ? AddFile(file, packing) : Refuse("can not open: " + file.path + "\n")))
                break;
            ++entries_;
        }
        text_ += Format("NUM=%d\n\n", entries_);
        if (failure_.empty()) text_ += LoaderSection(settings_, device_);
        return text_;
    }

    int Entries() const { return entries_; }
    const std::string& Failure() const { return failure_; }

private:
    bool Refuse(const std::string& reason) {
        Log(0, "%s", reason.c_str());
        failure_ = reason;
        return false;
    }

    bool AddFile(const DownloadFile& file, bool packing) {
        if (common::EndsWithNoCase(file.path, ".hex")) return AddHexFile(file);
        text_ += Format("FILE%d=%s\nADDR%d=%s\n", entries_, file.path.c_str(), entries_, file.address.c_str());
        if (packing && PackableAddress(file.address, device_)) {
            const PackedCopyOutcome packed = PreparePackedCopy(file.path);
            if (!packed.note.empty()) Log(0, "%s", packed.note.c_str());
            if (packed.listed) text_ += Format("FILEGZIP%d=%s\n", entries_, packed.path.c_str());
        }
        return true;
    }

    // The flat image goes where the HEX file's data starts.
    bool AddHexFile(const DownloadFile& file) {
        common::BurnItem image;
        image.path = file.path;
        std::string detail;
        const common::HexResult result = common::ConvertHexToBin(image, detail);
        text_ += Format("FILE%d=%s\nADDR%d=0x%08x\n", entries_, image.path.c_str(), entries_, image.address);
        if (result == common::HexResult::MultiSector) return Refuse(kMultiSectorMessage);
        if (result != common::HexResult::Converted) return Refuse(detail);
        return true;
    }

    const StationSettings& settings_;
    const std::string device_;
    std::string text_;
    std::string failure_;
    int entries_ = 0;
};

}  // namespace

std::string StationBurnListPath(const std::string& root) { return root + "/temp/ImgBurnList.txt"; }

std::string ChannelBurnListPath(const std::string& root, int channel) {
    return root + "/temp/ImgBurnList_" + std::to_string(channel) + ".txt";
}

std::vector<DownloadFile> DownloadFilesFromSettings(const StationSettings& settings) {
    std::vector<DownloadFile> files;
    const int count = settings.Read(FILE_SET::FILE_NUM);
    for (int n = 0; n < count; ++n) {
        DownloadFile file{settings.Read(FILE_SET::FILE_PATH(n)), settings.Read(FILE_SET::FILE_ADDR(n)),
                          settings.Read(FILE_SET::FILE_SEL(n))};
        if (!file.path.empty()) files.push_back(file);
    }
    return files;
}

// A list that could not be made whole leaves no list behind: the one made
// before holds settings that no longer stand, and a cut-down one lacks
// images. The next start is then refused until a list is made.
BurnListOutcome GenerateStationBurnList(const StationSettings& settings, const std::vector<DownloadFile>& files) {
    Log(0, "生成下载文件列表\n");
    const std::string listPath = StationBurnListPath(settings.Root());
    auto refuse = [&](const std::string& reason, bool log) {
        std::remove(listPath.c_str());
        if (log) Log(0, "%s", reason.c_str());
        return BurnListOutcome{false, reason};
    };
    ListComposer composer(settings);
    const std::string text = composer.Compose(files);
    if (!composer.Failure().empty()) return refuse(composer.Failure(), false);  // logged as found
    if (composer.Entries() == 0) return refuse(kNoEntryMessage, true);
    const std::string cantCreate = "can not create file: " + listPath + "\n";
    common::AtomicFileWriter list(listPath);
    if (!list.IsOpen()) return refuse(cantCreate, true);
    list.Write(text);
    if (!list.Commit()) return refuse(cantCreate, true);
    Log(0, "生成下载文件列表成功\n");
    return {true, ""};
}

BurnListOutcome GenerateStationBurnList(const StationSettings& settings) {
    return GenerateStationBurnList(settings, DownloadFilesFromSettings(settings));
}

}  // namespace station

#include "velkan/driver_files.h"

#include <sys/stat.h>

#include <cstdio>

#include "platform/regular_file.h"
#include "velkan/image_io.h"

namespace velkan {
namespace {

// Replaces the first block of `data` in place; false when there is none.
bool PatchFirstBlock(std::vector<uint8_t>& data, const UserConfigBlock& block) {
    auto at = FindUserConfig(data.data(), data.size());
    if (!at) return false;
    BlockBytes bytes = EncodeBlock(block);
    std::copy(bytes.begin(), bytes.end(), data.begin() + std::ptrdiff_t(*at));
    return true;
}

bool IsNonEmptyFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0;
}

// Decrypts into a fresh twin and loads it.
bool LoadDecryptedTwin(const std::string& image, const Vesctool& tool, std::vector<uint8_t>& data,
                       const MessageSink& report) {
    const std::string twin = PlainTwinOf(image);
    std::remove(twin.c_str());
    tool.Decrypt(twin, image);
    return LoadImageFile(twin, data, report);
}

bool WriteEncryptedImage(const std::string& image, const UserConfigBlock& block, const Vesctool& tool,
                         const MessageSink& report) {
    std::vector<uint8_t> twinData;
    if (!LoadDecryptedTwin(image, tool, twinData, report)) return false;
    if (!PatchFirstBlock(twinData, block)) {
        report(msg::BlockNotFound());
        return false;
    }
    const std::string twin = PlainTwinOf(image);
    if (!ReplaceFileContents(twin, twinData.data(), twinData.size())) {
        report(msg::CreateOutFileFail());
        return false;
    }
    // The encrypted image is built under a private name and takes the image's
    // place only when the tool really made it: a failing tool leaves the
    // image as it was instead of losing it.
    const std::string encrypted = PrivateNameBeside(image);
    std::remove(encrypted.c_str());
    tool.Encrypt(twin, encrypted);
    if (!IsNonEmptyFile(encrypted)) {
        std::remove(encrypted.c_str());
        report(msg::EncryptFail(image));
        return false;
    }
    if (!ReplaceFileWith(image, encrypted)) {
        std::remove(encrypted.c_str());
        report(msg::CreateOutFileFail());
        return false;
    }
    return true;
}

bool WriteOneImage(const std::string& image, const UserConfigBlock& block, const Vesctool& tool,
                   const MessageSink& report) {
    std::vector<uint8_t> data;
    if (!LoadImageFile(image, data, report)) return false;
    if (PatchFirstBlock(data, block)) {
        if (ReplaceFileContents(image, data.data(), data.size())) return true;
        report(msg::CreateOutFileFail());
        return false;
    }
    if (IsEncryptedImageName(image)) return WriteEncryptedImage(image, block, tool, report);
    report(msg::BlockNotFound());
    return false;
}

}  // namespace

bool IsEncryptedImageName(const std::string& path) {
    for (const char* marker : {"ram_patch_2E", "ram_patch_2B", "ram_patch.bin", "ram_patch_SD.bin", "ram_patch_NAND.bin"}) {
        if (path.find(marker) != std::string::npos) return true;
    }
    return false;
}

std::string PlainTwinOf(const std::string& path) { return path + "_ori.bin"; }

bool WriteBlockToImages(const std::vector<std::string>& images, const UserConfigBlock& block, const Vesctool& tool,
                        const MessageSink& report) {
    if (images.empty()) {
        report(msg::NoDriverFileSelected());
        return false;
    }
    bool allWritten = true;
    for (const std::string& image : images) {
        if (!WriteOneImage(image, block, tool, report)) allWritten = false;
    }
    return allWritten;
}

std::optional<UserConfigBlock> ReadBlockFromImage(const std::string& image, const Vesctool& tool,
                                                  const MessageSink& report) {
    std::vector<uint8_t> data;
    if (!LoadImageFile(image, data, report)) return std::nullopt;
    if (auto at = FindUserConfig(data.data(), data.size())) return DecodeBlock(data.data() + *at);
    if (!IsEncryptedImageName(image)) {
        report(msg::BlockNotFound());
        return std::nullopt;
    }
    std::optional<UserConfigBlock> block;
    if (LoadDecryptedTwin(image, tool, data, report)) {
        if (auto at = FindUserConfig(data.data(), data.size())) {
            block = DecodeBlock(data.data() + *at);
        } else {
            report(msg::BlockNotFound());
        }
    }
    std::remove(PlainTwinOf(image).c_str());
    return block;
}

std::optional<UserConfigBlock> LoadConfigFile(const std::string& path, const MessageSink& report) {
    FILE* file = platform::OpenRegularFile(path);
    struct stat st {};
    if (!file || ::fstat(fileno(file), &st) != 0) {
        if (file) std::fclose(file);
        report(msg::OpenFileFail(path));
        return std::nullopt;
    }
    if (uint64_t(st.st_size) != kBlockSize) {
        std::fclose(file);
        report(msg::ConfigFileSize(uint64_t(st.st_size)));
        return std::nullopt;
    }
    BlockBytes bytes{};
    const bool complete = std::fread(bytes.data(), 1, bytes.size(), file) == bytes.size();
    std::fclose(file);
    if (!complete) {
        report(msg::OpenFileFail(path));
        return std::nullopt;
    }
    return DecodeBlock(bytes.data());
}

bool SaveConfigFile(const std::string& path, const UserConfigBlock& block, const MessageSink& report) {
    BlockBytes bytes = EncodeBlock(block);
    if (ReplaceFileContents(path, bytes.data(), bytes.size())) return true;
    report(msg::CreateFileFail(path));
    return false;
}

}  // namespace velkan

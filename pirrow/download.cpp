#include <cstdio>

#include "common/compressed_image.h"
#include "common/print_log.h"
#include "pirrow/download.h"
#include "pirrow/jobs.h"
#include "pirrow/loader.h"

namespace pirrow {

using common::PrintLog;

namespace {

constexpr uint32_t kPlainBlock = 0x20000;

std::string Format(const char* format, uint32_t a, uint32_t b, uint32_t c) {
    char buf[96];
    std::snprintf(buf, sizeof buf, format, a, b, c);
    return buf;
}

int VerifyTimeoutMs(uint32_t length) { return int(length / 0x100000) * 1000 + 1000; }

// Asks the loader whether flash already holds the image.
bool FlashMatches(Session& s, uint32_t address, uint32_t length, uint32_t crc) {
    s.link.SendLogged(Format("burn_verify 0x%x 0x%x 0x%x\r", address, length, crc));
    return s.link.WaitOk(VerifyTimeoutMs(length));
}

bool SendNoErase(Session& s) {
    s.link.SendLogged("burn_noerase\r");
    return s.link.WaitOk(2000);
}

bool SimpleImageSteps(Session& s, const uint8_t* data, uint32_t size, uint32_t address, uint32_t crc) {
    const RunSettings& cfg = s.settings;
    if (cfg.compare && FlashMatches(s, address, size, crc)) {
        PrintLog(false, "compare match, no need to burn\n");
        return true;
    }
    if (cfg.noErase && !SendNoErase(s)) return false;
    s.link.SetLoaderState(LoaderState::InTransfer);
    s.link.SendLogged(Format("burn_erase_write 0x%x 0x%x\r", address, size, 0));
    for (uint32_t offset = 0; offset < size; offset += kPlainBlock) {
        const uint32_t piece = size - offset < kPlainBlock ? size - offset : kPlainBlock;
        if (!s.link.WaitRxWait(3000)) return false;
        if (!s.link.SendBytes(data + offset, piece)) return false;
        s.progress.Count(piece);
    }
    if (!s.link.WaitOk(3000)) return false;
    s.link.SetLoaderState(LoaderState::AtCommand);
    if (cfg.verify) return FlashMatches(s, address, size, crc);
    return true;
}

bool GzipImageSteps(Session& s, const uint8_t* data, size_t size, uint32_t address) {
    common::CompressedImage image;
    std::string error;
    // The list reader checked the file already; this keeps a bad one from
    // ever being sent, whoever built the entry.
    if (!common::ParseCompressedImage(data, size, image, error)) {
        PrintLog(false, "X compressed image error: %s\n", error.c_str());
        return false;
    }
    if (s.settings.compare && image.totalLength < 0x1000000 && FlashMatches(s, address, image.totalLength, image.crc)) {
        PrintLog(false, "compare match, no need to burn\n");
        return true;
    }
    if (s.settings.noErase && !SendNoErase(s)) return false;
    s.link.SetLoaderState(LoaderState::InTransfer);
    s.link.SendLogged(Format("burn_erase_write_gzip 0x%x 0x%x\r", address, image.blockCount, 0));
    for (const auto& block : image.blocks) {
        if (!s.link.WaitRxWait(8000)) return false;
        if (!s.link.SendBytes(data + block.offset, block.sizeWithHeader)) return false;
        s.progress.Count(block.rawLength);
    }
    if (!s.link.WaitOk(8000)) return false;
    s.link.SetLoaderState(LoaderState::AtCommand);
    return true;
}

}  // namespace

bool download_image_simple_thread(Session& s, const uint8_t* data, uint32_t size, uint32_t address, uint32_t crc) {
    bool ok = SimpleImageSteps(s, data, size, address, crc);
    PrintLog(false, ok ? "download_image_simple_thread success \n" : "download_image_simple_thread fail \n");
    return ok;
}

bool download_image_gzip_thread(Session& s, const uint8_t* data, size_t size, uint32_t address) {
    bool ok = GzipImageSteps(s, data, size, address);
    PrintLog(false, ok ? "download_image_gzip_thread success \n" : "download_image_gzip_thread fail \n");
    return ok;
}

bool DownLoadUart(Session& s) {
    PrintLog(false, "channel DownLoadUart start \n");
    bool ok = LoaderPhase(s, true);
    const common::BurnItem* records = nullptr;
    for (size_t i = 0; ok && i < s.burnList.items.size(); ++i) {
        const common::BurnItem& item = s.burnList.items[i];
        if (item.address == common::kSkipAddress) continue;
        if (item.path.find("BLE_SN_") != std::string::npos) {
            records = &item;
            continue;
        }
        PrintLog(false, "downloadfile: %s  addr: 0x%08x  len: %d Byte\n", item.path.c_str(), item.address,
                 int(item.size));
        ok = item.compressed ? download_image_gzip_thread(s, item.data.data(), item.data.size(), item.address)
                             : download_image_simple_thread(s, item.data.data(), item.size, item.address, item.crc);
    }
    if (ok && records) ok = WrFactoryOtpAll(s, records->path) || WrFactoryOtpAll(s, records->path);
    if (s.link.IsOpen()) {
        if (s.settings.postAct != 0) ResetUe(s);
        else if (s.settings.baud != kLoaderBaud) BurnSpeed(s, kLoaderBaud);
        s.link.Close();
    }
    PrintLog(false, ok ? "DownLoadUart success \n" : "DownLoadUart fail \n");
    return ok;
}

}  // namespace pirrow

#include "pirrow/dfu_boot.h"

#include <cstdio>

#include "common/print_log.h"
#include "pirrow/builtin_sig_key.h"
#include "common/file_util.h"
#include "pirrow/loader.h"

namespace pirrow {

using common::PrintLog;

namespace {

// "dfu_recv %d\r", 10 ms, the log line, the packet type, 4 ms, the payload,
// then the loader's "OK".
bool SendPacket(Session& s, uint16_t type, const uint8_t* payload, size_t n, int okTimeoutMs) {
    char command[32];
    std::snprintf(command, sizeof command, "dfu_recv %d\r", int(n + 2));
    s.link.Send(command);
    s.clock.SleepMs(10);
    PrintLog(false, "%s\n", command);
    const uint8_t typeBytes[2] = {uint8_t(type & 0xFF), uint8_t(type >> 8)};
    s.link.SendBytes(typeBytes, 2);
    if (n > 0) {
        s.clock.SleepMs(4);
        s.link.SendBytes(payload, n);
    }
    return s.link.WaitOk(okTimeoutMs);
}

}  // namespace

bool download_boot_patch_sigkey(Session& s, const std::vector<uint8_t>& key) {
    bool ok = SendPacket(s, kDfuTypeKey, key.data(), key.size(), 3000);
    PrintLog(false, ok ? "download_boot_patch_sigkey over: success \n" : "download_boot_patch_sigkey over: fail \n");
    return ok;
}

bool download_image(Session& s, const std::vector<uint8_t>& image) {
    bool ok = false;
    do {
        if (!SendPacket(s, kDfuTypeFirst, image.data(), kDfuFirstChunk, 3000)) break;
        s.progress.CountSilently(kDfuFirstChunk);
        size_t offset = kDfuFirstChunk;
        const size_t chunks = (image.size() - kDfuFirstChunk) / kDfuNextChunk;
        bool chunksOk = true;
        for (size_t c = 0; c < chunks && chunksOk; ++c, offset += kDfuNextChunk) {
            chunksOk = SendPacket(s, kDfuTypeNext, image.data() + offset, kDfuNextChunk, 3000);
            if (chunksOk) s.progress.CountSilently(kDfuNextChunk);
        }
        if (!chunksOk) break;
        const size_t remainder = image.size() - offset;
        if (remainder >= kDfuMinRemainder) {
            if (!SendPacket(s, kDfuTypeNext, image.data() + offset, remainder, 3000)) break;
            s.progress.CountSilently(uint32_t(remainder));
        }
        ok = SendPacket(s, kDfuTypeEnd, nullptr, 0, 5000);
    } while (false);
    PrintLog(false, ok ? "download_image success \n" : "download_image fail \n");
    return ok;
}

bool DfuBoot(Session& s, int currentBaud, int targetBaud) {
    const std::string& keyPath = s.settings.sigKeyPath;
    PrintLog(false, "download %s \n", keyPath.c_str());
    std::vector<uint8_t> key;
    if (!common::ReadWholeFile(keyPath, key)) {
        PrintLog(false, "SIG_PUB open error: %s, use internal\n", keyPath.c_str());
        key.assign(kBuiltinSigKey, kBuiltinSigKey + kBuiltinSigKeySize);
    }
    if (!download_boot_patch_sigkey(s, key)) return false;

    const std::string& loaderPath = s.settings.ramLoaderPath;
    PrintLog(false, "download %s \n", loaderPath.c_str());
    std::vector<uint8_t> image;
    if (!common::ReadWholeFile(loaderPath, image)) {
        PrintLog(false, "RAM_PATCH open error: %s\n", loaderPath.c_str());
        return false;
    }
    // The first packet alone carries 328 bytes; a shorter image cannot be sent.
    if (image.size() < kDfuFirstChunk) {
        PrintLog(false, "X RAM_PATCH too short: %s (%zu bytes, at least %zu needed)\n", loaderPath.c_str(),
                 image.size(), kDfuFirstChunk);
        return false;
    }
    s.progress.total += uint32_t(image.size());
    if (!download_image(s, image)) return false;
    if (targetBaud == currentBaud) return true;
    return BurnSpeed(s, targetBaud);
}

}  // namespace pirrow

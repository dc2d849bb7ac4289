#include "pirrow/flash_read.h"

#include <cctype>
#include <cstdio>
#include <memory>

#include "common/image_crc.h"
#include "common/print_log.h"
#include "pirrow/jobs.h"
#include "pirrow/loader.h"
#include "pirrow/loader_job.h"
#include "pirrow/reply_poll.h"

namespace pirrow {

using common::PrintLog;

namespace {

constexpr size_t kReceiveChunk = 81920;
constexpr size_t kCrcFieldChars = 10;
constexpr size_t kDumpLineBytes = 16;

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Prints the complete 16-byte lines of the data file; a partial last line
// stays only in the file.
void PrintDataLines(FILE* file, uint32_t baseAddress) {
    std::fflush(file);
    std::rewind(file);
    uint8_t b[kDumpLineBytes];
    uint32_t offset = 0;
    while (std::fread(b, 1, kDumpLineBytes, file) == kDumpLineBytes) {
        common::PrintConsole(
            "%08x  %02X %02X %02X %02X %02X %02X %02X %02X %02X %02X %02X %02X %02X %02X %02X %02X\n",
            baseAddress + offset, b[0], b[1], b[2], b[3], b[4], b[5], b[6], b[7], b[8], b[9], b[10], b[11], b[12],
            b[13], b[14], b[15]);
        offset += kDumpLineBytes;
    }
}

// Waits for "start_trans\r\n"; whatever came with it in the same read is
// part of the text, so the data starts with the next read.
bool WaitTransferStart(Session& s) {
    std::string text;
    PollStep step = PollReply(s, text, 500, 10, [](const std::string& reply) {
        if (Contains(reply, "start_trans\r\n")) return PollStep::Pass;
        if (Contains(reply, "Fail")) return PollStep::Fail;
        return PollStep::Continue;
    });
    PrintLog(false, "R: %s\n", text.c_str());
    if (step != PollStep::Pass) return false;
    PrintLog(false, "data trans start\n");
    return true;
}

bool CheckLoaderCrc(const std::string& reply, uint32_t received) {
    LoaderCrc loader = FindLoaderCrc(reply);
    if (!loader.found) {
        PrintLog(false, "not receive CRC\n");
        return false;
    }
    if (loader.value != received) {
        PrintLog(false, "crc1 (0x%08x) != crc2 (0x%08x)\n", loader.value, received);
        return false;
    }
    // A field that is not "0x" and eight digits reads as 0 or a cut value;
    // it must not pass just because the data's checksum happens to match.
    if (!loader.wellFormed) {
        PrintLog(false, "X CRC field is not 0x and eight hex digits\n");
        return false;
    }
    PrintLog(false, "data trans over\n");
    return true;
}

bool ReadSteps(Session& s) {
    const uint32_t address = s.settings.readAddr;
    const uint32_t length = s.settings.readLen;
    char command[64];
    std::snprintf(command, sizeof command, "burn_read 0x%08x 0x%08x\r", address, length);
    s.link.Send(command);
    PrintLog(false, "read 0x%08x 0x%08x\n", address, length);
    if (!WaitTransferStart(s)) return false;

    const int timeoutMs = int(length / 102400) * 1000 + 5000;
    uint32_t crc = 0;
    if (!UartRecvToFile(s, s.settings.fileArg, timeoutMs, length, crc)) return false;
    // The loader may put its CRC line after the "OK": wait for all of it.
    auto crcIn = [](const std::string& reply) {
        const size_t at = reply.find("CRC:");
        return at != std::string::npos && reply.size() >= at + 4 + kCrcFieldChars;
    };
    if (!s.link.WaitOkUntil(5000, crcIn)) {
        PrintLog(false, "not receive OK\n");
        return false;
    }
    return CheckLoaderCrc(s.link.Reply(), crc);
}

}  // namespace

LoaderCrc FindLoaderCrc(const std::string& reply) {
    LoaderCrc crc;
    const size_t at = reply.find("CRC:");
    if (at == std::string::npos) return crc;
    crc.found = true;
    std::string field = reply.substr(at + 4, kCrcFieldChars);
    // Past the end of the reply the text is terminated: a NUL ends the digits.
    field.resize(kCrcFieldChars, '\0');
    uint32_t weight = 1;
    for (size_t i = field.size(); i-- > 0;) {
        const int digit = HexDigit(field[i]);
        if (digit >= 0) {
            crc.value += uint32_t(digit) * weight;
            weight *= 16u;
        } else if (field[i] != ' ') {
            break;
        }
    }
    crc.wellFormed = field[0] == '0' && field[1] == 'x';
    for (size_t i = 2; i < field.size(); ++i) crc.wellFormed = crc.wellFormed && HexDigit(field[i]) >= 0;
    return crc;
}

namespace {

struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};

}  // namespace

bool UartRecvToFile(Session& s, const std::string& fileName, int timeoutMs, uint32_t total, uint32_t& crc) {
    const std::string path = fileName.empty() ? kDefaultReadFile : fileName;
    // Owned, so that an interrupted read still leaves what it received.
    std::unique_ptr<FILE, FileCloser> file(std::fopen(path.c_str(), "wb+"));
    if (!file) {
        PrintLog(false, "create data file error!\n");
        return false;
    }
    crc = 0;
    uint32_t received = 0;
    bool writeFailed = false;
    std::string chunk;
    // The limit counts 10 ms polls; the data is taken the moment it arrives,
    // so the read keeps up with the wire and the driver never throttles.
    const uint64_t deadlineUs = s.clock.NowUs() + uint64_t(timeoutMs / 10) * 10 * 1000;
    while (received < total && !writeFailed) {
        const bool more = s.link.WaitForData(deadlineUs);
        chunk.clear();
        const uint32_t missing = total - received;
        const size_t got = s.link.ReadQueued(chunk, missing < kReceiveChunk ? missing : kReceiveChunk);
        if (got == 0) {
            if (!more) break;
            continue;
        }
        if (std::fwrite(chunk.data(), 1, got, file.get()) != got) {
            PrintLog(false, "X write data file error: %s\n", path.c_str());
            writeFailed = true;
        }
        crc = common::ImageCrc(reinterpret_cast<const uint8_t*>(chunk.data()), got, crc);
        received += uint32_t(got);
        PrintLog(false, "receive %d, total %d!\n", int(received), int(total));
    }
    if (fileName.empty()) PrintDataLines(file.get(), s.settings.readAddr);
    if (std::fclose(file.release()) != 0 && !writeFailed) {
        PrintLog(false, "X write data file error: %s\n", path.c_str());
        writeFailed = true;
    }
    return received == total && !writeFailed;
}

bool ReadUart(Session& s) {
    return RunLoaderJob(s, {"ReadUart start \n", "ReadUart", true, -1, nullptr}, ReadSteps);
}

}  // namespace pirrow

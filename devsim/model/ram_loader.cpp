// The RAM loader: text commands (flash, factory records,
// calibrations, jump to the application) and the binary image blocks that
// follow "burn_erase_write" and "burn_erase_write_gzip".
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "common/image_crc.h"
#include "devsim/model/gzip_block.h"
#include "devsim/model/loader_text.h"
#include "devsim/model/personalities.h"

namespace devsim {

namespace {

constexpr size_t kMaxLine = 1024;
constexpr uint32_t kPlainBlock = 0x20000;
// What the receive buffer takes beyond one block before the loader asked.
constexpr size_t kReceiveSlack = 64;
// A transfer whose bytes stop coming for this long is abandoned and the
// loader takes text commands again.
constexpr uint32_t kTransferStallMs = 10000;
// Pause between "start_trans\r\n" and the data of burn_read: the tool must
// see the line before the data arrives.
constexpr uint32_t kReadDataDelayMs = 50;

std::vector<std::string_view> Words(std::string_view line) {
    std::vector<std::string_view> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && line[i] == ' ') ++i;
        size_t j = i;
        while (j < line.size() && line[j] != ' ') ++j;
        if (j > i) words.push_back(line.substr(i, j - i));
        i = j;
    }
    return words;
}

class RamLoader : public Personality {
public:
    PersonalityKind Kind() const override { return PersonalityKind::RamLoader; }

    size_t OnBytes(Device& device, const uint8_t* data, size_t n) override {
        size_t i = 0;
        while (i < n && !device.Disconnected()) {
            if (mode_ == Mode::Plain || mode_ == Mode::Gzip) {
                i += TakeData(device, data + i, n - i);
                continue;
            }
            const uint8_t b = data[i++];
            // The debug port's frames reach the chip whatever runs: a frame
            // magic at the start of a line hands the line to it.
            if (pendingMagic_) {
                pendingMagic_ = false;
                if (b == 0x79) {
                    static const uint8_t kFirst = 0x7E;
                    device.AttachDebugPort(&kFirst, 1);
                    return i - 1;
                }
                line_.push_back(char(0x7E));
            }
            if (b == 0x7E && line_.empty() && !overlong_ && device.HasDebugPort()) {
                if (i < n && data[i] == 0x79) {
                    device.AttachDebugPort();
                    return i - 1;
                }
                if (i == n) {
                    pendingMagic_ = true;
                    continue;
                }
            }
            if (b != '\r' && b != '\n') {
                if (line_.size() < kMaxLine) line_.push_back(char(b));
                else overlong_ = true;
                continue;
            }
            if (line_.empty() && !overlong_) continue;  // the LF of a CR LF, or a blank line
            std::string line;
            line.swap(line_);
            const bool overlong = overlong_;
            overlong_ = false;
            if (overlong) {
                device.Reply("Fail\r\n");
                continue;
            }
            const Outcome outcome = Command(device, line);
            if (outcome == Outcome::Switched) {
                if (b == '\r' && i < n && data[i] == '\n') ++i;
                return i;
            }
        }
        return n;
    }

    void OnTick(Device& device, uint64_t nowMs) override {
        if ((mode_ == Mode::Plain || mode_ == Mode::Gzip) && asked_ && nowMs - lastByteMs_ >= kTransferStallMs) {
            mode_ = Mode::Text;
            block_.clear();
            device.Reply("Fail\r\n");
        }
    }

private:
    enum class Mode { Text, Plain, Gzip };
    enum class Outcome { Stay, Switched };

    static bool Number(std::string_view text, uint32_t& value) { return ParseLoaderNumber(text, value); }

    void Ok(Device& device) { device.Reply("OK\r\n"); }
    void Fail(Device& device) { device.Reply("Fail\r\n"); }

    Outcome Command(Device& device, const std::string& line) {
        const std::vector<std::string_view> w = Words(line);
        if (w.empty()) return Outcome::Stay;
        const std::string_view name = w[0];
        const FaultOptions& faults = device.Faults();
        if (!faults.silentCommand.empty() && name == faults.silentCommand) return Outcome::Stay;
        if (!faults.failCommand.empty() && name == faults.failCommand) {
            Fail(device);
            return Outcome::Stay;
        }
        if (name == "burn_speed") return BurnSpeed(device, w);
        if (name == "burn_noerase") {
            noErase_ = true;
            Ok(device);
            return Outcome::Stay;
        }
        if (name == "burn_verify") return BurnVerify(device, w);
        if (name == "burn_erase_write") return BurnEraseWrite(device, w);
        if (name == "burn_erase_write_gzip") return BurnEraseWriteGzip(device, w);
        if (name == "burn_reset") {
            device.ResetToBootRom();
            if (device.onReset) device.onReset();
            return Outcome::Switched;
        }
        if (name == "burn_read") return BurnRead(device, w);
        if (name == "burn_erase_all") return BurnEraseAll(device, w, false);
        if (name == "burn_erase_all_factory") return BurnEraseAll(device, w, true);
        if (name == "burn_erase") return BurnErase(device, w);
        if (name == "otp_factory_write") return OtpWrite(device, line);
        if (name == "otp_factory_read") return OtpRead(device);
        if (name == "crystal_cali" || name == "ble_crystal_cali") return Calibrate(device, w, true);
        if (name == "battery_cali") return Calibrate(device, w, false);
        if (name == "hcpu_jump_run") {
            uint32_t address = 0;
            if (w.size() != 2 || !Number(w[1], address)) {
                Fail(device);
                return Outcome::Stay;
            }
            device.StartFirmware(address);
            return Outcome::Switched;
        }
        Fail(device);
        return Outcome::Stay;
    }

    Outcome BurnSpeed(Device& device, const std::vector<std::string_view>& w) {
        uint32_t baud = 0, unused = 0;
        if (w.size() < 2 || w.size() > 3 || !Number(w[1], baud) || baud == 0 ||
            (w.size() == 3 && !Number(w[2], unused))) {
            Fail(device);
            return Outcome::Stay;
        }
        // Its OK already travels at the new rate.
        Device* d = &device;
        device.SwitchBaud(int(baud), [d] { d->Reply("OK\r\n"); });
        return Outcome::Stay;
    }

    Outcome BurnVerify(Device& device, const std::vector<std::string_view>& w) {
        uint32_t address = 0, length = 0, crc = 0, actual = 0;
        if (w.size() != 4 || !Number(w[1], address) || !Number(w[2], length) || !Number(w[3], crc) ||
            !device.Flash().Crc(address, length, actual) || actual != crc) {
            Fail(device);
            return Outcome::Stay;
        }
        Ok(device);
        return Outcome::Stay;
    }

    Outcome BurnEraseWrite(Device& device, const std::vector<std::string_view>& w) {
        uint32_t address = 0, length = 0;
        transferNoErase_ = noErase_;
        noErase_ = false;
        if (w.size() != 3 || !Number(w[1], address) || !Number(w[2], length) ||
            !device.Flash().RegionOf(address, length)) {
            Fail(device);
            return Outcome::Stay;
        }
        return BeginTransfer(device, Mode::Plain, address, length);
    }

    Outcome BurnEraseWriteGzip(Device& device, const std::vector<std::string_view>& w) {
        uint32_t address = 0, blocks = 0;
        transferNoErase_ = noErase_;
        noErase_ = false;
        if (w.size() != 3 || !Number(w[1], address) || !Number(w[2], blocks) || !device.Flash().RegionOf(address, 0)) {
            Fail(device);
            return Outcome::Stay;
        }
        return BeginTransfer(device, Mode::Gzip, address, blocks);
    }

    // Starts a write; `count` is bytes (plain) or blocks (gzip). Nothing to
    // come: the write is done at once.
    Outcome BeginTransfer(Device& device, Mode mode, uint32_t address, uint32_t count) {
        if (count == 0) {
            Ok(device);
            return Outcome::Stay;
        }
        mode_ = mode;
        address_ = address;
        remaining_ = count;
        block_.clear();
        early_ = 0;
        asked_ = false;
        NextBlock(device);
        return Outcome::Stay;
    }

    // Prepares for the next block and asks for it. A plain block's flash is
    // erased first; a packed block's size is known only from its header, so
    // its flash is erased when it has arrived.
    void NextBlock(Device& device) {
        uint32_t eraseMs = 0;
        if (mode_ == Mode::Plain && !transferNoErase_) {
            const uint32_t length = std::min(remaining_, kPlainBlock);
            device.Flash().Erase(address_, length);
            eraseMs = device.Timing().EraseMs(length);
        }
        Busy(device, eraseMs, [this](Device& d) { Ask(d); });
    }

    // The loader is busy with flash for `ms`, then goes on with `then`.
    void Busy(Device& device, uint32_t ms, std::function<void(Device&)> then) {
        if (ms == 0) {
            then(device);
            return;
        }
        Device* d = &device;
        device.Schedule(ms, [d, then] { then(*d); });
    }

    void Ask(Device& device) {
        device.Reply("RX_WAIT\r\n");
        asked_ = true;
        askedUpTo_ = device.EmittedBytes();
        lastByteMs_ = device.NowMs();
    }

    // The RX_WAIT of the current block has left for the line.
    bool Ready(Device& device) const { return asked_ && device.TakenBytes() >= askedUpTo_; }

    // Bytes of an image transfer; returns how many belong to it. Bytes that
    // come before the loader asked for them fill its receive buffer's slack;
    // beyond that they are lost, and so is the write.
    size_t TakeData(Device& device, const uint8_t* data, size_t n) {
        lastByteMs_ = device.NowMs();
        size_t want = 0;
        if (mode_ == Mode::Plain) {
            want = std::min<size_t>(remaining_, kPlainBlock) - block_.size();
        } else if (block_.size() < kBlockHeaderSize) {
            want = kBlockHeaderSize - block_.size();
        } else {
            const uint32_t stored = ReadLe32(block_.data() + 4);
            want = kBlockHeaderSize + size_t(stored) - block_.size();
        }
        size_t take = std::min(want, n);
        if (!Ready(device)) {
            if (early_ + take > kReceiveSlack) {
                device.CountImageBytes(n);
                EndTransfer(device, false);
                return n;
            }
            early_ += take;
        }
        block_.insert(block_.end(), data, data + take);
        device.CountImageBytes(take);
        if (device.Disconnected()) return take;
        if (take == want) {
            if (mode_ == Mode::Plain) {
                asked_ = false;
                early_ = 0;
                PlainBlockDone(device);
            } else {
                GzipPartDone(device);
            }
        }
        return take;
    }

    static uint32_t ReadLe32(const uint8_t* p) {
        return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
    }

    void EndTransfer(Device& device, bool ok) {
        mode_ = Mode::Text;
        block_.clear();
        block_.shrink_to_fit();
        device.CancelScheduled();
        device.Reply(ok ? "OK\r\n" : "Fail\r\n");
    }

    // Programs flash, with the weak cell of the fault options.
    static bool Program(Device& device, uint32_t address, uint8_t* data, uint32_t length) {
        const std::optional<uint32_t> weak = device.Faults().corruptFlashAddress;
        if (weak && *weak >= address && *weak - address < length) {
            uint8_t& b = data[*weak - address];
            b |= uint8_t(~b & (b + 1));  // the lowest 0 bit stays 1
        }
        return device.Flash().Program(address, data, length);
    }

    // A block is in: program it (and, packed, erase its flash first), then
    // ask for the next one or end the write.
    void BlockWritten(Device& device, uint32_t busyMs, bool ok, uint32_t length) {
        block_.clear();
        if (!ok) {
            EndTransfer(device, false);
            return;
        }
        address_ += length;
        Busy(device, busyMs, [this](Device& d) {
            if (remaining_ == 0) EndTransfer(d, true);
            else NextBlock(d);
        });
    }

    void PlainBlockDone(Device& device) {
        const uint32_t length = uint32_t(block_.size());
        const bool ok = Program(device, address_, block_.data(), length);
        remaining_ -= length;
        BlockWritten(device, device.Timing().ProgramMs(length), ok, length);
    }

    void GzipPartDone(Device& device) {
        if (block_.size() == kBlockHeaderSize) {
            const uint32_t raw = ReadLe32(block_.data());
            const uint32_t stored = ReadLe32(block_.data() + 4);
            // A header that cannot be right ends the transfer before its data.
            if (raw > kMaxBlockRaw || stored > kMaxBlockRaw + kMaxBlockRaw / 8 ||
                !device.Flash().RegionOf(address_, raw)) {
                EndTransfer(device, false);
                return;
            }
            if (stored > 0) return;  // the data follows
        }
        asked_ = false;
        early_ = 0;
        const uint32_t raw = ReadLe32(block_.data());
        const uint32_t stored = ReadLe32(block_.data() + 4);
        const uint32_t crc = ReadLe32(block_.data() + 8);
        std::vector<uint8_t> out;
        std::string error;
        if (!ExpandImageBlock(raw, crc, block_.data() + kBlockHeaderSize, stored, out, error)) {
            EndTransfer(device, false);
            return;
        }
        uint32_t busyMs = device.Timing().ProgramMs(raw);
        if (!transferNoErase_) {
            device.Flash().Erase(address_, raw);
            busyMs += device.Timing().EraseMs(raw);
        }
        const bool ok = Program(device, address_, out.data(), raw);
        --remaining_;
        BlockWritten(device, busyMs, ok, raw);
    }

    Outcome BurnRead(Device& device, const std::vector<std::string_view>& w) {
        uint32_t address = 0, length = 0;
        auto data = std::make_shared<std::vector<uint8_t>>();
        if (w.size() != 3 || !Number(w[1], address) || !Number(w[2], length) ||
            !device.Flash().Read(address, length, *data)) {
            Fail(device);
            return Outcome::Stay;
        }
        device.Reply("start_trans\r\n");
        Device* d = &device;
        device.Schedule(kReadDataDelayMs, [d, data] {
            d->Emit(data->data(), data->size());
            char tail[40];
            const uint32_t crc = common::ImageCrc(data->data(), data->size()) ^ (d->Faults().badReadCrc ? 1u : 0u);
            std::snprintf(tail, sizeof tail, "CRC:0x%08x\r\nOK\r\n", crc);
            d->Reply(tail);  // in one piece, right behind the data
        });
        return Outcome::Stay;
    }

    Outcome BurnEraseAll(Device& device, const std::vector<std::string_view>& w, bool keepFactory) {
        uint32_t base = 0;
        const FlashRegionSpec* region = nullptr;
        if (w.size() != 2 || !Number(w[1], base) || !(region = device.Flash().RegionAt(base))) {
            Fail(device);
            return Outcome::Stay;
        }
        const uint32_t length = keepFactory ? region->size - kFactoryAreaSize : region->size;
        device.Flash().Erase(region->base, length);
        Busy(device, device.Timing().EraseMs(length), [this](Device& d) { Ok(d); });
        return Outcome::Stay;
    }

    Outcome BurnErase(Device& device, const std::vector<std::string_view>& w) {
        uint32_t address = 0, length = 0;
        if (w.size() != 3 || !Number(w[1], address) || !Number(w[2], length) ||
            !device.Flash().Erase(address, length)) {
            Fail(device);
            return Outcome::Stay;
        }
        Busy(device, device.Timing().EraseMs(length), [this](Device& d) { Ok(d); });
        return Outcome::Stay;
    }

    Outcome OtpWrite(Device& device, const std::string& line) {
        static const std::string kName = "otp_factory_write";
        const size_t at = line.find(kName);
        uint8_t id = 0;
        OtpValue value;
        const bool ok = OtpStore::ParseWrite(std::string_view(line).substr(at + kName.size()), id, value) &&
                        device.Otp().Write(id, value) == OtpWriteResult::Pass;
        RecordReply(device, ok ? "OTP_FACTORY_WRITE_PASS\r\n" : "OTP_FACTORY_WRITE_FAIL\r\n");
        return Outcome::Stay;
    }

    // The record area is slow to program and read; the answer waits for it.
    void RecordReply(Device& device, std::string text) {
        const uint32_t delayMs = device.Faults().recordDelayMs;
        if (delayMs == 0) {
            device.Reply(text);
            return;
        }
        Device* d = &device;
        device.Schedule(delayMs, [d, text] { d->Reply(text); });
    }

    Outcome OtpRead(Device& device) {
        std::string text;
        for (const auto& [id, value] : device.Otp().Records()) text += OtpStore::ReadLine(id, value) + "\r\n";
        text += "OTP_FACTORY_READ_OVER\r\n";
        RecordReply(device, text);
        return Outcome::Stay;
    }

    Outcome Calibrate(Device& device, const std::vector<std::string_view>& w, bool crystal) {
        const FaultOptions& f = device.Faults();
        if (crystal && !f.noArgvEcho) {
            // The loader's shell shows how it split the command.
            std::string echo = "argc:" + std::to_string(w.size());
            for (size_t k = 0; k < w.size(); ++k)
                echo += " argv[" + std::to_string(k) + "]:" + std::string(w[k]);
            if (w.size() < 2) echo += " argv[1]:";
            device.Reply(echo + "\r\n");
        }
        Device* d = &device;
        if (crystal) {
            const bool pass = f.crystalPass;
            device.Schedule(f.crystalDelayMs, [d, pass] {
                d->Reply(pass ? "CRYSTAL_CALI_PASS\r\n" : "CRYSTAL_CALI_FAIL\r\n");
            });
        } else {
            const bool pass = f.batteryPass;
            const std::string ref = w.size() > 1 ? std::string(w[1]) : "4000";
            device.Schedule(f.batteryDelayMs, [d, pass, ref] {
                // The line the calibration collector looks for.
                std::string text = "first measure: ref_value " + ref + " measure " + ref + " cali_value 0\r\n";
                text += pass ? "BATTERY_CALI_PASS\r\n" : "BATTERY_CALI_FAIL\r\n";
                d->Reply(text);
            });
        }
        return Outcome::Stay;
    }

    Mode mode_ = Mode::Text;
    std::string line_;
    bool overlong_ = false;
    bool pendingMagic_ = false;
    bool noErase_ = false;
    bool transferNoErase_ = false;
    bool asked_ = false;
    uint64_t askedUpTo_ = 0;
    size_t early_ = 0;
    uint32_t address_ = 0;
    uint32_t remaining_ = 0;  // bytes (plain) or blocks (gzip)
    std::vector<uint8_t> block_;
    uint64_t lastByteMs_ = 0;
};

}  // namespace

bool ParseLoaderNumber(std::string_view text, uint32_t& value) {
    if (text.empty()) return false;
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    uint64_t v = 0;
    for (char c : text) {
        int d = -1;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f') d = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F') d = c - 'A' + 10;
        if (d < 0) return false;
        v = v * uint64_t(base) + uint64_t(d);
        if (v > 0xFFFFFFFFull) return false;
    }
    value = uint32_t(v);
    return true;
}

std::unique_ptr<Personality> MakeRamLoader() { return std::make_unique<RamLoader>(); }

namespace {
class SilentCode : public Personality {
public:
    explicit SilentCode(PersonalityKind kind) : kind_(kind) {}
    PersonalityKind Kind() const override { return kind_; }
    size_t OnBytes(Device&, const uint8_t*, size_t n) override { return n; }

private:
    PersonalityKind kind_;
};
}  // namespace

std::unique_ptr<Personality> MakeSilentCode(PersonalityKind kind) { return std::make_unique<SilentCode>(kind); }

}  // namespace devsim

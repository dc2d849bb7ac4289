// The boot ROM: banner at reset, dfu_recv packets and the hand-
// over to the debug port on 0x7E 0x79 (device.h).
#include <algorithm>
#include <cstdlib>
#include <string>

#include "devsim/model/dfu_packets.h"
#include "devsim/model/personalities.h"

namespace devsim {

namespace {

constexpr size_t kMaxLine = 256;
constexpr uint32_t kMaxPacket = 2 + 8192;

class BootRom : public Personality {
public:
    PersonalityKind Kind() const override { return PersonalityKind::BootRom; }

    size_t OnBytes(Device& device, const uint8_t* data, size_t n) override {
        for (size_t i = 0; i < n; ++i) {
            const uint8_t b = data[i];
            if (packetLength_ > 0) {
                packet_.push_back(b);
                lastByteMs_ = device.NowMs();
                // After the end packet the loader runs and takes the rest.
                if (packet_.size() == packetLength_ && Packet(device)) return i + 1;
                continue;
            }
            if (pendingMagic_) {
                pendingMagic_ = false;
                if (b == 0x79) {
                    static const uint8_t kFirst = 0x7E;
                    line_.clear();
                    device.AttachDebugPort(&kFirst, 1);
                    return i;  // the 0x79 and the rest go to the debug port
                }
            }
            if (b == 0x7E && device.HasDebugPort()) {
                if (i + 1 < n && data[i + 1] == 0x79) {
                    line_.clear();
                    device.AttachDebugPort();
                    return i;
                }
                if (i + 1 == n) {
                    pendingMagic_ = true;
                    continue;
                }
            }
            if (b == '\r' || b == '\n') {
                Line(device);
                continue;
            }
            if (line_.size() < kMaxLine) line_.push_back(char(b));
        }
        return n;
    }

    void OnTick(Device& device, uint64_t nowMs) override {
        // A packet whose bytes stopped coming is dropped, so that the next
        // "dfu_recv" is not taken for its payload.
        if (packetLength_ > 0 && nowMs - lastByteMs_ >= kDfuStallMs) {
            packetLength_ = 0;
            packet_.clear();
            device.Reply("Fail\r\n");
        }
    }

private:
    void Line(Device& device) {
        std::string line;
        line.swap(line_);
        static const std::string kCommand = "dfu_recv ";
        const size_t at = line.find(kCommand);
        if (at == std::string::npos) return;  // the boot ROM knows no other text
        const std::string number = line.substr(at + kCommand.size());
        char* end = nullptr;
        const long length = std::strtol(number.c_str(), &end, 10);
        if (number.empty() || (*end != '\0' && *end != ' ') || length < 2 || length > long(kMaxPacket)) {
            Answer(device, false);
            return;
        }
        packetLength_ = uint32_t(length);
        packet_.clear();
        lastByteMs_ = device.NowMs();
    }

    void Answer(Device& device, bool ok) {
        const FaultOptions& f = device.Faults();
        if (f.silentCommand == "dfu_recv") return;
        if (f.failCommand == "dfu_recv") ok = false;
        device.Reply(ok ? "OK\r\n" : "Fail\r\n");
    }

    // True when the RAM loader was started.
    bool Packet(Device& device) {
        const uint16_t type = uint16_t(packet_[0] | packet_[1] << 8);
        const uint8_t* payload = packet_.data() + 2;
        const size_t size = packet_.size() - 2;
        packetLength_ = 0;
        bool ok = false;
        bool start = false;
        switch (type) {
            case kDfuKey:
                ok = size > 0;
                if (ok) {
                    key_.assign(payload, payload + size);
                    loader_.clear();
                    stage_ = Stage::Key;
                }
                break;
            case kDfuFirst:
                ok = stage_ == Stage::Key && size == kDfuFirstPayload;
                if (ok) {
                    loader_.assign(payload, payload + size);
                    stage_ = Stage::Loading;
                }
                break;
            case kDfuNext:
                // Only the last data packet may be short: after it the end packet.
                ok = stage_ == Stage::Loading && size > 0 && size <= kDfuNextPayloadMax;
                if (ok) loader_.insert(loader_.end(), payload, payload + size);
                if (ok && size < kDfuNextPayloadMax) stage_ = Stage::Tail;
                break;
            case kDfuEnd:
                ok = (stage_ == Stage::Loading || stage_ == Stage::Tail) && size == 0;
                start = ok;
                break;
            default:
                break;
        }
        if (!ok) stage_ = Stage::None;  // a broken sequence starts again at the key
        packet_.clear();
        if (device.Faults().failCommand == "dfu_recv") start = false;
        Answer(device, ok);
        if (start && device.Faults().silentCommand != "dfu_recv") {
            device.receivedKey = key_;
            device.receivedLoader = loader_;
            device.StartRamLoader(Intact(device.ExpectedLoader()));
            return true;
        }
        return false;
    }

    // The received bytes are what the transfer sends of `image`: all of it
    // but a tail of 36 bytes or fewer, which is never sent.
    bool Intact(const std::vector<uint8_t>& image) const {
        if (image.empty()) return true;
        if (image.size() < kDfuFirstPayload) return false;
        const size_t rest = (image.size() - kDfuFirstPayload) % kDfuNextPayloadMax;
        const size_t sent = image.size() - (rest <= kDfuUnsentTailMax ? rest : 0);
        return loader_.size() == sent && std::equal(loader_.begin(), loader_.end(), image.begin());
    }

    enum class Stage { None, Key, Loading, Tail };
    Stage stage_ = Stage::None;
    std::string line_;
    bool pendingMagic_ = false;
    uint32_t packetLength_ = 0;
    std::vector<uint8_t> packet_;
    uint64_t lastByteMs_ = 0;
    std::vector<uint8_t> key_;
    std::vector<uint8_t> loader_;
};

}  // namespace

std::unique_ptr<Personality> MakeBootRom() { return std::make_unique<BootRom>(); }

}  // namespace devsim

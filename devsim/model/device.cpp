#include "devsim/model/device.h"

#include <algorithm>

#include "devsim/model/personalities.h"

namespace devsim {

const char* PersonalityName(PersonalityKind kind) {
    switch (kind) {
        case PersonalityKind::BootRom: return "BootRom";
        case PersonalityKind::RamLoader: return "RamLoader";
        case PersonalityKind::Firmware: return "Firmware";
    }
    return "?";
}

Device::Device(DeviceType type, platform::Clock& clock, FaultOptions faults, DeviceExtensions extensions)
    : type_(std::move(type)), clock_(clock), faults_(std::move(faults)), extensions_(std::move(extensions)) {
    state_.flash.SetLayout(type_.Regions());
}

Device::~Device() = default;

void Device::Start(StartMode mode, bool announce) {
    switch (mode) {
        case StartMode::BootRom:
            ResetToBootRom(announce);
            break;
        case StartMode::RamLoader:
            StartRamLoader();
            break;
        case StartMode::Firmware:
            StartFirmware(type_.FirmwareAddress());
            break;
    }
}

PersonalityKind Device::CurrentPersonality() const {
    return personality_ ? personality_->Kind() : PersonalityKind::BootRom;
}

void Device::SwitchTo(std::unique_ptr<Personality> next) {
    CancelScheduled();
    if (personality_) retired_.push_back(std::move(personality_));
    personality_ = std::move(next);
}

void ToLineNoise(uint8_t* data, size_t n) {
    for (size_t i = 0; i < n; ++i) data[i] = uint8_t(0x80 | ((data[i] * 0x1D + 0x35) & 0x7F));
}

bool Device::LineRateMatches() const {
    for (int line : {lineBaud_, previousLineBaud_})
        if (line == 0 || line == baud_ || (rateSwitch_ && line == rateSwitch_->to)) return true;
    return false;
}

void Device::SwitchBaud(int baud, std::function<void()> then) {
    const uint64_t now = NowMs();
    rateSwitch_ = RateSwitch{baud, now + kRateSwitchMinMs, now + kRateSwitchMaxMs, std::move(then)};
}

void Device::StartRamLoader(bool intact) {
    SetBaud(kLoaderBaud);
    SwitchTo(intact ? MakeRamLoader() : MakeSilentCode(PersonalityKind::RamLoader));
}

void Device::StartFirmware(uint32_t jumpAddress) {
    std::unique_ptr<Personality> fw = extensions_.firmware ? extensions_.firmware(*this, jumpAddress) : nullptr;
    if (!fw) fw = MakeSilentCode(PersonalityKind::Firmware);
    SwitchTo(std::move(fw));
}

void Device::ResetToBootRom(bool announce) {
    // The boot ROM listens at the loader rate only.
    SetBaud(kLoaderBaud);
    // RAM and the debug registers the debug port keeps in it survive a warm reset.
    debugAttached_ = false;
    if (DebugPortHandler* port = DebugPort()) port->OnReset(*this);
    SwitchTo(MakeBootRom());
    if (announce) Announce();
}

void Device::Announce() {
    const std::string banner = type_.Banner();
    if (!faults_.bannerSplit) {
        Emit(banner);
        return;
    }
    const size_t half = banner.size() / 2;
    Emit(banner.substr(0, half));
    const std::string tail = banner.substr(half);
    Schedule(kBannerSplitMs, [this, tail] { Emit(tail); });
}

DebugPortHandler* Device::DebugPort() {
    if (!debugPortMade_) {
        debugPortMade_ = true;
        if (extensions_.debugPort) debugPort_ = extensions_.debugPort(*this);
    }
    return debugPort_.get();
}

void Device::AttachDebugPort(const uint8_t* prefix, size_t n) {
    debugAttached_ = true;
    if (n == 0) return;
    if (DebugPortHandler* port = DebugPort()) {
        port->OnBytes(*this, prefix, n);
    }
}

void Device::OnBytes(const uint8_t* data, size_t n) {
    if (disconnected_) return;
    if (!LineRateMatches()) {
        std::vector<uint8_t> noise(data, data + n);
        ToLineNoise(noise.data(), n);
        Deliver(noise.data(), n);
    } else {
        Deliver(data, n);
    }
    retired_.clear();
    OnTick();
}

void Device::Deliver(const uint8_t* data, size_t n) {
    while (n > 0 && !disconnected_) {
        if (debugAttached_) {
            DebugPortHandler* port = DebugPort();
            if (!port) return;  // nothing answers on the debug port
            size_t used = std::min(port->OnBytes(*this, data, n), n);
            if (debugAttached_ && used < n) used = n;  // an attached port owns the line
            data += used;
            n -= used;
            continue;
        }
        if (!personality_) return;
        Personality* before = personality_.get();
        size_t used = std::min(personality_->OnBytes(*this, data, n), n);
        // Nothing changed and nothing taken: drop the rest rather than spin.
        if (used == 0 && before == personality_.get() && !debugAttached_) return;
        data += used;
        n -= used;
    }
}

void Device::OnTick() {
    if (disconnected_) return;
    const uint64_t now = NowMs();
    if (rateSwitch_ && now >= rateSwitch_->notBeforeMs &&
        (lineBaud_ == 0 || lineBaud_ == rateSwitch_->to || now >= rateSwitch_->latestMs)) {
        baud_ = rateSwitch_->to;
        auto then = std::move(rateSwitch_->then);
        rateSwitch_.reset();
        if (then) then();
    }
    // Run due actions in time order; an action may schedule more.
    for (;;) {
        auto due = std::min_element(scheduled_.begin(), scheduled_.end(), [](const Timed& a, const Timed& b) {
            return a.dueMs != b.dueMs ? a.dueMs < b.dueMs : a.seq < b.seq;
        });
        if (due == scheduled_.end() || due->dueMs > now) break;
        auto action = std::move(due->action);
        scheduled_.erase(due);
        action();
        if (disconnected_) return;
    }
    // The actions may have stamped times after `now` (a block asked for):
    // the stall checks compare against a time no earlier than those.
    const uint64_t after = NowMs();
    if (debugAttached_ && debugPort_) debugPort_->OnTick(*this, after);
    if (personality_) personality_->OnTick(*this, after);
    retired_.clear();
}

std::vector<uint8_t> Device::TakeOutput() {
    std::vector<uint8_t> out;
    out.swap(output_);
    taken_ += out.size();
    return out;
}

std::string Device::TakeOutputText() {
    std::vector<uint8_t> out = TakeOutput();
    return std::string(out.begin(), out.end());
}

void Device::Emit(const uint8_t* data, size_t n) {
    if (disconnected_) return;
    output_.insert(output_.end(), data, data + n);
    emitted_ += n;
}

void Device::Reply(std::string_view text) {
    if (faults_.garbage) Emit(kGarbageBytes);
    Emit(text);
}

void Device::Schedule(uint32_t delayMs, std::function<void()> action) {
    scheduled_.push_back({NowMs() + delayMs, scheduleSeq_++, std::move(action)});
}

void Device::CancelScheduled() { scheduled_.clear(); }

void Device::CountImageBytes(size_t n) {
    imageBytes_ += n;
    if (faults_.disconnectAfterImageBytes >= 0 && imageBytes_ >= uint64_t(faults_.disconnectAfterImageBytes))
        Disconnect();
}

}  // namespace devsim

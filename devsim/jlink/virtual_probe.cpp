#include "devsim/jlink/virtual_probe.h"

#include <strings.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <sstream>

#include "common/file_util.h"
#include "devsim/model/state_file.h"
#include "platform/paths.h"

namespace devsim::jlink {

namespace {

constexpr int kTifSwd = 1;
constexpr uint32_t kPeripheralFirst = 0x40000000;
constexpr uint32_t kPeripheralLast = 0x5FFFFFFF;
constexpr uint32_t kLatchSet = 1u << 31;
constexpr uint32_t kLatchControl = 0x3;

bool StartsWithNoCase(const std::string& text, const char* word, std::string& rest) {
    const size_t n = std::strlen(word);
    if (text.size() < n || strncasecmp(text.c_str(), word, n) != 0) return false;
    rest = text.substr(n);
    return true;
}

// "= 2" or " 2" after a command word.
bool ValueAfter(const std::string& rest, uint32_t& value) {
    size_t i = rest.find_first_not_of(" =\t");
    if (i == std::string::npos) return false;
    char* end = nullptr;
    value = uint32_t(std::strtoul(rest.c_str() + i, &end, 0));
    return end != rest.c_str() + i;
}

std::string Range(uint32_t address, size_t n) {
    char text[48];
    std::snprintf(text, sizeof text, "0x%08X - 0x%08X", address, unsigned(address + n - 1));
    return text;
}

bool HasExtension(const std::string& path, const char* ext) {
    const size_t n = std::strlen(ext);
    return path.size() >= n && strcasecmp(path.c_str() + path.size() - n, ext) == 0;
}

// "QM2A" of "QM2A_NAND": the chip model of a device type.
std::string ModelOf(const std::string& type) { return type.substr(0, type.find('_')); }

}  // namespace

VirtualProbe::VirtualProbe(ProbeConfig config, platform::Clock& clock)
    : config_(std::move(config)), clock_(clock), downloadFailsLeft_(config_.downloadFails) {}

VirtualProbe::~VirtualProbe() {
    SaveState();
    WriteCallCounts();
}

// How hard a tool polls the terminal is probe traffic a real line pays for.
void VirtualProbe::WriteCallCounts() const {
    if (config_.callCounts.empty()) return;
    std::FILE* f = std::fopen(config_.callCounts.c_str(), "a");
    if (!f) {
        std::fprintf(stderr, "devsim jlink: cannot write %s\n", config_.callCounts.c_str());
        return;
    }
    std::fprintf(f, "JLINK_RTTERMINAL_Read %llu\nJLINK_RTTERMINAL_Write %llu\n",
                 static_cast<unsigned long long>(rttReads_), static_cast<unsigned long long>(rttWrites_));
    std::fclose(f);
}

void VirtualProbe::Error(const std::string& text) {
    if (errorOut_) errorOut_(text.c_str());
}

void VirtualProbe::Report(const char* action, const std::string& info, int percent) {
    if (progress_) progress_(action, info.c_str(), percent);
}

// Time passes by sleeping, never by spinning, so many probes share a few cores.
void VirtualProbe::Spend(double us) {
    sleepDebtUs_ += us;
    if (sleepDebtUs_ < 1000) return;
    const uint32_t ms = uint32_t(sleepDebtUs_ / 1000);
    sleepDebtUs_ -= ms * 1000.0;
    clock_.SleepMs(ms);
}

// SWD moves about a byte per ten interface clocks.
void VirtualProbe::SpendWire(uint64_t bytes) { Spend(double(bytes) * 10000.0 / speedKhz_); }

bool VirtualProbe::SaveState() {
    if (!device_) return true;
    const std::string path = StateFileFor(config_, serial_);
    if (path.empty()) return true;
    std::string error;
    if (SaveStateFile(path, *device_, &error)) return true;
    std::fprintf(stderr, "devsim jlink: %s\n", error.c_str());
    return false;
}

int VirtualProbe::SelectBySerial(uint32_t serial) {
    selected_ = true;
    const auto& list = config_.probes;
    selectFailed_ = std::find(list.begin(), list.end(), serial) == list.end();
    if (selectFailed_) return -1;
    if (device_ && serial != serial_) {
        SaveState();
        device_.reset();
    }
    serial_ = serial;
    return 0;
}

const char* VirtualProbe::Open() {
    if (config_.probes.empty()) return "No J-Link found";
    // A selection that found no probe must not open another channel's probe.
    if (selectFailed_) return "No J-Link with the selected serial number";
    if (!selected_) serial_ = config_.probes.front();
    open_ = true;
    return nullptr;
}

void VirtualProbe::Close() {
    SaveState();
    open_ = connected_ = false;
    rttStarted_ = false;
}

int VirtualProbe::ExecCommand(const std::string& command, std::string& error) {
    std::string rest;
    uint32_t value = 0;
    if (StartsWithNoCase(command, "device=", rest)) {
        deviceName_ = rest;
        return 0;
    }
    for (const char* plain : {"SuppressGUI", "SuppressControlPanel", "DisableInfoWinFlashDL"})
        if (strcasecmp(command.c_str(), plain) == 0) return 0;
    if (StartsWithNoCase(command, "SetCompareMode", rest) && ValueAfter(rest, value)) {
        compareMode_ = int(value);
        return 0;
    }
    if (StartsWithNoCase(command, "SetVerifyDownload", rest) && ValueAfter(rest, value)) {
        verifyMode_ = int(value);
        return 0;
    }
    for (const char* setting : {"SetRestartOnClose", "SetResetPulseLen", "SetCheckModeAfterRead", "SetBatchMode"})
        if (StartsWithNoCase(command, setting, rest) && ValueAfter(rest, value)) return 0;
    if (StartsWithNoCase(command, "SetRTTAddr", rest) && ValueAfter(rest, value)) {
        rttAddrCommand_ = value;
        return 0;
    }
    if (StartsWithNoCase(command, "SetRTTSearchRanges", rest)) {
        rttSearchRanges_.clear();
        std::istringstream ranges(rest);
        for (std::string piece; std::getline(ranges, piece, ',');) {
            std::istringstream pair(piece);
            std::string a, s;
            if (!(pair >> a >> s)) continue;
            rttSearchRanges_.emplace_back(uint32_t(std::strtoul(a.c_str(), nullptr, 0)),
                                          uint32_t(std::strtoul(s.c_str(), nullptr, 0)));
        }
        return rttSearchRanges_.empty() ? -1 : 0;
    }
    error = "Unknown command: " + command;
    std::fprintf(stderr, "devsim jlink: %s\n", error.c_str());
    return -1;
}

int VirtualProbe::SelectInterface(int tif) {
    tif_ = tif;
    return 0;
}

int VirtualProbe::Connect() {
    if (!open_) return -1;
    // The chips of this family have no JTAG port.
    if (tif_ != kTifSwd || config_.noTarget) {
        Error("Could not connect to target.");
        return -1;
    }
    // The tool names the chip it expects; another model behind the probe
    // would get the wrong flash algorithm.
    if (!config_.device.empty() && !deviceName_.empty() && ModelOf(deviceName_) != ModelOf(config_.device)) {
        Error("Device \"" + deviceName_ + "\" does not match the connected target " + config_.device);
        return -1;
    }
    if (!device_) {
        std::string type = !config_.device.empty() ? config_.device : deviceName_;
        if (type.empty()) type = "QM2B";
        device_ = std::make_unique<Device>(DeviceType(type), clock_, config_.deviceOptions.faults,
                                           config_.deviceOptions.Extensions());
        const std::string path = StateFileFor(config_, serial_);
        std::string error;
        if (!path.empty() && platform::FileExists(path) && !LoadStateFile(path, *device_, &error))
            std::fprintf(stderr, "devsim jlink: %s\n", error.c_str());
        device_->Start(Device::StartMode::BootRom);
        device_->TakeOutput();  // the boot ROM's banner goes to its UART, not to RTT
        regs_[kRegPc] = kBootRomIdlePc;
        regs_[kRegSp] = kBootRomStack;
    }
    connected_ = true;
    return 0;
}

// ---------------------------------------------------------------- flash

int VirtualProbe::EraseChip() {
    if (!connected_) return -1;
    halted_ = true;
    const auto& regions = device_->Flash().Layout();
    for (size_t i = 0; i < regions.size(); ++i) {
        const std::string info = "Bank " + std::to_string(i) + " " + Range(regions[i].base, regions[i].size);
        Report("Erasing", info, 0);
        Spend(timing_.chipEraseMsPerRegion * 500.0);
        Report("Erasing", info, 50);
        device_->Flash().Erase(regions[i].base, regions[i].size);
        Spend(timing_.chipEraseMsPerRegion * 500.0);
        Report("Erasing", info, 100);
    }
    return 0;
}

int VirtualProbe::DownloadFile(const std::string& path, uint32_t address) {
    if (!connected_) return -1;
    for (const char* ext : {".hex", ".mot", ".srec", ".elf", ".out", ".axf"}) {
        if (HasExtension(path, ext)) {
            Error("Unsupported file format of " + path + " (the virtual probe takes binary images)");
            return -1;
        }
    }
    std::vector<uint8_t> image;
    if (!common::ReadWholeFile(path, image)) {
        Error("Could not open file " + path);
        return -1;
    }
    halted_ = true;  // the probe halts the core for a download
    if (IsRam(address, image.size())) {
        SpendWire(image.size());
        device_->Ram().Write(address, image.data(), image.size());
        return 0;
    }
    return FlashDownload(image, address);
}

bool VirtualProbe::ComparePhase(const std::vector<uint8_t>& image, uint32_t address, const std::string& info) {
    std::vector<uint8_t> held(image.size());
    device_->Flash().Read(address, held.data(), uint32_t(held.size()));
    // A CRC compare moves almost nothing over the wire; the flash is read at its own pace.
    Spend(double(image.size()) * timing_.programUsPerByte / 4);
    Report("Compare", info, 100);
    return held == image;
}

int VirtualProbe::FlashDownload(const std::vector<uint8_t>& image, uint32_t address) {
    const uint32_t n = uint32_t(image.size());
    if (n == 0) return 0;
    if (!device_->Flash().RegionOf(address, n)) {
        Error("Flash download failed: " + Range(address, n) + " is not in the flash of " + device_->Type().Name());
        return -1;
    }
    const std::string info = Range(address, n);
    if (compareMode_ != 0) {
        Report("Compare", info, 0);
        if (ComparePhase(image, address, info)) return 0;  // contents already match
    }
    const uint32_t chunk = FlashArray::kChunk;
    auto walk = [&](const char* action, const std::function<bool(uint32_t offset, uint32_t len)>& step) {
        Report(action, info, 0);
        for (uint32_t done = 0; done < n;) {
            const uint32_t len = std::min(chunk, n - done);
            if (!step(done, len)) return false;
            done += len;
            Report(action, info, int(uint64_t(done) * 100 / n));
        }
        return true;
    };
    walk("Erase", [&](uint32_t offset, uint32_t len) {
        Spend(timing_.eraseUsPerChunk);
        return device_->Flash().Erase(address + offset, len);
    });
    const bool failHalfway = downloadFailsLeft_ > 0;
    if (failHalfway) --downloadFailsLeft_;
    const bool programmed = walk("Program", [&](uint32_t offset, uint32_t len) {
        if (failHalfway && offset >= n / 2) {
            Error("Failed to program flash at " + Range(address + offset, len));
            return false;
        }
        SpendWire(len);
        Spend(len * timing_.programUsPerByte);
        return device_->Flash().Program(address + offset, image.data() + offset, len);
    });
    if (!programmed) return -1;
    if (verifyMode_ != 0) {
        Report("Verify", info, 0);
        std::vector<uint8_t> held(n);
        device_->Flash().Read(address, held.data(), n);
        Spend(double(n) * timing_.programUsPerByte / 4);
        if (held != image) {
            Error("Verify failed: " + info);
            return -1;
        }
        Report("Verify", info, 100);
    }
    return 0;
}

void VirtualProbe::BeginDownload() {
    inDownload_ = true;
    pendingFlash_.clear();
}

int VirtualProbe::EndDownload() {
    if (!inDownload_) return -1;
    inDownload_ = false;
    int result = 0;
    for (const DownloadRange& r : pendingFlash_) {
        if (!ProgramRange(r.address, r.bytes.data(), uint32_t(r.bytes.size()))) result = -1;
    }
    pendingFlash_.clear();
    return result;
}

// A flash range written through the download: the sectors around it keep
// what they held, as the library restores them.
bool VirtualProbe::ProgramRange(uint32_t address, const uint8_t* data, uint32_t n) {
    FlashArray& flash = device_->Flash();
    if (!flash.RegionOf(address, n)) return false;
    Spend(double(n) * timing_.programUsPerByte + timing_.eraseUsPerChunk);
    return flash.Erase(address, n) && flash.Program(address, data, n);
}

// ---------------------------------------------------------------- memory and core

bool VirtualProbe::IsRam(uint32_t address, uint64_t n) const {
    return address >= kRamBase && uint64_t(address) + n <= uint64_t(kRamBase) + kRamSize;
}

bool VirtualProbe::IsRegister(uint32_t address) const {
    return address >= kPeripheralFirst && address <= kPeripheralLast;
}

uint32_t VirtualProbe::ReadRegisterWord(uint32_t address) {
    if (address == kBootHoldRegister) return bootHold_;
    if (address == kResetLatchRegister) return resetLatch_;
    return peripherals_.Read32(address);
}

void VirtualProbe::WriteRegisterWord(uint32_t address, uint32_t value) {
    if (address == kBootHoldRegister) {
        bootHold_ = value;
    } else if (address == kResetLatchRegister) {
        // Control bits pulsed low, then high, release the latch.
        const bool pulse = (resetLatch_ & kLatchControl) == 0 && (value & kLatchControl) == kLatchControl;
        resetLatch_ = pulse ? value & ~kLatchSet : (value & ~kLatchSet) | (resetLatch_ & kLatchSet);
    } else {
        peripherals_.Write32(address, value);
    }
}

int VirtualProbe::ReadMemory(uint32_t address, uint32_t n, uint8_t* dst) {
    if (!connected_) return -1;
    Pump();
    if (IsRam(address, n)) {
        device_->Ram().Read(address, dst, n);
    } else if (IsRegister(address) && IsRegister(address + n - 1) && n % 4 == 0 && address % 4 == 0) {
        for (uint32_t i = 0; i < n; i += 4) {
            const uint32_t v = ReadRegisterWord(address + i);
            for (int b = 0; b < 4; ++b) dst[i + b] = uint8_t(v >> (8 * b));
        }
    } else if (!device_->Flash().Read(address, dst, n)) {
        Error("Could not read memory at " + Range(address, n));
        return -1;
    }
    SpendWire(n);
    return int(n);
}

int VirtualProbe::WriteMemory(uint32_t address, uint32_t n, const uint8_t* src) {
    if (!connected_) return -1;
    SpendWire(n);
    if (IsRam(address, n)) {
        device_->Ram().Write(address, src, n);
        return int(n);
    }
    if (IsRegister(address) && n % 4 == 0 && address % 4 == 0) {
        for (uint32_t i = 0; i < n; i += 4)
            WriteRegisterWord(address + i, uint32_t(src[i]) | uint32_t(src[i + 1]) << 8 |
                                               uint32_t(src[i + 2]) << 16 | uint32_t(src[i + 3]) << 24);
        return int(n);
    }
    // Flash takes writes only inside a download, programmed when it ends.
    if (inDownload_ && device_->Flash().RegionOf(address, n)) {
        pendingFlash_.push_back({address, std::vector<uint8_t>(src, src + n)});
        return int(n);
    }
    Error("Could not write memory at " + Range(address, n));
    return -1;
}

int VirtualProbe::Reset() {
    if (!connected_) return -1;
    const bool holdsInRom = !device_->Type().Has("QM2B") || (bootHold_ == 0 && !(resetLatch_ & kLatchSet));
    device_->ResetToBootRom();
    device_->TakeOutput();
    regs_.fill(0);
    regs_[kRegSp] = kBootRomStack;
    regs_[kRegPc] = holdsInRom ? kBootRomHaltPc : kBootRomIdlePc;
    bootHold_ = 1;  // the boot ROM arms it again on every start
    halted_ = true;
    down_.clear();
    up_.clear();
    return 0;
}

void VirtualProbe::Go() {
    if (!connected_ || !halted_) return;
    halted_ = false;
    const uint32_t pc = regs_[kRegPc];
    const uint32_t base = pc & ~0xFFFu;
    // The core runs an image in RAM when PC and SP are its vector table's first two words.
    if (IsRam(base, 8) && device_->Ram().Read32(base) == regs_[kRegSp] && device_->Ram().Read32(base + 4) == pc) {
        device_->StartRamLoader();
        device_->TakeOutput();
        up_.clear();
    }
    if (!down_.empty()) {
        device_->OnBytes(down_.data(), down_.size());
        down_.clear();
    }
    Pump();
}

int VirtualProbe::Halt() {
    if (!connected_) return -1;
    Pump();
    halted_ = true;
    return 0;
}

int VirtualProbe::IsHalted() const {
    if (!connected_) return -1;
    return halted_ ? 1 : 0;
}

uint32_t VirtualProbe::ReadRegister(uint32_t index) {
    if (!connected_ || index >= kRegisterCount) return 0;
    if (!halted_) {
        Error("CPU is not halted");
        return 0;
    }
    return regs_[index];
}

int VirtualProbe::WriteRegister(uint32_t index, uint32_t value) {
    if (!connected_ || index >= kRegisterCount || !halted_) return 1;
    regs_[index] = value;
    return 0;
}

const char* VirtualProbe::RegisterName(uint32_t index) {
    static const char* const kNames[kRegisterCount] = {
        "R0", "R1", "R2", "R3", "R4", "R5", "R6", "R7", "R8", "R9", "R10",
        "R11", "R12", "R13 (SP)", "R14", "R15 (PC)", "XPSR", "MSP", "PSP", "PRIMASK", "CONTROL"};
    return index < kRegisterCount ? kNames[index] : "";
}

// ---------------------------------------------------------------- RTT

bool VirtualProbe::RttFound() const {
    if (!rttStarted_ || !connected_ || config_.noRtt) return false;
    const PersonalityKind running = device_->CurrentPersonality();
    if (running != PersonalityKind::RamLoader && running != PersonalityKind::Firmware) return false;
    const uint32_t block = config_.rttAddress;
    if (rttWanted_ != 0) return rttWanted_ == block;
    if (rttSearchRanges_.empty()) return IsRam(block, 1);
    for (const auto& [first, size] : rttSearchRanges_)
        if (block >= first && uint64_t(block) < uint64_t(first) + size) return true;
    return false;
}

// Lets the device run up to now and moves what it printed into the up buffer.
void VirtualProbe::Pump() {
    if (!device_ || halted_) return;
    device_->OnTick();
    std::vector<uint8_t> out = device_->TakeOutput();
    const PersonalityKind running = device_->CurrentPersonality();
    if (running == PersonalityKind::BootRom || config_.noRtt) return;  // no RTT in the boot ROM
    // A full up buffer drops what does not fit, as the target's RTT does.
    const size_t room = kRttUpBufferBytes - std::min(kRttUpBufferBytes, up_.size());
    up_.append(out.begin(), out.begin() + std::min(room, out.size()));
}

int VirtualProbe::RttControl(uint32_t command, void* record) {
    if (!connected_) return -1;
    switch (command) {
        case 0: {  // start
            const uint32_t* start = static_cast<const uint32_t*>(record);
            rttWanted_ = start && start[0] != 0 ? start[0] : rttAddrCommand_;
            rttStarted_ = true;
            return 0;
        }
        case 1:  // stop
            rttStarted_ = false;
            return 0;
        case 4: {  // status
            if (!record) return -1;
            Pump();
            int32_t* words = static_cast<int32_t*>(record);
            std::fill(words, words + 8, 0);
            if (!rttStarted_) return -2;
            const bool found = RttFound();
            words[3] = 1;
            words[4] = found ? kRttBuffers : 0;
            words[5] = found ? kRttBuffers : 0;
            return 0;
        }
        default:
            return -1;
    }
}

int VirtualProbe::RttWrite(uint32_t buffer, const char* data, uint32_t n) {
    ++rttWrites_;
    if (!connected_ || !rttStarted_) return -1;
    if (buffer != 0 || !RttFound()) return 0;
    const size_t taken = std::min<size_t>(n, kRttDownBufferBytes);
    SpendWire(taken);
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(data);
    if (halted_) {
        down_.insert(down_.end(), bytes, bytes + taken);
    } else {
        device_->OnBytes(bytes, taken);
        Pump();
    }
    return int(taken);
}

int VirtualProbe::RttRead(uint32_t buffer, char* data, uint32_t n) {
    ++rttReads_;
    if (!connected_ || !rttStarted_) return -1;
    if (buffer != 0 || !RttFound()) return 0;
    Pump();
    const size_t count = std::min<size_t>(n, up_.size());
    std::copy_n(up_.data(), count, data);
    up_.erase(0, count);
    SpendWire(count);
    return int(count);
}

}  // namespace devsim::jlink

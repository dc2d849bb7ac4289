#pragma once
// A J-Link probe with its target, served from the device model: what the
// J-Link compatible library's exports do, as one object per process (each
// process that loads the library has its own connection, as with SEGGER's).
//
// The target: flash regions of the device type, RAM at 0x20000000, the core
// registers with the halted state, the registers of the reset sequence, and
// the RTT terminal of the program that runs on the device (the RAM loader
// started from RAM, or the application it jumps to). Transfers take time by
// the interface speed and the flash timing below; the probe sleeps for it.
#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "devsim/jlink/probe_config.h"
#include "devsim/model/device.h"
#include "devsim/model/memory.h"
#include "platform/clock.h"

namespace devsim::jlink {

using ProgressFn = void (*)(const char* action, const char* prog, int percent);
using LogFn = void (*)(const char* text);

// RAM of the target as the probe reaches it.
constexpr uint32_t kMaxSpeedKhz = 50000;
constexpr uint32_t kRamBase = 0x20000000;
constexpr uint32_t kRamSize = 0x01000000;
// Registers of the reset sequence: a zero in the boot hold register makes
// the next reset stop in the boot ROM; bit 31 of the latch keeps a reset
// from getting there until its control bits are pulsed low and high.
constexpr uint32_t kBootHoldRegister = 0x4007A000;
constexpr uint32_t kResetLatchRegister = 0x4007A01C;
constexpr uint32_t kBootRomHaltPc = 0x7D4;
constexpr uint32_t kBootRomIdlePc = 0xA1C;
constexpr uint32_t kBootRomStack = 0x20010000;
// Core register indices (Cortex-M, as the library numbers them).
constexpr uint32_t kRegSp = 13;
constexpr uint32_t kRegPc = 15;
constexpr uint32_t kRegisterCount = 21;
// RTT: buffers the programs set up, and what one write can take.
constexpr int kRttBuffers = 3;
constexpr size_t kRttDownBufferBytes = 1024;
constexpr size_t kRttUpBufferBytes = 16384;

struct FlashTiming {
    uint32_t eraseUsPerChunk = 2000;      // 64 KiB sector erase during a download
    double programUsPerByte = 0.25;       // programming, beyond the wire
    uint32_t chipEraseMsPerRegion = 200;  // a whole bank
};

class VirtualProbe {
public:
    VirtualProbe(ProbeConfig config, platform::Clock& clock);
    ~VirtualProbe();

    // --- probe ---
    const std::vector<uint32_t>& Serials() const { return config_.probes; }
    int SelectBySerial(uint32_t serial);
    const char* Open();
    void Close();
    bool IsOpen() const { return open_; }
    uint32_t Serial() const { return serial_; }
    int ExecCommand(const std::string& command, std::string& error);
    int SelectInterface(int tif);
    // The probe's interface clock: 1 kHz to 50 MHz.
    void SetSpeed(uint32_t kHz) { speedKhz_ = std::clamp<uint32_t>(kHz, 1, kMaxSpeedKhz); }
    uint32_t Speed() const { return speedKhz_; }
    int Connect();
    bool IsConnected() const { return connected_; }
    void SetProgressHandler(ProgressFn fn) { progress_ = fn; }
    void SetErrorHandler(LogFn fn) { errorOut_ = fn; }

    // --- flash ---
    int EraseChip();
    int DownloadFile(const std::string& path, uint32_t address);
    void BeginDownload();
    int EndDownload();

    // --- memory and core ---
    int ReadMemory(uint32_t address, uint32_t n, uint8_t* dst);
    int WriteMemory(uint32_t address, uint32_t n, const uint8_t* src);
    int Reset();
    void Go();
    int Halt();
    int IsHalted() const;
    uint32_t ReadRegister(uint32_t index);
    int WriteRegister(uint32_t index, uint32_t value);
    static const char* RegisterName(uint32_t index);

    // --- RTT terminal ---
    int RttControl(uint32_t command, void* record);
    int RttWrite(uint32_t buffer, const char* data, uint32_t n);
    int RttRead(uint32_t buffer, char* data, uint32_t n);

    // The device behind the probe (null before the first connect).
    Device* Target() { return device_.get(); }

private:
    struct DownloadRange {
        uint32_t address;
        std::vector<uint8_t> bytes;
    };
    void Error(const std::string& text);
    void Report(const char* action, const std::string& info, int percent);
    void Spend(double us);
    void SpendWire(uint64_t bytes);
    bool SaveState();
    void WriteCallCounts() const;
    bool IsRam(uint32_t address, uint64_t n) const;
    bool IsRegister(uint32_t address) const;
    uint32_t ReadRegisterWord(uint32_t address);
    void WriteRegisterWord(uint32_t address, uint32_t value);
    bool RttFound() const;
    void Pump();
    int FlashDownload(const std::vector<uint8_t>& image, uint32_t address);
    bool ComparePhase(const std::vector<uint8_t>& image, uint32_t address, const std::string& info);
    bool ProgramRange(uint32_t address, const uint8_t* data, uint32_t n);

    ProbeConfig config_;
    platform::Clock& clock_;
    FlashTiming timing_;
    double sleepDebtUs_ = 0;
    uint32_t serial_ = 0;
    bool selected_ = false;
    bool selectFailed_ = false;
    bool open_ = false;
    bool connected_ = false;
    int tif_ = 0;  // JTAG until selected
    uint32_t speedKhz_ = 4000;
    std::string deviceName_;
    int compareMode_ = 0;
    int verifyMode_ = 0;
    int downloadFailsLeft_ = 0;
    ProgressFn progress_ = nullptr;
    LogFn errorOut_ = nullptr;

    std::unique_ptr<Device> device_;
    bool halted_ = false;
    std::array<uint32_t, kRegisterCount> regs_{};
    uint32_t bootHold_ = 1;
    uint32_t resetLatch_ = 0;
    SparseMemory peripherals_{0};
    bool inDownload_ = false;
    std::vector<DownloadRange> pendingFlash_;

    bool rttStarted_ = false;
    uint32_t rttWanted_ = 0;  // 0: search
    uint32_t rttAddrCommand_ = 0;
    std::vector<std::pair<uint32_t, uint32_t>> rttSearchRanges_;
    std::string up_;             // the up buffer as the host sees it
    std::vector<uint8_t> down_;  // taken while the core is halted
    uint64_t rttReads_ = 0;
    uint64_t rttWrites_ = 0;
};

}  // namespace devsim::jlink

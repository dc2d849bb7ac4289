#pragma once
// devsim::Device — one virtual device on a serial line.
//
// The device is a byte-in / byte-out state machine driven by the transport
// (the pseudo-terminal program, or a unit test): the transport hands every
// received byte to OnBytes(), calls OnTick() regularly (and after each
// OnBytes), and sends what TakeOutput() returns. Time comes from a
// platform::Clock, so unit tests run timed behaviour on a VirtualClock.
//
// What runs on the device is its current *personality*:
//   BootRom   - the boot ROM: banner, "dfu_recv" packets, and the
//               debug port (frames starting 0x7E 0x79);
//   RamLoader - the RAM loader's text commands;
//   Firmware  - the application started by "hcpu_jump_run 0x...\r\n"
//               (Factory test commands, payment checks, GNSS).
// Switching: BootRom -> RamLoader after the dfu end packet, or when the
// debug port starts the core (StartRamLoader); RamLoader -> Firmware on
// hcpu_jump_run (StartFirmware); "burn_reset" -> BootRom (ResetToBootRom).
//
// EXTENSION POINTS, given to the constructor as DeviceExtensions (the
// standard ones: StandardExtensions()), so the serial transport, the J-Link
// transport and the tests build a device the same visible way:
//
// 1. debugPort(device): the boot ROM's debug port (debug_port.h: QM2A and
//    QM2C have one; nullptr: none). Made once, on first use. The two bytes
//    0x7E 0x79 ATTACH the port when the boot ROM sees them (outside a dfu
//    packet), or the RAM loader or application sees them at the start of a
//    text line (not inside image data): from that 0x7E on, every received
//    byte goes to DebugPortHandler::OnBytes, whatever the personality, until
//    the handler calls Device::DetachDebugPort(). The handler answers with
//    Device::Emit(), reads and writes memory with Device::Ram() and
//    Device::Flash(), and starts the RAM loader with
//    Device::StartRamLoader() (it may stay attached to take the leave-debug
//    frame, or detach after each frame: a later frame at the start of a line
//    attaches it again). A chip reset through the debug port is
//    Device::ResetToBootRom().
//
// 2. firmware(device, jumpAddress): what the loader's "hcpu_jump_run 0x%x"
//    starts (factory_firmware.h); the returned personality (Kind() ==
//    PersonalityKind::Firmware) then gets the bytes. The line's LF, when it
//    arrives in the same read as the CR, is dropped before the firmware
//    starts; a later stray LF may still reach it. nullptr: the device runs
//    code that answers nothing.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "devsim/model/device_type.h"
#include "devsim/model/faults.h"
#include "devsim/model/firmware_options.h"
#include "devsim/model/flash.h"
#include "devsim/model/flash_timing.h"
#include "devsim/model/memory.h"
#include "devsim/model/otp_store.h"
#include "platform/clock.h"

namespace devsim {

class Device;

enum class PersonalityKind { BootRom, RamLoader, Firmware };
const char* PersonalityName(PersonalityKind kind);

// What runs on the device.
class Personality {
public:
    virtual ~Personality() = default;
    virtual PersonalityKind Kind() const = 0;
    // Bytes received from the line. Returns how many it consumed: n, unless
    // it switched the device (StartFirmware, StartRamLoader,
    // ResetToBootRom) or attached the debug port part-way; then it returns
    // the count up to that point and the rest goes to whoever runs next.
    virtual size_t OnBytes(Device& device, const uint8_t* data, size_t n) = 0;
    // Called regularly with the device clock's time.
    virtual void OnTick(Device& device, uint64_t nowMs) {
        (void)device;
        (void)nowMs;
    }
};

// The boot ROM's debug port (see extension point 1 above).
class DebugPortHandler {
public:
    virtual ~DebugPortHandler() = default;
    // Bytes while attached, starting with the 0x7E that attached the port.
    // Returns how many it consumed: all of them while it stays attached;
    // after it called DetachDebugPort(), the bytes it did not consume go to
    // the current personality.
    virtual size_t OnBytes(Device& device, const uint8_t* data, size_t n) = 0;
    virtual void OnTick(Device& device, uint64_t nowMs) {
        (void)device;
        (void)nowMs;
    }
    // The chip was reset into the boot ROM (burn_reset, power-on, or the
    // handler's own reset request); the port is detached at that moment.
    virtual void OnReset(Device& device) { (void)device; }
};

struct DeviceExtensions {
    std::function<std::unique_ptr<DebugPortHandler>(Device&)> debugPort;
    std::function<std::unique_ptr<Personality>(Device&, uint32_t jumpAddress)> firmware;
};

// The boot ROM's debug port of QM2A and QM2C with `debugPortFaults`, and the
// factory firmware answering as `firmware` says.
DeviceExtensions StandardExtensions(const DebugPortFaults& debugPortFaults = {},
                                    const FactoryFirmwareOptions& firmware = {});

constexpr int kLoaderBaud = 1000000;
constexpr uint32_t kRateSwitchMinMs = 20;
constexpr uint32_t kRateSwitchMaxMs = 1000;

// What a byte sent at one rate looks like to a receiver at another: never a
// token, a line end or a frame magic (always 0x80 or above).
void ToLineNoise(uint8_t* data, size_t n);

// The state that outlives a devsim run (state file, state_file.h).
struct DeviceState {
    FlashArray flash;
    OtpStore otp;
};

class Device {
public:
    enum class StartMode { BootRom, RamLoader, Firmware };

    Device(DeviceType type, platform::Clock& clock, FaultOptions faults = {},
           DeviceExtensions extensions = StandardExtensions());
    ~Device();
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;

    // Powers the device on in the given mode (BootRom emits its banner
    // unless `announce` is false: the transport then calls Announce() when
    // someone listens). Firmware mode starts the firmware at the device
    // type's jump address.
    void Start(StartMode mode, bool announce = true);
    // The boot ROM's banner ("NVBL" or "Norva"), split when the fault asks.
    void Announce();

    // --- transport side ---
    void OnBytes(const uint8_t* data, size_t n);
    void OnBytes(std::string_view text) { OnBytes(reinterpret_cast<const uint8_t*>(text.data()), text.size()); }
    void OnTick();
    // Bytes to send to the line, in order; emptied by the call.
    std::vector<uint8_t> TakeOutput();
    std::string TakeOutputText();
    bool HasOutput() const { return !output_.empty(); }
    // The line's byte rate follows this (baud / 10 bytes per second).
    int Baud() const { return baud_; }
    // The rate the other end of the line is set to (0: not known, taken as
    // matching), sampled by the transport after each read. While it differs
    // from the device's own rate, bytes in both directions turn into line
    // noise (LineRateMatches, ToLineNoise), as on a real UART. Bytes read
    // between two samples may have been sent at either rate, so either
    // sample matching will do.
    void SetLineBaud(int baud) {
        previousLineBaud_ = lineBaud_;
        lineBaud_ = baud;
    }
    bool LineRateMatches() const;
    // A disconnect fault fired: the transport closes the line for good.
    bool Disconnected() const { return disconnected_; }
    // Called after "burn_reset" so the transport can save the state file.
    std::function<void()> onReset;

    // --- for personalities and modules ---
    const DeviceType& Type() const { return type_; }
    platform::Clock& Clock() { return clock_; }
    uint64_t NowMs() { return clock_.NowMs(); }
    void SetBaud(int baud) {
        baud_ = baud;
        rateSwitch_.reset();
    }
    // The loader's rate switch ("burn_speed"): the device moves to `baud`
    // no sooner than kRateSwitchMinMs after the command, once the line is at
    // the new rate (or kRateSwitchMaxMs passed), and then runs `then` (its
    // OK travels at the new rate). Until then either rate crosses the line.
    void SwitchBaud(int baud, std::function<void()> then);
    // Queues bytes for the line.
    void Emit(const uint8_t* data, size_t n);
    void Emit(std::string_view text) { Emit(reinterpret_cast<const uint8_t*>(text.data()), text.size()); }
    // A reply of the loader: the garbage fault's bytes first (when set), then the text.
    void Reply(std::string_view text);
    // Runs `action` once the clock reaches now + delayMs (from OnTick).
    void Schedule(uint32_t delayMs, std::function<void()> action);
    // Drops every scheduled action (on a personality switch).
    void CancelScheduled();

    FlashArray& Flash() { return state_.flash; }
    FlashTiming Timing() const { return FlashTiming{faults_.flashTiming}; }
    // Bytes queued for the line so far, and bytes the transport took.
    uint64_t EmittedBytes() const { return emitted_; }
    uint64_t TakenBytes() const { return taken_; }
    OtpStore& Otp() { return state_.otp; }
    SparseMemory& Ram() { return ram_; }
    DeviceState& State() { return state_; }
    const DeviceState& State() const { return state_; }
    FaultOptions& Faults() { return faults_; }
    // What the boot ROM received by dfu_recv in its last complete boot.
    std::vector<uint8_t> receivedKey;
    std::vector<uint8_t> receivedLoader;

    // Counts image bytes the loader received; fires the disconnect fault.
    void CountImageBytes(size_t n);
    void Disconnect() { disconnected_ = true; }

    PersonalityKind CurrentPersonality() const;
    Personality* Current() { return personality_.get(); }
    // The RAM loader image the boot ROM is to receive (empty: any image
    // whose transfer was in order). A loader that arrived otherwise runs
    // as silent code, as a damaged image would.
    void ExpectLoader(std::vector<uint8_t> image) { expectedLoader_ = std::move(image); }
    const std::vector<uint8_t>& ExpectedLoader() const { return expectedLoader_; }
    // Boot ROM -> RAM loader, at kLoaderBaud; `intact` false: the loader
    // image arrived damaged and the core runs code that answers nothing.
    void StartRamLoader(bool intact = true);
    // RAM loader -> application firmware.
    void StartFirmware(uint32_t jumpAddress);
    // Chip reset: boot ROM (emits its banner unless `announce` is false),
    // debug port detached (its handler's OnReset runs), baud kLoaderBaud;
    // RAM keeps its contents.
    void ResetToBootRom(bool announce = true);
    // The chip has a debug port (QM2A and QM2C).
    bool HasDebugPort() { return DebugPort() != nullptr; }

    // Attaches the debug port and hands it `prefix` first (the 0x7E of a
    // magic that was split across two reads).
    void AttachDebugPort(const uint8_t* prefix = nullptr, size_t n = 0);
    void DetachDebugPort() { debugAttached_ = false; }
    bool DebugPortAttached() const { return debugAttached_; }

private:
    void SwitchTo(std::unique_ptr<Personality> next);
    void Deliver(const uint8_t* data, size_t n);
    DebugPortHandler* DebugPort();

    DeviceType type_;
    platform::Clock& clock_;
    FaultOptions faults_;
    DeviceExtensions extensions_;
    DeviceState state_;
    SparseMemory ram_;
    int baud_ = kLoaderBaud;
    std::vector<uint8_t> expectedLoader_;
    int lineBaud_ = 0;
    int previousLineBaud_ = 0;
    struct RateSwitch {
        int to;
        uint64_t notBeforeMs;
        uint64_t latestMs;
        std::function<void()> then;
    };
    std::optional<RateSwitch> rateSwitch_;
    std::unique_ptr<Personality> personality_;
    // A personality being replaced from inside its own OnBytes lives until
    // that call returns.
    std::vector<std::unique_ptr<Personality>> retired_;
    std::unique_ptr<DebugPortHandler> debugPort_;
    bool debugPortMade_ = false;
    bool debugAttached_ = false;
    std::vector<uint8_t> output_;
    uint64_t emitted_ = 0;
    uint64_t taken_ = 0;
    struct Timed {
        uint64_t dueMs;
        uint64_t seq;
        std::function<void()> action;
    };
    std::deque<Timed> scheduled_;
    uint64_t scheduleSeq_ = 0;
    uint64_t imageBytes_ = 0;
    bool disconnected_ = false;
};

}  // namespace devsim

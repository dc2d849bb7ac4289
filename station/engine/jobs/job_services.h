#pragma once
// What a channel job needs from the rest of the engine, behind small
// interfaces, so that the job loop can be driven by stand-ins in tests and by
// the real tool runner, allocation and boot-mode entry in the station.
#include <functional>
#include <optional>
#include <string>

namespace station {

// The tool steps of a job; the interface (UART or J-Link) picks the form.
enum class JobStep {
    Download,
    CrystalCali,
    BatteryCali,
    PcbaTest,
    EraseAll,
    EraseFactoryArea,
    EraseNonFactoryArea,
    GpsLoad,
};

struct StepResult {
    bool pass = false;
    int exitCode = 0;  // the tool's 32-bit status (the PCBA test's failed items)
    std::string cause{};  // why a failed step failed, one line for the operator
};

class StepRunner {
public:
    virtual ~StepRunner() = default;
    // Runs one step of channel `channel` to its end (a stop request kills the
    // tool and fails the step).
    virtual StepResult RunStep(JobStep step, bool uart, int channel, const std::string& port,
                                const std::string& channelLog) = 0;
};

// The next numbers of a pool that several stations share.
struct SharedNextNumbers {
    std::string mac;
    std::string sn;
};

// MAC/SN allocation of a burn job.
class FactoryNumbers {
public:
    virtual ~FactoryNumbers() = default;
    // The factory-data file and the channel's burn list; false fails the job.
    virtual bool Build(int channel) = 0;
    // The job's outcome confirms (database rows, bookkeeping cleared) or keeps
    // the numbers reserved for the channel's next device.
    virtual void Finish(int channel, bool passed) = 0;
    // Each start command may show the allocation's messages once again.
    virtual void NewStartCommand() {}
    // With a shared pool, its next numbers: shown where the station shows
    // its own counters (CUR_ADDR, CUR_VALUE), which a pool never moves.
    virtual std::optional<SharedNextNumbers> PoolNext() { return std::nullopt; }
};

// The station's own talk with a device's boot ROM over UART.
class BootModeEntry {
public:
    virtual ~BootModeEntry() = default;
    // Waits for a device to announce its boot ROM; false when stopped.
    virtual bool EnterBootMode(int channel, const std::string& port) = 0;
    // Resets the device into its boot ROM (calibration start on QM2A).
    virtual bool ResetIntoBootMode(int channel, const std::string& port) = 0;
};

// What the commands need from the front end that runs them.
class StationFrontEnd {
public:
    virtual ~StationFrontEnd() = default;
    // A message box ("x ..." texts; the main log keeps a copy) and a Yes/No
    // question.
    virtual void Message(const std::string& text) = 0;
    virtual bool Ask(const std::string& question) = 0;
    // A window other than the channel panel is showing (the parameter page).
    virtual bool SecondaryScreenOpen() { return false; }
    // Leaves that window as its own return button does. True when the main
    // screen shows afterwards; false when the window stays (its checks have
    // told the operator why), and the command that asked then starts nothing.
    virtual bool ReturnToMainScreen() { return true; }
    // The settings name project items of the old kind without a model id.
    virtual bool OldProjectWithoutModelId() { return false; }
    // A channel thread took up a job (called on that thread).
    virtual void OnJobStart(int /*channel*/) {}
    // Runs a command of another front end (the network) where this front end
    // runs its own, so that the command's checks may look at its windows.
    // Without windows it runs at once on the calling thread.
    virtual void PostCommand(std::function<void()> command) { command(); }
};

}  // namespace station

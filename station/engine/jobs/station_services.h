#pragma once
// The engine's real parts behind the job loop's interfaces: the tool runner,
// MAC/SN allocation and the UART boot-mode entry.
#include "station/engine/jobs/job_services.h"

namespace station {

class StationSettings;
class ChannelTable;
class MacSnAllocator;

class ToolStepRunner : public StepRunner {
public:
    ToolStepRunner(const StationSettings& settings, ChannelTable& channels) : settings_(settings), channels_(channels) {}
    StepResult RunStep(JobStep step, bool uart, int channel, const std::string& port,
                       const std::string& channelLog) override;

private:
    const StationSettings& settings_;
    ChannelTable& channels_;
};

class AllocatorNumbers : public FactoryNumbers {
public:
    explicit AllocatorNumbers(MacSnAllocator& allocator) : allocator_(allocator) {}
    bool Build(int channel) override;
    void Finish(int channel, bool passed) override;
    void NewStartCommand() override;
    std::optional<SharedNextNumbers> PoolNext() override;

private:
    MacSnAllocator& allocator_;
};

class UartBootEntry : public BootModeEntry {
public:
    UartBootEntry(const StationSettings& settings, ChannelTable& channels) : settings_(settings), channels_(channels) {}
    bool EnterBootMode(int channel, const std::string& port) override;
    bool ResetIntoBootMode(int channel, const std::string& port) override;

private:
    const StationSettings& settings_;
    ChannelTable& channels_;
};

}  // namespace station

#include "station/engine/jobs/station_services.h"

#include "station/engine/alloc/mac_sn_allocator.h"
#include "station/engine/boot/boot_mode.h"
#include "station/engine/runner/step_runner.h"
#include "station/engine/settings/station_settings.h"
#include "station/engine/state/channel_state.h"

namespace station {

namespace {

StepKind KindOf(JobStep step, bool uart) {
    switch (step) {
    case JobStep::Download: return uart ? StepKind::UartDownload : StepKind::SwdDownload;
    case JobStep::CrystalCali: return uart ? StepKind::UartCrystalCali : StepKind::SwdCrystalCali;
    case JobStep::BatteryCali: return uart ? StepKind::UartBatteryCali : StepKind::SwdBatteryCali;
    case JobStep::PcbaTest: return uart ? StepKind::UartPcba : StepKind::SwdPcba;
    case JobStep::EraseAll: return uart ? StepKind::UartEraseAll : StepKind::SwdEraseAll;
    case JobStep::EraseFactoryArea: return uart ? StepKind::UartEraseFactory : StepKind::SwdEraseFactory;
    case JobStep::EraseNonFactoryArea: return uart ? StepKind::UartEraseNonFactory : StepKind::SwdEraseNonFactory;
    case JobStep::GpsLoad: break;
    }
    return StepKind::UartGpsLoad;
}

}  // namespace

// The step runs on the port the job read at its start, as the Part's job does.
StepResult ToolStepRunner::RunStep(JobStep step, bool uart, int channel, const std::string& port,
                                   const std::string& channelLog) {
    const StepOutcome outcome =
        station::RunStep(settings_, channels_[channel], StepRequest(channel, KindOf(step, uart), channelLog, port));
    return {outcome.pass, outcome.status, outcome.cause};
}

bool AllocatorNumbers::Build(int channel) { return allocator_.BuildFactoryData(channel) == 1; }

void AllocatorNumbers::Finish(int channel, bool passed) { allocator_.Finish(channel, passed ? 1 : 0); }

void AllocatorNumbers::NewStartCommand() { allocator_.ArmMessages(); }

std::optional<SharedNextNumbers> AllocatorNumbers::PoolNext() {
    if (!allocator_.SharedPool()) return std::nullopt;
    const NextNumbers next = allocator_.Next();
    return SharedNextNumbers{next.mac, next.sn};
}

bool UartBootEntry::EnterBootMode(int channel, const std::string& port) {
    ChannelState& row = channels_[channel];
    return station::EnterBootMode(channel, port, settings_.DeviceType(),
                                  [&row] { return row.stopRequested.load() != 0; });
}

bool UartBootEntry::ResetIntoBootMode(int channel, const std::string& port) {
    return station::ResetIntoBootMode(channel, port);
}

}  // namespace station

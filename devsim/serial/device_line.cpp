#include "devsim/serial/device_line.h"

#include <cstdio>

#include "devsim/model/state_file.h"
#include "platform/paths.h"

namespace devsim_serial {

bool DeviceLine::Start(std::string& error) {
    lineMode_ = options_.lineDevices > 0;
    number_ = 1;
    device_ = MakeDevice();
    if (!lineMode_ && !options_.stateFile.empty() && platform::FileExists(options_.stateFile) &&
        !devsim::LoadStateFile(options_.stateFile, *device_, &error))
        return false;
    device_->onReset = [this] {
        if (lineMode_) resetSeen_ = true;
        else Save();
    };
    if (options_.mode == devsim::Device::StartMode::BootRom) {
        device_->Start(options_.mode, false);
        waitingForOpen_ = true;
    } else {
        device_->Start(options_.mode);
    }
    return true;
}

std::unique_ptr<devsim::Device> DeviceLine::MakeDevice() const {
    auto device = std::make_unique<devsim::Device>(devsim::DeviceType(options_.device), clock_,
                                                    options_.deviceOptions.faults, options_.deviceOptions.Extensions());
    device->ExpectLoader(options_.loader);
    return device;
}

std::string DeviceLine::StatePath() const {
    if (!lineMode_) return options_.stateFile;
    if (options_.stateDir.empty()) return {};
    return options_.stateDir + "/device_" + std::to_string(number_) + ".state";
}

bool DeviceLine::Save() {
    const std::string path = StatePath();
    if (path.empty() || !device_) return true;
    std::string error;
    if (devsim::SaveStateFile(path, *device_, &error)) return true;
    std::fprintf(stderr, "devsim: %s\n", error.c_str());
    return false;
}

bool DeviceLine::SaveCurrent() { return Save(); }

void DeviceLine::OnLineUse(bool opened, int holders) {
    holders_ = holders;
    if (opened && waitingForOpen_) {
        waitingForOpen_ = false;
        announceAtMs_ = clock_.NowMs() + kAnnounceAfterOpenMs;
    }
}

void DeviceLine::OnBytesReceived() { lastBytesMs_ = clock_.NowMs(); }

void DeviceLine::Tick() {
    if (!device_) return;
    const uint64_t now = clock_.NowMs();
    if (announceAtMs_ && now >= *announceAtMs_) {
        announceAtMs_.reset();
        device_->Announce();
    }
    if (!lineMode_) return;
    if (resetSeen_) {
        EndTurn(false);
    } else if (options_.lineGapMs > 0 && lastBytesMs_ && now - *lastBytesMs_ >= options_.lineGapMs) {
        EndTurn(true);
    }
}

void DeviceLine::EndTurn(bool bySilence) {
    Save();
    std::fprintf(stderr, "devsim: device %d of %d leaves the line (%s)\n", number_, options_.lineDevices,
                 bySilence ? "silence" : "reset");
    resetSeen_ = false;
    lastBytesMs_.reset();
    announceAtMs_.reset();
    waitingForOpen_ = false;
    if (number_ >= options_.lineDevices) {
        device_.reset();
        std::fprintf(stderr, "devsim: every device of the line was served\n");
        return;
    }
    ++number_;
    Arrive();
    // A program listening when the turn ended in silence sees the arrival
    // at once; otherwise the next program to open the line does.
    if (bySilence && holders_ > 0) announceAtMs_ = clock_.NowMs();
    else waitingForOpen_ = true;
}

void DeviceLine::Arrive() {
    device_ = MakeDevice();
    device_->onReset = [this] { resetSeen_ = true; };
    device_->Start(devsim::Device::StartMode::BootRom, false);
    std::fprintf(stderr, "devsim: device %d of %d arrives\n", number_, options_.lineDevices);
}

}  // namespace devsim_serial

// The start commands of the channel panels and the ribbon, with every check
// they make before a channel's thread is woken.
#include "common/text_search.h"
#include "platform/paths.h"
#include "station/engine/burnlist/ram_loader_check.h"
#include "station/engine/burnlist/station_burn_list.h"
#include "station/engine/jobs/function_type.h"
#include "station/engine/jobs/station_engine.h"
#include "station/engine/log/log_paths.h"
#include "station/engine/log/main_log.h"
#include "station/engine/settings/station_settings.h"
#include "station/engine/state/channel_state.h"
#include "station/engine/state/station_notify.h"

namespace station {

namespace {

constexpr const char* kBurnListMissing = "x 下载列表配置文件ImgBurnList.txt不存在，请打开文件按钮配置!";

}  // namespace

void StationEngine::Refuse(const char* text) { parts_.frontEnd.Message(text); }

bool StationEngine::CheckCalibration() {
    const std::string device = settings_.DeviceType();
    const bool wireless = settings_.Read(CALI_SET::CALI_CRYSTALTYPE) == 1;
    const char* refusal = nullptr;
    if (common::Contains(device, "QM2D") && wireless)
        refusal = "x 目前无线校准功能不支持 QM2D 设备!";
    else if (common::Contains(device, "QM2A") && !wireless)
        refusal = "x 目前版本 QM2A 不支持有线校准功能!";
    else if (common::Contains(device, "QM2A") && (functions_.Cali() & kCaliBattery))
        refusal = "x 目前版本 QM2A 不支持电池测量校准功能!";
    if (!refusal) return true;
    Refuse(refusal);
    return false;
}

bool StationEngine::CheckTest() {
    const std::string device = settings_.DeviceType();
    const char* refusal = nullptr;
    if (!common::Contains(device, "QM2B") && !common::Contains(device, "QM2C") && !common::Contains(device, "QM2A"))
        refusal = "x 目前测试功能只支持 QM2B/QM2C/QM2A 设备!";
    else if ((functions_.Test() & 0x1) &&
             (settings_.Read(PCBA_TEST::FW_VERSION).empty() || settings_.Read(PCBA_TEST::BLE_NAME).empty()))
        refusal = "x 测试固件信息需要填写 蓝牙名称、蓝牙版本、固件版本、BLE名称 信息!";
    else if (parts_.frontEnd.OldProjectWithoutModelId())
        refusal = "x 老版本配置文件，project_info.ini文件没包含modelid信息!";
    if (!refusal) return true;
    Refuse(refusal);
    return false;
}

// The channel's own start logs this refusal; the start-all command shows it.
bool StationEngine::CheckErase(bool startAll) {
    const bool nand = common::Contains(settings_.DeviceType(), "QM2A_NAND");
    const int erase = functions_.Erase();
    const char* question = nullptr;
    if ((erase & kEraseWholeFlash) && nand) {
        question = "擦除FLASH会擦除产线数据区，确定要执行 ?";
    } else if ((erase & kEraseFactoryArea) && !nand) {
        if (startAll) {
            Refuse("只有2A芯片的NAND方案支持擦除 产线数据区 !");
        } else {
            Log(0, "只有2a芯片的NAND方案支持擦除 产线数据区 !\n");
        }
        return false;
    } else if (erase & kEraseFactoryArea) {
        question = "确定要擦除 产线数据区 ?";
    }
    return !question || parts_.frontEnd.Ask(question);
}

bool StationEngine::BurnListExists() const {
    return platform::FileExists(StationBurnListPath(settings_.Root()));
}

bool StationEngine::CheckFunctionForStart(bool startAll) {
    const int func = functions_.Func();
    if ((func & kFuncCalibrate) && !CheckCalibration()) return false;
    if ((func & kFuncTest) && !CheckTest()) return false;
    // Every UART job but the GNSS load boots the RAM loader the settings
    // name; without one every attempt would fail.
    if (func != kFuncGps) {
        const std::string missing = MissingRamLoader(settings_);
        if (!missing.empty()) {
            Refuse(missing.c_str());
            return false;
        }
    }
    if (startAll) {
        if ((func & kFuncBurn) && !BurnListExists()) {
            Refuse(kBurnListMissing);
            return false;
        }
    }
    if ((func & kFuncErase) && !CheckErase(startAll)) return false;
    return true;
}

void StationEngine::ArmChannel(int channel, bool singleStart) {
    ChannelState& row = channels_[channel];
    Controls(channel).SetSelectable(false);
    SendStationNotify(kNotifyDisableCheckBox, channel);
    CreateDirectories(ChannelLogDayDirectory(settings_.Root(), parts_.now()));
    row.singleStart = singleStart ? 1 : 0;
    jobsLeft_[size_t(channel - 1)] = jobsPerStart_.load();
    active_[size_t(channel - 1)] = true;
    channels_.channelStartEvent(channel).Set();
}

bool StationEngine::StartOne(int channel) {
    if (parts_.frontEnd.SecondaryScreenOpen()) {
        Refuse("x 请先返回主界面!");
        return false;
    }
    if (!CheckFunctionForStart(false)) return false;
    ChannelState& row = channels_[channel];
    if (!settings_.ChannelEnabled(channel)) {
        Log(0, "通道未选择 %d\n", channel);
        return false;
    }
    if (row.port.Get() == kNoPort) {
        Log(0, "端口无效 %d\n", channel);
        return false;
    }
    if (IsBusy(row.status.load())) {
        Log(0, "用户停止运行 %d\n", channel);
        row.stopRequested = 1;
        return false;
    }
    row.ResetForJob();
    if ((functions_.Func() & kFuncBurn) && !BurnListExists()) {
        Log(0, "下载列表配置文件ImgBurnList.txt不存在 %d\n", channel);
        parts_.frontEnd.Message(kBurnListMissing);
        return false;
    }
    parts_.numbers.NewStartCommand();
    ArmChannel(channel, true);
    return true;
}

// Calibration of QM2A devices starts from the boot ROM: every channel that
// will start is reset into it first, with a second try when the first fails.
void StationEngine::ResetBootModeForCalibration() {
    if (!settings_.ResetBootEnabled()) return;
    for (int channel = 1; channel <= kChannelCount; ++channel) {
        ChannelState& row = channels_[channel];
        const std::string port = row.port.Get();
        if (IsBusy(row.status.load()) || !settings_.ChannelEnabled(channel) || port == kNoPort) continue;
        if (!parts_.boot.ResetIntoBootMode(channel, port)) parts_.boot.ResetIntoBootMode(channel, port);
    }
}

int StationEngine::StartAll() {
    Log(0, "点击运行按钮\n");
    if (parts_.frontEnd.SecondaryScreenOpen() && !parts_.frontEnd.ReturnToMainScreen()) return -1;
    if (!CheckFunctionForStart(true)) return -1;
    if ((functions_.Func() & kFuncCalibrate) && common::Contains(settings_.DeviceType(), "QM2A"))
        ResetBootModeForCalibration();
    parts_.numbers.NewStartCommand();
    int started = 0;
    for (int channel = 1; channel <= kChannelCount; ++channel) {
        ChannelState& row = channels_[channel];
        if (IsBusy(row.status.load())) {
            Log(0, "通道%d已在运行\n", channel);
        } else if (!settings_.ChannelEnabled(channel)) {
            Log(0, "通道%d未打开\n", channel);
        } else if (row.port.Get() == kNoPort) {
            Log(0, "通道%d无有效端口\n", channel);
        } else {
            row.ResetForJob();
            ArmChannel(channel, false);
            ++started;
        }
    }
    return started;
}

}  // namespace station

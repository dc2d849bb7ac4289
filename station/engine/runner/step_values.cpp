#include "station/engine/runner/step_values.h"

#include <cstdint>
#include <string_view>
#include <vector>

#include "common/file_util.h"
#include "common/text_search.h"
#include "station/engine/settings/station_settings.h"

namespace station {

bool IsOldKindProject(const std::string& root) {
    std::vector<uint8_t> text;
    if (!common::ReadWholeFile(root + "/project_info.ini", text)) return false;
    return !common::ContainsNoCase(std::string_view(reinterpret_cast<const char*>(text.data()), text.size()), "modelid");
}

namespace {

CaliValues ReadCaliValues(const StationSettings& s, const std::string& device) {
    CaliValues c;
    c.method = s.Read(CALI_SET::CALI_CRYSTALTYPE);
    const std::vector<std::string> pins = s.CaliPortNames();
    const int pin = s.Read(CALI_SET::CALI_PORT);
    if (pin >= 0 && size_t(pin) < pins.size()) c.pinName = pins[size_t(pin)];
    c.threshold = s.Read(CALI_SET::CALI_THRESHHOLD);
    c.timeLen = s.Read(CALI_SET::CALI_TIMELEN);
    c.freqIndex = s.Read(CALI_SET::CALI_FREQIDX);
    c.syncCode = s.Read(CALI_SET::CALI_SYNCCODE);
    c.judgeCount = s.Read(CALI_SET::CALI_JUDGECNT);
    c.packetStep = s.Read(CALI_SET::CALI_PKTSTEP);
    c.packetInit = s.Read(CALI_SET::CALI_PKTINIT);
    c.packetMax = s.Read(CALI_SET::CALI_PKTMAX);
    c.cbankMin = s.Read(CALI_SET::CALI_CBANK_MIN);
    c.cbankMax = s.Read(CALI_SET::CALI_CBANK_MAX);
    c.volt = s.Read(CALI_SET::CALI_VOLT);
    c.voltRange = s.Read(CALI_SET::CALI_VOLTRANGE);
    c.voltThresh = s.Read(CALI_SET::CALI_VOLTTHRESH);
    const bool qm2b = common::Contains(device, "QM2B");
    c.resistanceBig = s.Read(qm2b ? CALI_SET::CALI_RESISTANCE_BIG : CALI_SET::CALI_RESISTANCE_BIG_2C);
    c.resistanceSmall = s.Read(qm2b ? CALI_SET::CALI_RESISTANCE_SMALL : CALI_SET::CALI_RESISTANCE_SMALL_2C);
    return c;
}

}  // namespace

StepValues ReadStepValues(const StationSettings& s, StepKind step, int channel, const std::string& port,
                          const std::string& channelLog) {
    StepValues v;
    v.channel = channel;
    v.port = port;
    v.device = s.DeviceType();
    v.root = s.Root();
    v.channelLog = channelLog;
    v.channelLogOn = s.Read(LOG_SET::CHANEL_LOG);
    const int funcType = s.Read(COMMON_SET::FUNC_TYPE);
    v.uartBaud = s.UartBaud();
    v.gpsBaud = s.GpsBaud();
    v.jlinkSpeed = s.JLinkSpeed();
    v.postAct = s.PostAct(funcType);
    v.preAct = s.Read(LOG_SET::PRE_ACT);
    v.retryNum = s.Read(LOG_SET::RETRY_NUM);
    v.gui = s.Read(LOG_SET::GUI_FLAG);
    v.errBox = s.Read(LOG_SET::GUIERR_FLAG);
    v.compare = s.Read(LOG_SET::COMPARE_FLAG);
    v.verify = s.Read(LOG_SET::VERIFY_FLAG);
    v.driver = s.RamLoaderName(v.device);
    v.testType = s.LoadTestType();
    v.thirdMask = uint32_t(s.Read(PCBA_TEST::THIRD_FUNC));
    v.oldProject = IsOldKindProject(v.root);
    v.bleName = s.Read(PCBA_TEST::BLE_NAME);
    v.fwVersion = s.Read(PCBA_TEST::FW_VERSION);
    v.rttAddr = s.Read(PCBA_TEST::RTT_ADDR);
    v.wechatModel = s.Read(PCBA_TEST::WECHAT_MODEL);
    if (IsCaliStep(step)) v.cali = ReadCaliValues(s, v.device);
    return v;
}

}  // namespace station

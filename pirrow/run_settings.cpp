#include "pirrow/run_settings.h"

#include "common/option_table.h"
#include "common/parse_number.h"
#include "common/print_log.h"

namespace pirrow {
namespace {

// Table order is fixed: an entry's index is its bit in seenMask.
constexpr common::OptionSpec kOptions[kOptionCount] = {
    {"func", true},     {"postact", true},  {"port", true},    {"baund", true},   {"device", true},
    {"file", true},     {"path", true},     {"log", true},     {"fish", true},    {"pcba", true},
    {"btname", true},   {"btver", true},    {"fwver", true},   {"blename", true}, {"raddr", true},
    {"rlen", true},     {"loadram", true},  {"compare", false}, {"verify", false}, {"third", true},
    {"wechat", true},   {"noerase", false}, {"driver", true},  {"help", false},
};

std::string Cut(const std::string& value, size_t chars) { return value.substr(0, chars); }

void Store(int index, const std::string& value, RunSettings& s) {
    const uint32_t n = common::ParseNumber(value);
    switch (index) {
        case kOptFunc: s.job = int32_t(n); break;
        case kOptPostAct: s.postAct = int32_t(n); break;
        case kOptPort: s.portName = Cut(value, kPathFieldChars); break;
        case kOptBaud: s.baud = int32_t(n); break;
        case kOptDevice: s.deviceType = Cut(value, kPathFieldChars); break;
        case kOptFile: s.fileArg = Cut(value, kPathFieldChars); break;
        case kOptPath: s.imageDir = Cut(value, kPathFieldChars); break;
        case kOptLog:
            s.logPath = Cut(value, kPathFieldChars);
            common::SetLogFile(s.logPath);
            break;
        // The command is cut to its field first; the line end always follows.
        case kOptFish: s.fishCommand = Cut(value, kPathFieldChars - 2) + "\r\n"; break;
        case kOptPcba: s.pcbaMask = int32_t(n); break;
        case kOptBtName: s.btName = Cut(value, kShortFieldChars); break;
        case kOptBtVer: s.btVersion = Cut(value, kShortFieldChars); break;
        case kOptFwVer: s.fwVersion = Cut(value, kShortFieldChars); break;
        case kOptBleName: s.bleName = Cut(value, kShortFieldChars); break;
        case kOptRaddr: s.readAddr = n; break;
        case kOptRlen: s.readLen = n; break;
        case kOptLoadRam: s.loadRam = int32_t(n); break;
        case kOptThird: s.thirdFunc = int32_t(n); break;
        case kOptWechat: s.wechatModel = Cut(value, kShortFieldChars); break;
        case kOptDriver: s.ramLoaderPath = Cut(value, kPathFieldChars); break;
        default: break;
    }
}

}  // namespace

ParseOutcome ParseCommandLine(const std::vector<std::string>& args, RunSettings& s) {
    auto take = [&](int index, const std::string* value) {
        if (value) {
            Store(index, *value, s);
            return common::OptionTake::Next;
        }
        if (index == kOptCompare) s.compare = true;
        if (index == kOptVerify) s.verify = true;
        if (index == kOptNoErase) s.noErase = true;
        return index == kOptHelp ? common::OptionTake::Stop : common::OptionTake::Next;
    };
    switch (common::WalkOptions(args, kOptions, kOptionCount, s.seenMask, take)) {
        case common::OptionWalk::Complete: break;
        case common::OptionWalk::Stopped: return ParseOutcome::Help;
        default: return ParseOutcome::Fail;
    }
    if (!s.Seen(kOptPort) || !s.Seen(kOptBaud)) return ParseOutcome::Fail;
    return ParseOutcome::Run;
}

void PrintHelp() {
    static const char* const kLines[] = {
        "--postact  //after download  0:do nothing  1:reset UE\n",
        "--port  //para: download uart port uart3, eg COM5\n",
        "--baund  //para: uart speed, eg 3000000\n",
        "--device  //para: device type, eg QM2B\n",
        "--file  //para: download bin set file, eg burn.txt\n",
        "--path  //para: download bin path, eg d:\\images\n",
        "--log  //para: save log file, eg log.txt\n",
        "--fish  //fish cmd, eg \"crystal_cali 8 5 10\n",
        "--pcba  //pcba test item, eg 0x1ff\n",
        "--btname  //bt name, eg norva_bt\n",
        "--btver  //bt verssion, eg v1.0.0.1\n",
        "--fwver  //fw verssion, eg v1.0.0.1\n",
        "--blename  //bt name, eg norva_ble\n",
        "--loadram  //para 0 or 1, if load ram bin first\n",
        "--raddr  //read or erase flash addr. eg 0x10000000\n",
        "--rlen  //read or erase flash len. eg 0x400\n",
        "--third  //third function, eg 1\n",
        "--wechat  //wechat modelid, eg 2734510\n",
        "--noerase  //no need to erase before burn\n",
        "--driver  //uart driver full path\n",
        "cur version 2.9\n",
    };
    for (const char* line : kLines) common::PrintLog(false, "%s", line);
}

}  // namespace pirrow

#include "pirrow/run_settings.h"

#include <strings.h>

#include "common/parse_number.h"
#include "common/print_log.h"

namespace pirrow {
namespace {

enum class ValueKind { None, Number, Text };

struct OptionEntry {
    const char* name;
    ValueKind kind;
};

// Table order is fixed: an entry's index is its bit in seenMask.
constexpr OptionEntry kOptions[kOptionCount] = {
    {"func", ValueKind::Number},    {"postact", ValueKind::Number}, {"port", ValueKind::Text},
    {"baund", ValueKind::Number},   {"device", ValueKind::Text},    {"file", ValueKind::Text},
    {"path", ValueKind::Text},      {"log", ValueKind::Text},       {"fish", ValueKind::Text},
    {"pcba", ValueKind::Number},    {"btname", ValueKind::Text},    {"btver", ValueKind::Text},
    {"fwver", ValueKind::Text},     {"blename", ValueKind::Text},   {"raddr", ValueKind::Number},
    {"rlen", ValueKind::Number},    {"loadram", ValueKind::Number}, {"compare", ValueKind::None},
    {"verify", ValueKind::None},    {"third", ValueKind::Number},   {"wechat", ValueKind::Text},
    {"noerase", ValueKind::None},   {"driver", ValueKind::Text},    {"help", ValueKind::None},
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
    bool used[kOptionCount] = {};
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        // The first two characters are never examined: "xxfunc" is "--func".
        const char* name = arg.size() >= 2 ? arg.c_str() + 2 : "";
        int match = -1;
        for (int k = 0; k < kOptionCount; ++k) {
            if (!used[k] && strcasecmp(name, kOptions[k].name) == 0) {
                match = k;
                break;
            }
        }
        if (match < 0) return ParseOutcome::Fail;
        used[match] = true;
        s.seenMask |= 1u << match;
        switch (kOptions[match].kind) {
            case ValueKind::None:
                if (match == kOptCompare) s.compare = true;
                if (match == kOptVerify) s.verify = true;
                if (match == kOptNoErase) s.noErase = true;
                if (match == kOptHelp) return ParseOutcome::Help;
                break;
            case ValueKind::Number:
            case ValueKind::Text:
                // A value option standing last has nothing to read.
                if (i + 1 >= args.size()) return ParseOutcome::Fail;
                Store(match, args[++i], s);
                break;
        }
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

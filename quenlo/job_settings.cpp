#include "quenlo/job_settings.h"

#include "common/option_table.h"
#include "common/parse_number.h"
#include "common/print_log.h"

namespace quenlo {
namespace {

constexpr common::OptionSpec kOptions[kOptionCount] = {
    {"func", true},     {"gui", false},     {"errbox", false}, {"compare", false}, {"verify", false},
    {"preact", true},   {"postact", true},  {"sn", true},      {"baund", true},    {"device", true},
    {"raddr", true},    {"rlen", true},     {"retry", true},   {"file", true},     {"path", true},
    {"log", true},      {"dll", true},      {"fish", true},    {"pcba", true},     {"rttaddr", true},
    {"btname", true},   {"btver", true},    {"fwver", true},   {"blename", true},  {"facaddr", true},
    {"third", true},    {"wechat", true},   {"help", false},
};

// The field's room for the value; 0 for a number option.
size_t TextRoom(int index) {
    switch (index) {
        case kOptDevice: case kOptFile: case kOptPath: case kOptLog: case kOptDll:
            return kPathFieldChars;
        case kOptFish:
            return kPathFieldChars - 2;  // the line end is stored with it
        case kOptBtName: case kOptBtVer: case kOptFwVer: case kOptBleName: case kOptWechat:
            return kShortFieldChars;
        default:
            return 0;
    }
}

void StoreText(int index, const std::string& v, JobSettings& s) {
    switch (index) {
        case kOptDevice: s.device = v; break;
        case kOptFile: s.burnListFile = v; break;
        case kOptPath: s.buildDir = v; break;
        case kOptLog:
            s.logPath = v;
            common::SetLogFile(v);
            break;
        case kOptDll: s.dllPath = v; break;
        case kOptFish: s.fishCommand = v + "\r\n"; break;
        case kOptBtName: s.btName = v; break;
        case kOptBtVer: s.btVersion = v; break;
        case kOptFwVer: s.fwVersion = v; break;
        case kOptBleName: s.bleName = v; break;
        case kOptWechat: s.wechatModel = v; break;
        default: break;
    }
}

void StoreNumber(int index, uint32_t n, JobSettings& s) {
    switch (index) {
        case kOptFunc: s.func = int32_t(n); break;
        case kOptPreact: s.preact = int32_t(n); break;
        case kOptPostact: s.postact = int32_t(n); break;
        case kOptSn: s.sn = int32_t(n); break;
        case kOptBaund: s.speed = int32_t(n); break;
        case kOptRaddr: s.raddr = n; break;
        case kOptRlen: s.rlen = n; break;
        case kOptRetry: s.retry = int32_t(n); break;
        case kOptPcba: s.pcba = int32_t(n); break;
        case kOptRttAddr: s.rttAddr = n; break;
        case kOptFacAddr: s.facAddr = n; break;
        case kOptThird: s.third = int32_t(n); break;
        default: break;
    }
}

}  // namespace

ParseOutcome ParseCommandLine(const std::vector<std::string>& args, JobSettings& s) {
    auto take = [&](int index, const std::string* value) {
        if (!value) {
            switch (index) {
                case kOptGui: s.gui = true; break;
                case kOptErrbox: s.errbox = true; break;
                case kOptCompare: s.compare = true; break;
                case kOptVerify: s.verify = true; break;
                case kOptHelp: return common::OptionTake::Stop;
                default: break;
            }
            return common::OptionTake::Next;
        }
        const size_t room = TextRoom(index);
        if (room == 0) {
            StoreNumber(index, common::ParseNumber(*value), s);
        } else {
            if (value->size() > room) return common::OptionTake::Refuse;
            StoreText(index, *value, s);
        }
        return common::OptionTake::Next;
    };
    switch (common::WalkOptions(args, kOptions, kOptionCount, s.seenMask, take)) {
        case common::OptionWalk::Complete: return ParseOutcome::Run;
        case common::OptionWalk::Stopped: return ParseOutcome::Help;
        default: return ParseOutcome::Fail;
    }
}

void PrintUsage() {
    static const char* const kLines[] = {
        "--func  //0:down file  1:read mem  2:erase mem  3:erase chip 4:crystal calibrate 5:down+crystal\n",
        "--gui  //show download UI\n",
        "--errbox  //show error messabebox\n",
        "--compare  //compare before download\n",
        "--verify  //verify after download\n",
        "--preact  //before download  0: do nothing  1:send r  2:send h\n",
        "--postact  //after download  0: do nothing  1:reset UE\n",
        "--sn  //jlink sn, eg 59602728\n",
        "--baund  //jlink speed, eg 4000\n",
        "--device  //duttype, eg M2B\n",
        "--raddr  //read or erase flash addr. eg 0x10000000\n",
        "--rlen  //read or erase flash len. eg 0x400\n",
        "--retry  //retry times if func error. eg 1\n",
        "--file  //download bin set file, eg burn.txt\n",
        "--path  //download bin path. eg: d:\\images\n",
        "--log  //save log file, eg log.txt\n",
        "--dll  //jlink dll full path, eg \"C:\\Program Files (x86)\\SEGGER\\JLink\\JLinkARM.dll\" \n",
        "--fish  //fish cmd, eg \"crystal_cali 8 5 10\n",
        "--pcba  //pcba test item, eg 0x1ff\n",
        "--rttaddr  //jlink rtt base addr, eg 0x20000000\n",
        "--btname  //bt name, eg norva_bt\n",
        "--btver  //bt verssion, eg v1.0.0.1\n",
        "--fwver  //fw verssion, eg v1.0.0.1\n",
        "--blename  //bt name, eg norva_ble\n",
        "--facaddr  //factory info in flash addr, eg 0x1000e000\n",
        "--third  //third function, eg 1\n",
        "--wechat  //wechat modelid, eg 2734510\n",
        "cur version 1.8\n",
    };
    for (const char* line : kLines) common::PrintLog(false, "%s", line);
}

}  // namespace quenlo

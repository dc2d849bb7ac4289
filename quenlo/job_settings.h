#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace quenlo {

// Field sizes the operator can observe; a longer value is refused.
constexpr size_t kPathFieldChars = 259;
constexpr size_t kShortFieldChars = 99;
constexpr size_t kMaxFiles = 20;
constexpr uint32_t kSkipAddress = 0xFFFFFFFFu;

// Job kinds of --func.
enum Func : int32_t {
    kFuncDownload = 0,
    kFuncReadMem = 1,
    kFuncEraseMem = 2,
    kFuncEraseChip = 3,
    kFuncEraseCrystal = 4,
    kFuncEraseBattery = 5,
    kFuncEraseOtp = 6,
    kFuncEraseNormal = 7,
    kFuncCaliCrystal = 8,
    kFuncCaliBattery = 9,
    kFuncPcbaTest = 11,
    kFuncWrFactoryOtp = 12,
    kFuncAlpayCheck = 13,
    kFuncRdFactoryOtp = 15,
};

// Option indexes: each is the option's bit in seenMask.
enum OptionIndex : int {
    kOptFunc, kOptGui, kOptErrbox, kOptCompare, kOptVerify, kOptPreact, kOptPostact, kOptSn,
    kOptBaund, kOptDevice, kOptRaddr, kOptRlen, kOptRetry, kOptFile, kOptPath, kOptLog,
    kOptDll, kOptFish, kOptPcba, kOptRttAddr, kOptBtName, kOptBtVer, kOptFwVer, kOptBleName,
    kOptFacAddr, kOptThird, kOptWechat, kOptHelp,
    kOptionCount
};

// One image of the file list.
struct ListedFile {
    std::string path;
    uint32_t length = 0;
    uint32_t address = 0;  // kSkipAddress: counted, not downloaded
};

struct JobSettings {
    uint32_t seenMask = 0;
    int32_t func = kFuncDownload;
    bool gui = false;
    bool errbox = false;
    bool compare = false;
    bool verify = false;
    int32_t preact = 0;
    int32_t postact = 0;
    int32_t sn = 0;
    int32_t speed = 0;  // kHz; 0 means 4000
    uint32_t raddr = 0;
    uint32_t rlen = 0;
    int32_t retry = 0;
    int32_t pcba = 0;
    int32_t third = 0;
    uint32_t rttAddr = 0;
    uint32_t facAddr = 0;
    std::vector<ListedFile> files;  // at most kMaxFiles
    std::string wechatModel, btName, btVersion, fwVersion, bleName;
    std::string device;
    std::string logPath;
    std::string ramPatchPath;
    std::string fishCommand;  // with "\r\n" appended when given
    // Held only while the command line is handled.
    std::string burnListFile;
    std::string buildDir;
    std::string dllPath;

    bool Seen(OptionIndex option) const { return (seenMask >> option) & 1u; }
};

enum class ParseOutcome { Run, Help, Fail };

// Parses argv[1..]. The log file is set as soon as --log is read, so the
// usage text and later failures reach it.
ParseOutcome ParseCommandLine(const std::vector<std::string>& args, JobSettings& settings);

// Writes the usage text to the log.
void PrintUsage();

}  // namespace quenlo

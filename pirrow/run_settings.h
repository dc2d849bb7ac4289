#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace pirrow {

// Field sizes the operator can observe: values longer than these are cut.
constexpr size_t kPathFieldChars = 259;
constexpr size_t kShortFieldChars = 99;
constexpr int kLoaderBaud = 1000000;

// Job numbers of --func.
enum Job : int32_t {
    kJobDownload = 0,
    kJobRead = 1,
    kJobEraseAddr = 2,
    kJobEraseAll = 3,
    kJobEraseCrystal = 4,
    kJobEraseBattery = 5,
    kJobEraseOtp = 6,
    kJobEraseExclude = 7,
    kJobCaliCrystal = 8,
    kJobCaliBattery = 9,
    kJobPcbaTest = 11,
    kJobWrFactoryOtp = 12,
    kJobAlpayCheck = 13,
    kJobGpsLoad = 14,
    kJobRdFactoryOtp = 15,
};

// Option indexes: each is the option's bit in seenMask.
enum OptionIndex : int {
    kOptFunc, kOptPostAct, kOptPort, kOptBaud, kOptDevice, kOptFile, kOptPath, kOptLog,
    kOptFish, kOptPcba, kOptBtName, kOptBtVer, kOptFwVer, kOptBleName, kOptRaddr, kOptRlen,
    kOptLoadRam, kOptCompare, kOptVerify, kOptThird, kOptWechat, kOptNoErase, kOptDriver, kOptHelp,
    kOptionCount
};

struct RunSettings {
    int32_t job = kJobDownload;
    int32_t postAct = 0;
    std::string portName;
    int32_t baud = 0;
    std::string deviceType;
    std::string fileArg;
    std::string imageDir;
    std::string logPath;
    std::string fishCommand;  // with "\r\n" appended when given
    int32_t pcbaMask = 0;
    std::string btName, btVersion, fwVersion, bleName;
    uint32_t readAddr = 0;
    uint32_t readLen = 0;
    int32_t loadRam = 0;
    bool compare = false;
    bool verify = false;
    int32_t thirdFunc = 0;
    std::string wechatModel;
    bool noErase = false;
    std::string ramLoaderPath;
    std::string sigKeyPath;
    uint32_t seenMask = 0;

    bool Seen(OptionIndex option) const { return (seenMask >> option) & 1u; }
};

enum class ParseOutcome { Run, Help, Fail };

// Parses argv[1..] into settings (argv[0] is the program). Sets the log file
// as soon as --log is read, so later failures are logged.
ParseOutcome ParseCommandLine(const std::vector<std::string>& args, RunSettings& settings);

// Writes the help text to the log.
void PrintHelp();

}  // namespace pirrow

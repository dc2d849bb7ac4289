#include "common/exit_status.h"
#include "common/print_log.h"
#include "common/text_search.h"
#include "platform/paths.h"
#include "quenlo/file_list.h"
#include "quenlo/jobs.h"

namespace quenlo {

using common::PrintLog;

namespace {

// The RAM loader beside the build directory's images, by device type.
std::string RamLoaderInBuildDir(const JobSettings& cfg) {
    if (cfg.buildDir.empty()) return {};
    const std::string& device = cfg.device;
    const char* name = nullptr;
    if (device.empty() || device == "QM2B") name = "factory_cali.bin";
    else if (common::Contains(device, "QM2E")) name = "factory_cali_2E.bin";
    else if (common::Contains(device, "QM2C")) name = "factory_cali_2C.bin";
    else if (common::Contains(device, "QM2A")) name = "factory_cali_2A.bin";
    return name ? platform::JoinPath(cfg.buildDir, name) : std::string();
}

int32_t Verdict(bool ok, const char* name) {
    PrintLog(false, "%s %s\n", name, ok ? "pass" : "fail");
    return ok ? 0 : -1;
}

bool ReadFileList(Tool& t) {
    const JobSettings& cfg = t.cfg;
    if (cfg.Seen(kOptFile)) {
        if (GetBurnList(t, cfg.burnListFile)) return true;
        PrintLog(false, "GetBurnList fail\n");
        return false;
    }
    if (cfg.Seen(kOptPath)) {
        if (GetBurnListPath(t, cfg.buildDir)) return true;
        PrintLog(false, "GetBurnListPath fail\n");
    }
    return false;
}

// Read and erase jobs need --raddr and --rlen; a length of 0 passes at once.
enum class Range { Run, Pass, Fail };
Range CheckRange(const JobSettings& cfg, const char* zeroLine) {
    if (!cfg.Seen(kOptRaddr) || !cfg.Seen(kOptRlen)) return Range::Fail;
    if (cfg.rlen != 0) return Range::Run;
    PrintLog(false, "%s", zeroLine);
    return Range::Pass;
}

int32_t RangeJob(Tool& t, const char* zeroLine, bool (*job)(Tool&), const char* name) {
    switch (CheckRange(t.cfg, zeroLine)) {
        case Range::Pass: return 0;
        case Range::Fail: return -1;
        case Range::Run: break;
    }
    return Verdict(job(t), name);
}

int32_t RunJob(Tool& t) {
    switch (t.cfg.func) {
        case kFuncDownload:
            t.cfg.ramPatchPath.clear();  // a download takes its RAM loader from the burn list only
            if (!ReadFileList(t)) return -1;
            return Verdict(DownLoadSWD(t), "DownLoadSWD()");
        case kFuncReadMem: {
            const int32_t status = RangeJob(t, "ReadSWD() len=0 \n", ReadSWD, "ReadSWD()");
            if (status == 0 && t.cfg.rlen != 0) t.clock.SleepMs(1000);
            return status;
        }
        case kFuncEraseMem: return RangeJob(t, "EraseSWD() len=0 \n", EraseSWD, "EraseSWD()");
        case kFuncEraseChip: return Verdict(EraseAllSWD(t), "EraseAllSWD()");
        case kFuncEraseCrystal: PrintLog(false, "TASK_ERASE_CRYSTAL not support\n"); return -1;
        case kFuncEraseBattery: PrintLog(false, "TASK_ERASE_BATTERY not support\n"); return -1;
        case kFuncEraseOtp: PrintLog(false, "TASK_ERASE_OTP not support\n"); return -1;
        case kFuncEraseNormal: return RangeJob(t, "EraseSWD() len=0 \n", EraseNormalSWD, "EraseNormalSWD()");
        case kFuncCaliCrystal: return Verdict(CaliCrystal(t), "CaliCrystal()");
        case kFuncCaliBattery: return Verdict(CaliBattery(t), "CaliBattery()");
        case kFuncPcbaTest: {
            const uint32_t failed = PcbaTest(t);
            Verdict(failed == 0, "PcbaTest()");
            return int32_t(failed);
        }
        case kFuncWrFactoryOtp: return Verdict(WrFactoryOtp(t), "WrFactoryOtp()");
        case kFuncAlpayCheck: return Verdict(AlpayCheck(t), "AlpayCheck()");
        case kFuncRdFactoryOtp: return Verdict(RdFactoryOtp(t), "RdFactoryOtp()");
        default: PrintLog(false, "cmd error %d\n", t.cfg.func); return -1;
    }
}

int32_t Run(const std::vector<std::string>& args, Tool& t, platform::SharedLibrary& library) {
    switch (ParseCommandLine(args, t.cfg)) {
        case ParseOutcome::Help: PrintUsage(); return 0;
        case ParseOutcome::Fail: return -1;
        case ParseOutcome::Run: break;
    }
    if (!t.cfg.Seen(kOptDevice)) return -1;
    if (!LibInit(t.cfg.dllPath, library, t.jl)) return -1;
    t.cfg.ramPatchPath = RamLoaderInBuildDir(t.cfg);
    return RunJob(t);
}

}  // namespace

int32_t RunQuenlo(const std::vector<std::string>& args, Tool& t) {
    platform::SharedLibrary library;
    const int32_t status = Run(args, t, library);
    const bool help = t.cfg.Seen(kOptHelp) && status == 0;
    if (!help) {
        if (status == 0) PrintLog(false, "FINAL_PASS\n");
        else PrintLog(false, "FINAL_FAIL %x\n", t.cfg.seenMask);
    }
    // The caller has the whole status before the library is unloaded.
    common::ReportStatus(status);
    return status;
}

}  // namespace quenlo

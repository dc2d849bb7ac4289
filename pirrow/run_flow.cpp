#include "common/print_log.h"
#include "pirrow/exit_status.h"
#include "pirrow/jobs.h"
#include "platform/stop_signal.h"

namespace pirrow {

using common::PrintLog;

namespace {

// Step 5 of the start-up: the loader and its key beside the --path images.
void DeriveLoaderPaths(RunSettings& cfg) {
    if (!cfg.Seen(kOptPath) || !cfg.ramLoaderPath.empty()) return;
    std::string name = common::RamLoaderFileName(cfg.deviceType);
    if (!name.empty()) cfg.ramLoaderPath = cfg.imageDir + "/" + name;
    cfg.sigKeyPath = cfg.imageDir + "/sig_pub.der";
}

bool ReadBurnList(Session& s) {
    RunSettings& cfg = s.settings;
    common::BurnList& list = s.burnList;
    list.ramLoaderPath = cfg.ramLoaderPath;
    list.sigKeyPath = cfg.sigKeyPath;
    bool ok;
    if (cfg.Seen(kOptFile)) {
        ok = common::GetBurnList(cfg.fileArg, cfg.deviceType, list);
        if (!ok) PrintLog(false, "GetBurnList fail\n");
    } else if (cfg.Seen(kOptPath)) {
        ok = common::GetBurnListPath(cfg.imageDir, cfg.deviceType, list);
        if (!ok) PrintLog(false, "GetBurnListPath fail\n");
    } else {
        PrintLog(false, "X no burn list: give --file or --path\n");
        ok = false;
    }
    if (!ok) return false;
    cfg.ramLoaderPath = list.ramLoaderPath;
    cfg.sigKeyPath = list.sigKeyPath;
    s.progress.total = list.progressTotal;
    return !list.items.empty();
}

struct JobLines {
    const char* pass;
    const char* fail;
};

bool Logged(bool ok, JobLines lines) {
    PrintLog(false, "%s", ok ? lines.pass : lines.fail);
    return ok;
}

// A read or erase range job: needs --raddr and --rlen; length 0 passes at once.
enum class RangeCheck { Run, Pass, Fail };
RangeCheck CheckRange(const RunSettings& cfg, const char* zeroLine) {
    if (!cfg.Seen(kOptRaddr) || !cfg.Seen(kOptRlen)) return RangeCheck::Fail;
    if (cfg.readLen == 0) {
        PrintLog(false, "%s", zeroLine);
        return RangeCheck::Pass;
    }
    return RangeCheck::Run;
}

int32_t RunJob(Session& s) {
    RunSettings& cfg = s.settings;
    switch (cfg.job) {
        case kJobDownload:
            if (!ReadBurnList(s)) return -1;
            return Logged(DownLoadUart(s), {"DownLoadUart() pass\n", "DownLoadUart() fail\n"}) ? 0 : -1;
        case kJobRead: {
            RangeCheck r = CheckRange(cfg, "ReadUart() len=0 \n");
            if (r != RangeCheck::Run) return r == RangeCheck::Pass ? 0 : -1;
            if (!Logged(ReadUart(s), {"ReadUart() pass\n", "ReadUart() fail\n"})) return -1;
            s.clock.SleepMs(1000);
            return 0;
        }
        case kJobEraseAddr: {
            RangeCheck r = CheckRange(cfg, "EraseAddrUart() len=0 \n");
            if (r != RangeCheck::Run) return r == RangeCheck::Pass ? 0 : -1;
            return Logged(EraseAddrUart(s), {"EraseAddr() pass\n", "EraseAddrUart() fail\n"}) ? 0 : -1;
        }
        case kJobEraseAll:
            return Logged(EraseAllUart(s), {"EraseAllUart() pass\n", "EraseAllUart() fail\n"}) ? 0 : -1;
        case kJobEraseCrystal:
            PrintLog(false, "TASK_ERASE_CRYSTAL not support\n");
            return -1;
        case kJobEraseBattery:
            PrintLog(false, "TASK_ERASE_BATTERY not support\n");
            return -1;
        case kJobEraseOtp:
            PrintLog(false, "TASK_ERASE_OTP not support\n");
            return -1;
        case kJobEraseExclude: {
            RangeCheck r = CheckRange(cfg, "EraseExcludeAddrUart() len=0 \n");
            if (r != RangeCheck::Run) return r == RangeCheck::Pass ? 0 : -1;
            return Logged(EraseExcludeAddrUart(s), {"EraseExcludeAddrUart() pass\n", "EraseExcludeAddrUart() fail\n"})
                       ? 0
                       : -1;
        }
        case kJobCaliCrystal:
            return Logged(CaliCrystal(s), {"CaliCrystal() pass\n", "CaliCrystal() fail\n"}) ? 0 : -1;
        case kJobCaliBattery:
            return Logged(CaliBattery(s), {"CaliBattery() pass\n", "CaliBattery() fail\n"}) ? 0 : -1;
        case kJobPcbaTest: {
            uint32_t failed = PcbaTest(s);
            Logged(failed == 0, {"PcbaTest() pass\n", "PcbaTest() fail\n"});
            return int32_t(failed);
        }
        case kJobWrFactoryOtp:
            return Logged(WrFactoryOtp(s), {"WrFactoryOtp() pass\n", "WrFactoryOtp() fail\n"}) ? 0 : -1;
        case kJobAlpayCheck:
            return Logged(AlpayCheck(s), {"AlpayCheck() pass\n", "AlpayCheck() fail\n"}) ? 0 : -1;
        case kJobGpsLoad:
            return Logged(GpsLoad(s), {"GpsLoad() pass\n", "GpsLoad() fail\n"}) ? 0 : -1;
        case kJobRdFactoryOtp:
            return Logged(RdFactoryOtp(s), {"RdFactoryOtp() pass\n", "RdFactoryOtp() fail\n"}) ? 0 : -1;
        default:
            PrintLog(false, "cmd error %d\n", cfg.job);
            return -1;
    }
}

// A stop request ended the job. Only a RAM loader waiting for its next
// command is told to restart into its boot ROM, so that the next job finds
// the device as after a power cycle; inside an image transfer anything sent
// would be taken as image data, so the rest of the block is dropped instead.
int32_t Interrupted(Session& s) {
    PrintLog(false, "X interrupted\n");
    // The request is honoured; another one only cuts the pause below short.
    platform::ClearStopRequest();
    platform::ByteLink* port = s.link.port();
    if (s.link.IsOpen() && port) {
        if (s.link.loaderState() == LoaderState::AtCommand) {
            port->Write("burn_reset\r");
            s.stoppableClock.base().SleepMs(100);  // as for any reset: the device takes it first
        } else if (s.link.loaderState() == LoaderState::InTransfer) {
            port->Purge();
        }
    }
    s.link.Close();
    return s.interruptedStatus;
}

}  // namespace

int32_t RunPirrow(const std::vector<std::string>& args, Session& s) {
    RunSettings& cfg = s.settings;
    int32_t status = -1;
    switch (ParseCommandLine(args, cfg)) {
        case ParseOutcome::Help:
            PrintHelp();
            return 0;
        case ParseOutcome::Fail:
            break;
        case ParseOutcome::Run:
            DeriveLoaderPaths(cfg);
            try {
                status = RunJob(s);
            } catch (const JobInterrupted&) {
                status = Interrupted(s);
            }
            break;
    }
    ReportStatus(s, status);
    if (status == 0) PrintLog(false, "FINAL_PASS\n");
    else PrintLog(false, "FINAL_FAIL %x\n", cfg.seenMask);
    s.link.Close();
    s.burnList.items.clear();
    return status;
}

}  // namespace pirrow

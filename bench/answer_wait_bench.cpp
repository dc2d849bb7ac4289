// How long the tool takes for commands whose answers take the device a known
// time: three factory records, a crystal calibration and the ten PCBA test
// items, each against the sum of the device's own times. A wait that sleeps
// through whole cycles pays up to a second per command; one that wakes with
// the answer pays only what the device needs. Target for each: at most the
// device time plus 100 ms. Exits non-zero when a target is missed.
#include <cstdio>

#include "bench/load_average.h"
#include "bench/log_stamp.h"
#include "bench/tool_run.h"
#include "common/otp_record_file.h"

namespace {

using bench_support::ScratchDir;
using bench_support::StampOf;

constexpr double kSlackMs = 100;

// The time between two log lines, or -1 when either is missing.
double Between(const std::string& log, const std::string& from, const std::string& to) {
    const long start = StampOf(log, from);
    const long end = StampOf(log, to);
    return start < 0 || end < 0 ? -1 : double(end - start);
}

bool RecordPhase() {
    constexpr int kRecordMs = 50;
    ScratchDir dir;
    const std::vector<uint8_t> records =
        common::EncodeOtpRecords({{1, {1, 2, 3, 4, 5, 6}}, {2, {'S', 'N', '0', '1'}}, {8, {'b', 'l', 'e'}}});
    dir.Write("BLE_SN_1.bin", std::string(records.begin(), records.end()));
    dir.Write("burn.txt", "[FILEINFO]\r\nNUM=1\r\nADDR0=0\r\nFILE0=BLE_SN_1.bin\r\n");
    const auto run = bench_support::RunPirrowOnDevsim(
        dir, {"--device", "QM2B", "--mode", "loader", "--record-ms", std::to_string(kRecordMs)},
        {"--func", "0", "--baund", "1000000", "--device", "QM2B", "--file", "burn.txt"});
    const double deviceMs = 3.0 * kRecordMs;
    return bench_support::Report("record phase, three records", Between(run.log, "otpwrite: ", "WrFactoryOtpAll success"),
                                 deviceMs, deviceMs + kSlackMs, "of device time");
}

bool CrystalCalibration() {
    constexpr int kCrystalMs = 300;
    ScratchDir dir;
    const auto run = bench_support::RunPirrowOnDevsim(
        dir, {"--device", "QM2B", "--mode", "loader", "--crystal-ms", std::to_string(kCrystalMs)},
        {"--func", "8", "--baund", "1000000"});
    return bench_support::Report("crystal calibration", Between(run.log, "waitSecond: ", "CaliCrystal success"),
                                 kCrystalMs, kCrystalMs + kSlackMs, "of device time");
}

// From the test-mode entry to the verdict of the last item; the
// application's boot pauses before it are the device's, not the wait's.
bool PcbaItems() {
    constexpr int kItemMs = 50;
    ScratchDir dir;
    const auto run = bench_support::RunPirrowOnDevsim(
        dir, {"--device", "QM2B", "--mode", "loader", "--item-ms", std::to_string(kItemMs), "--fw-boot-ms", "0"},
        {"--func", "11", "--baund", "1000000", "--device", "QM2B", "--pcba", "0x3ff", "--third", "1"});
    const double deviceMs = 10.0 * kItemMs;
    return bench_support::Report("PCBA test, ten items", Between(run.log, "send: Factory enter_test", "thirdfunc:"),
                                 deviceMs, deviceMs + kSlackMs, "of device time");
}

}  // namespace

int main() {
    const bench_support::LoadAverageReport load;
    bool met = RecordPhase();
    met = CrystalCalibration() && met;
    met = PcbaItems() && met;
    return met ? 0 : 1;
}

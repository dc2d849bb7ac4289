#pragma once
// End-to-end runs of Quenlo against the virtual J-Link library: the probe's
// configuration goes through the library's environment variables, its
// device state into the test directory.
#include <stdlib.h>

#include <cstring>

#include <string>
#include <vector>

#include "common/otp_record_file.h"
#include "tests/support/tool_e2e.h"

namespace testing_support {

constexpr const char* kProbeSerial = "59602728";
constexpr size_t kStampChars = 16;  // "hh:mm:ss:mmm" and four blanks

class QuenloE2e : public ToolE2e {
protected:
    void SetUp() override {
        ToolE2e::SetUp();
        for (const char* key : {"DEVSIM_JLINK_CONFIG", "DEVSIM_JLINK_DEVICE", "DEVSIM_JLINK_PROBES",
                                "DEVSIM_JLINK_RTT_ADDR", "DEVSIM_JLINK_DOWNLOAD_FAILS", "DEVSIM_JLINK_NO_TARGET",
                                "DEVSIM_JLINK_NO_RTT", "DEVSIM_JLINK_OPTIONS", "DEVSIM_JLINK_CALL_COUNTS",
                                "JLINK_PATH"})
            unsetenv(key);
        setenv("DEVSIM_JLINK_STATE", StatePath().c_str(), 1);
    }

    static std::string LibraryDir() { return std::string(STATION_BIN_DIR) + "/virtual-jlink"; }

    // Quenlo with the probe's serial number, the virtual library and the log in the test directory.
    ToolRun Quenlo(const std::vector<std::string>& options, bool withDefaults = true) {
        std::vector<std::string> args;
        if (withDefaults) args = {"--sn", kProbeSerial, "--dll", LibraryDir(), "--log", LogPath()};
        args.insert(args.end(), options.begin(), options.end());
        return RunProgram("Quenlo", args);
    }

    // A RAM loader image: its vector table (SP, PC) places it in RAM.
    void WriteRamLoader(const std::string& name = "factory_cali.bin") {
        std::vector<uint8_t> image(4096, 0);
        const uint32_t words[2] = {0x20080000, 0x20020101};
        std::memcpy(image.data(), words, sizeof words);
        WriteFile(Path(name), image);
    }

    // The factory-data file of channel 3 with a MAC and a serial number.
    void WriteRecordFile(const std::string& name = "BLE_SN_3.bin") {
        std::vector<common::OtpRecord> records = {{1, {0x11, 0x22, 0x33, 0x44, 0x55, 0x66}},
                                                  {2, {'S', 'N', '0', '0', '0', '1'}}};
        WriteFile(Path(name), common::EncodeOtpRecords(records));
    }

    // The log without its time stamps; a run's lines follow each other.
    std::string Messages() const {
        std::string out;
        const std::string log = Log();
        size_t at = 0;
        while (at < log.size()) {
            size_t end = log.find('\n', at);
            end = end == std::string::npos ? log.size() : end + 1;
            std::string line = log.substr(at, end - at);
            if (line.size() >= kStampChars && line[2] == ':' && line[5] == ':' && line[8] == ':' &&
                line.compare(12, 4, "    ") == 0)
                line.erase(0, kStampChars);
            out += line;
            at = end;
        }
        return out;
    }

    devsim::StateFile State() {
        devsim::StateFile state;
        std::string error;
        EXPECT_TRUE(devsim::ReadStateFile(StatePath(), state, &error)) << error;
        return state;
    }

    std::vector<uint8_t> FlashAt(uint32_t address, uint32_t n) {
        std::vector<uint8_t> out;
        EXPECT_TRUE(State().state.flash.Read(address, n, out));
        return out;
    }
};

// The "percent:" values of a tool's console output, in order.
inline std::vector<int> Percents(const std::string& out) {
    std::vector<int> values;
    for (size_t at = out.find("percent:"); at != std::string::npos; at = out.find("percent:", at + 1))
        values.push_back(std::atoi(out.c_str() + at + 8));
    return values;
}

}  // namespace testing_support

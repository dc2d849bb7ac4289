#pragma once
// An allocation-heavy station without tools: every listed channel runs jobs
// in a row on its own thread (build the factory data, then confirm the
// numbers or keep them, by a coin toss), writing one line per event to `fd`:
//   "B <channel> <mac> <sn>\n"  numbers handed to a device (file written)
//   "P <channel> <mac> <sn>\n"  the device passed and its numbers are confirmed
// Each line is one write() below PIPE_BUF, so lines of the threads never mix
// and a process killed at any instant leaves whole lines only. Used by the
// crash tests, which kill a process running this with SIGKILL.
#include <unistd.h>

#include <random>
#include <string>
#include <thread>
#include <vector>

#include "station/engine/alloc/mac_sn_allocator.h"

namespace testing_support {

inline void RunAllocationLoop(const std::string& root, const std::vector<int>& channels, int jobs, int fd,
                              unsigned seed) {
    station::MacSnAllocator allocator(station::StationSettings(root), [](const std::string&) {});
    allocator.SetStationIdentifier("0000CRASH000");
    auto say = [fd](const char* kind, int channel, const std::string& mac, const std::string& sn) {
        const std::string line = std::string(kind) + " " + std::to_string(channel) + " " + mac + " " + sn + "\n";
        if (::write(fd, line.data(), line.size()) < 0) return;
    };
    std::vector<std::thread> threads;
    for (int channel : channels) {
        threads.emplace_back([&, channel] {
            std::mt19937 coin(seed + unsigned(channel));
            for (int job = 0; job < jobs; ++job) {
                if (allocator.BuildFactoryData(channel) != 1) continue;
                const std::string mac = allocator.MacText(channel), sn = allocator.SnText(channel);
                say("B", channel, mac, sn);
                const bool passed = coin() % 3 != 0;
                allocator.Finish(channel, passed ? 1 : 0);
                if (passed) say("P", channel, mac, sn);
            }
        });
    }
    for (auto& t : threads) t.join();
}

}  // namespace testing_support

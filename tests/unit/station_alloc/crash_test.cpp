#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>

#include "alloc_fixture.h"
#include "support/allocation_loop.h"

namespace {

using alloc_test::AllocFixture;

// A station killed with SIGKILL at random instants of allocation-heavy work
// and started again: no number may ever reach two channels, and no number may
// be confirmed for two devices.
using CrashedStation = AllocFixture;

TEST_F(CrashedStation, KillAtAnyInstantNeverHandsANumberOutTwice) {
    UseRangeAndSerials();
    Set("BLE_SET", "END_ADDR", "C0FFEEFFFFFF");
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    std::string lines;
    constexpr int kRestarts = 12;
    for (int run = 0; run <= kRestarts; ++run) {
        int pipeFds[2];
        ASSERT_EQ(pipe(pipeFds), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(pipeFds[0]);
            // The last run ends by itself: the station still works after the kills.
            testing_support::RunAllocationLoop(root_.path(), {1, 2, 3, 4}, run == kRestarts ? 5 : 100000, pipeFds[1],
                                               seed + unsigned(run));
            _exit(0);
        }
        close(pipeFds[1]);
        char buf[4096];
        ssize_t n;
        if (run < kRestarts) {
            // Killed after a random count of its lines and a random moment
            // more, so that a slow machine kills as far into the work as a
            // fast one.
            const long killAfter = long(random() % 20);
            for (long seen = 0; seen < killAfter && (n = read(pipeFds[0], buf, sizeof buf)) > 0;) {
                lines.append(buf, size_t(n));
                seen += std::count(buf, buf + n, '\n');
            }
            usleep(useconds_t(random() % 5000));
            kill(child, SIGKILL);
        }
        while ((n = read(pipeFds[0], buf, sizeof buf)) > 0) lines.append(buf, size_t(n));
        close(pipeFds[0]);
        int status = 0;
        waitpid(child, &status, 0);
        if (run == kRestarts) {
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        }
    }

    std::map<std::string, int> holder;  // MAC or SN → the channel it was handed to
    std::set<std::string> confirmed;
    std::istringstream in(lines);
    std::string kind, mac, sn;
    int channel = 0, handed = 0, passed = 0;
    while (in >> kind >> channel >> mac >> sn) {
        for (const std::string& number : {"mac " + mac, "sn " + sn}) {
            if (kind == "B") {
                auto it = holder.emplace(number, channel).first;
                EXPECT_EQ(it->second, channel) << number << " reached channels " << it->second << " and " << channel;
                EXPECT_EQ(confirmed.count(number), 0u) << number << " handed out again after its device passed";
                continue;
            }
            EXPECT_TRUE(confirmed.insert(number).second) << number << " confirmed twice";
        }
        (kind == "B" ? handed : passed)++;
    }
    EXPECT_GT(handed, 20) << "too little work between the kills to mean anything";
    EXPECT_GT(passed, 0);
}

}  // namespace

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include "platform/child_process.h"
#include "platform/pseudo_terminal.h"
#include "platform/serial_port.h"
#include "platform/stop_signal.h"

namespace {

using platform::SerialOpenFailure;
using platform::SerialPort;

// The real calls, each recorded by name in the order made.
struct RecordingCalls : platform::TtyCalls {
    std::vector<std::string> calls;
    int Open(const char* path) override { return Note("Open", TtyCalls::Open(path)); }
    int Lock(int fd) override { return Note("Lock", TtyCalls::Lock(fd)); }
    int SetExclusive(int fd) override { return Note("SetExclusive", TtyCalls::SetExclusive(fd)); }
    int SetRaw(int fd) override { return Note("SetRaw", TtyCalls::SetRaw(fd)); }
    int SetSpeed(int fd, int baud) override { return Note("SetSpeed " + std::to_string(baud), TtyCalls::SetSpeed(fd, baud)); }
    int HangUp(int fd) override { return Note("HangUp", TtyCalls::HangUp(fd)); }
    int ClearModemLines(int fd) override { return Note("ClearModemLines", TtyCalls::ClearModemLines(fd)); }
    int Release(int fd) override { return Note("Release", TtyCalls::Release(fd)); }
    int Close(int fd) override { return Note("Close", TtyCalls::Close(fd)); }
    int Note(const std::string& name, int result) {
        calls.push_back(name);
        return result;
    }
};

speed_t SlaveSpeed(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    termios tio{};
    tcgetattr(fd, &tio);
    ::close(fd);
    return cfgetospeed(&tio);
}

TEST(SerialPort, SecondOpenIsBusyWhileTheFirstHoldsThePort) {
    platform::PseudoTerminal pty;
    ASSERT_TRUE(pty.Open());
    SerialPort first, second;
    ASSERT_TRUE(first.Open(pty.SlavePath(), 1000000));
    EXPECT_FALSE(second.Open(pty.SlavePath(), 1000000));
    EXPECT_EQ(second.OpenFailure(), SerialOpenFailure::Busy);
    EXPECT_EQ(second.LastError(), EBUSY);
    first.Close();
    EXPECT_TRUE(second.Open(pty.SlavePath(), 1000000));
}

// The station closes a port and its tool opens it at once, while other
// channels start their tools: a program being started holds a copy of every
// descriptor of the station until it runs, the closed port's among them.
// The next user must still find the port free, and a port kept alive by
// another holder (devsim keeps its line's) no longer exclusive.
TEST(SerialPort, HandOverIsCertainWhileOtherChannelsStartTools) {
    platform::PseudoTerminal pty;
    ASSERT_TRUE(pty.Open());
    std::atomic<bool> done{false};
    std::vector<std::thread> channels;
    for (int k = 0; k < 3; ++k)
        channels.emplace_back([&done] {
            while (!done) {
                platform::ChildProcess tool;
                if (tool.Start({"/bin/true"})) tool.Wait();
            }
        });
    int refused = 0;
    for (int k = 0; k < 400; ++k) {
        SerialPort station, tool;
        refused += station.Open(pty.SlavePath(), 1000000) ? 0 : 1;
        station.Close();
        refused += tool.Open(pty.SlavePath(), 1000000) ? 0 : 1;
    }
    done = true;
    for (std::thread& t : channels) t.join();
    EXPECT_EQ(refused, 0) << "hand-overs refused as busy";

    const int fd = ::open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    int exclusive = -1;
    EXPECT_EQ(::ioctl(fd, TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 0) << "a closed port left the terminal exclusive";
    ::close(fd);
}

TEST(SerialPort, OpenFailuresSayWhy) {
    SerialPort port;
    EXPECT_FALSE(port.Open("/dev/no_such_port_here", 1000000));
    EXPECT_EQ(port.OpenFailure(), SerialOpenFailure::Port);
    EXPECT_EQ(port.LastError(), ENOENT);
    EXPECT_FALSE(port.Open("/dev/null", 1000000));  // opens, but is no terminal
    EXPECT_EQ(port.OpenFailure(), SerialOpenFailure::Port);
    EXPECT_EQ(port.LastError(), ENOTTY);
    EXPECT_FALSE(port.IsOpen());
}

// DTR and RTS: cleared after every rate change, and the port left at B0 so
// that the next open keeps them low.
TEST(SerialPort, ModemLinesAreClearedAfterEveryRateAndThePortClosesAtB0) {
    platform::PseudoTerminal pty;
    ASSERT_TRUE(pty.Open());
    RecordingCalls calls;
    SerialPort port(calls);
    ASSERT_TRUE(port.Open(pty.SlavePath(), 1000000));  // a pty refuses the modem-line call: tolerated
    ASSERT_TRUE(port.SetBaud(3000000));
    port.Close();
    EXPECT_EQ(calls.calls, (std::vector<std::string>{"Open", "Lock", "SetExclusive", "SetRaw", "SetSpeed 1000000",
                                                     "ClearModemLines", "SetSpeed 3000000", "ClearModemLines", "HangUp",
                                                     "Release", "Close"}));
    EXPECT_EQ(SlaveSpeed(pty.SlavePath()), speed_t(B0));
    // Making the next port raw keeps B0; only the rate itself leaves it.
    calls.calls.clear();
    ASSERT_TRUE(port.Open(pty.SlavePath(), 1000000));
    EXPECT_EQ(calls.calls[3], "SetRaw");
    EXPECT_EQ(calls.calls[4], "SetSpeed 1000000");
}

TEST(SerialPort, StopRequestWakesAWait) {
    platform::InstallStopSignals();
    platform::PseudoTerminal pty;
    ASSERT_TRUE(pty.Open());
    SerialPort port;
    ASSERT_TRUE(port.Open(pty.SlavePath(), 1000000));
    platform::RequestStop();
    // Both return at once; the limit is a safety net far below the minute
    // each would take without the request.
    const uint64_t start = platform::SystemClock().NowMs();
    EXPECT_FALSE(port.WaitReadable(platform::SystemClock(), 60000));
    platform::SystemClock().SleepMs(60000);
    EXPECT_LT(platform::SystemClock().NowMs() - start, 30000u);
    platform::ClearStopRequest();
}

}  // namespace

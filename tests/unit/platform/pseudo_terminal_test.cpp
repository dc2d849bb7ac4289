// The pseudo-terminal as devsim sees a tool on it: the rate the tool set
// (custom rates included) and the tool's opens and closes.
#include <gtest/gtest.h>

#include "platform/pseudo_terminal.h"
#include "platform/serial_port.h"

TEST(PseudoTerminal, ReadsTheRateTheToolSetAndSeesItsOpensAndCloses) {
    platform::PseudoTerminal pty;
    ASSERT_TRUE(pty.Open());
    EXPECT_EQ(pty.PollUse().holders, 0);
    {
        platform::SerialPort port;
        ASSERT_TRUE(port.Open(pty.SlavePath(), 3000000));
        EXPECT_EQ(pty.LineBaud(), 3000000);
        ASSERT_TRUE(port.SetBaud(8000000));
        EXPECT_EQ(pty.LineBaud(), 8000000);
        const platform::PseudoTerminal::Use use = pty.PollUse();
        EXPECT_TRUE(use.opened);
        EXPECT_EQ(use.holders, 1);
        EXPECT_FALSE(pty.PollUse().opened);
    }
    EXPECT_EQ(pty.PollUse().holders, 0);
}

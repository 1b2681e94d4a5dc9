// The terminal device on a pseudo-terminal whose controller end the test holds, with a second
// descriptor on the device end to look at its line settings.

#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

#include "core/link/SerialDevice.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

TEST(TermiosDevice, SetsOnly2400_8N1IsNotSharedDiscardsUnreadInputAndWaitsAsAllowed) {
    int hMaster = -1;
    int hPeek = -1;
    char szName[128];
    ASSERT_EQ(openpty(&hMaster, &hPeek, nullptr, nullptr, nullptr), 0);
    ASSERT_EQ(ptsname_r(hMaster, szName, sizeof szName), 0);
    // Settings a port may have been left with: cooked mode, 2 stop bits at 9600, and flow
    // control, modem lines and control characters that are the system's business. (A pseudo-
    // terminal holds 8 bits without parity and one speed both ways whatever it is told.)
    termios tio{};
    ASSERT_EQ(tcgetattr(hPeek, &tio), 0);
    tio.c_cflag |= CSTOPB | CRTSCTS | CLOCAL | HUPCL;
    tio.c_iflag |= ICRNL | IXON | IXOFF | ISTRIP;
    tio.c_oflag |= OPOST | ONLCR;
    tio.c_lflag |= ICANON | ECHO | ISIG | IEXTEN;
    tio.c_cc[VINTR] = 0x05;
    cfsetspeed(&tio, B9600);
    ASSERT_EQ(tcsetattr(hPeek, TCSANOW, &tio), 0);

    CTermiosDevice device;
    COpenFailure failure;
    ASSERT_TRUE(device.Open(szName, failure)) << failure.m_strReason;
    ASSERT_EQ(tcgetattr(hPeek, &tio), 0);
    EXPECT_EQ(cfgetospeed(&tio), speed_t{B2400});
    const tcflag_t cflag = CRTSCTS | CLOCAL | HUPCL;
    EXPECT_EQ(tio.c_cflag & (CSTOPB | CRTSCTS | CLOCAL | HUPCL), cflag);
    EXPECT_EQ(tio.c_iflag & (ICRNL | ISTRIP | IXON | IXOFF), tcflag_t{IXON | IXOFF});
    EXPECT_EQ(tio.c_oflag & OPOST, 0u);
    EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(tio.c_cc[VINTR], 0x05);

    CTermiosDevice second;
    EXPECT_FALSE(second.Open(szName, failure));
    EXPECT_EQ(failure.m_nError, EBUSY);
    EXPECT_EQ(failure.m_strReason, std::string(szName) + ": in use by another program");

    // A discard drops a reply that came late, once it has reached the device end, but not the
    // command still going out.
    ASSERT_EQ(::write(hMaster, "late\r", 5), 5);
    pollfd fd = {hPeek, POLLIN, 0};
    EXPECT_EQ(::poll(&fd, 1, 5000), 1);
    ASSERT_TRUE(device.Write("S\r", 2));
    device.DiscardInput();
    char c = 0;
    auto t = Clock::now();
    EXPECT_EQ(device.ReadByte(c, 150), ReadResult::TIMED_OUT);
    EXPECT_GE(Clock::now() - t, 150ms);
    char buf[8] = {};
    fd.fd = hMaster;
    ASSERT_EQ(::poll(&fd, 1, 5000), 1);
    EXPECT_EQ(::read(hMaster, buf, sizeof buf), 2);
    EXPECT_STREQ(buf, "S\r");

    // The controller end going away fails the wait at once.
    ::close(hMaster);
    t = Clock::now();
    EXPECT_EQ(device.ReadByte(c, 4000), ReadResult::FAILED);
    EXPECT_LT(Clock::now() - t, 3000ms);
    ::close(hPeek);
}

}  // namespace

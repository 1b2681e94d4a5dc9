// The terminal device on a pseudo-terminal whose controller end the test holds, with a second
// descriptor on the device end to look at its line settings.

#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <utility>

#include "link/SerialDevice.h"

namespace {

using Clock = std::chrono::steady_clock;

class TermiosDeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        char szName[128];
        ASSERT_EQ(openpty(&m_hMaster, &m_hPeek, nullptr, nullptr, nullptr), 0);
        ASSERT_EQ(ptsname_r(m_hMaster, szName, sizeof szName), 0);
        m_strDevice = szName;
    }
    void TearDown() override {
        for (int h : {m_hPeek, m_hMaster}) {
            ::close(h);  // -1 once the test has closed it
        }
    }

    // What the device end wrote, collected until nothing more comes for 100 ms.
    std::string Receive() {
        std::string out;
        char buf[256];
        ssize_t n = 0;
        for (pollfd fd = {m_hMaster, POLLIN, 0};
             ::poll(&fd, 1, 100) == 1 && (n = ::read(m_hMaster, buf, sizeof buf)) > 0;) {
            out.append(buf, static_cast<std::size_t>(n));
        }
        return out;
    }

    int m_hMaster = -1;
    int m_hPeek = -1;
    std::string m_strDevice;
    CTermiosDevice m_device;
    COpenFailure m_failure;
};

TEST_F(TermiosDeviceTest, SetsOnly2400_8N1PassesBytesRawAndDiscardsUnreadInput) {
    // Settings a port may have been left with: cooked mode, 7E2 at 9600, and flow control,
    // modem lines and control characters that are the system's business.
    termios tio{};
    ASSERT_EQ(tcgetattr(m_hPeek, &tio), 0);
    tio.c_cflag = (tio.c_cflag & ~CSIZE) | CS7 | PARENB | CSTOPB | CRTSCTS | CLOCAL | HUPCL;
    tio.c_iflag |= ICRNL | IXON | IXOFF | ISTRIP;
    tio.c_oflag |= OPOST | ONLCR;
    tio.c_lflag |= ICANON | ECHO | ISIG | IEXTEN;
    tio.c_cc[VINTR] = 0x05;
    cfsetspeed(&tio, B9600);
    ASSERT_EQ(tcsetattr(m_hPeek, TCSANOW, &tio), 0);

    ASSERT_TRUE(m_device.Open(m_strDevice, m_failure)) << m_failure.m_strReason;
    ASSERT_EQ(tcgetattr(m_hPeek, &tio), 0);
    EXPECT_EQ(cfgetospeed(&tio), speed_t{B2400});
    EXPECT_EQ(cfgetispeed(&tio), speed_t{B2400});
    const tcflag_t cflag = CS8 | CRTSCTS | CLOCAL | HUPCL;
    EXPECT_EQ(tio.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS | CLOCAL | HUPCL), cflag);
    EXPECT_EQ(tio.c_iflag & (ICRNL | ISTRIP | IXON | IXOFF), tcflag_t{IXON | IXOFF});
    EXPECT_EQ(tio.c_oflag & OPOST, 0u);
    EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(tio.c_cc[VINTR], 0x05);

    // Bytes pass as they are both ways, CR and 0x03 included, and nothing is echoed back.
    ASSERT_TRUE(m_device.Write("W100\r\x03", 6));
    EXPECT_EQ(Receive(), "W100\r\x03");
    ASSERT_EQ(::write(m_hMaster, "12,3\r\n", 6), 6);
    std::string strRead;
    char c = 0;
    while (strRead.size() < 6 && m_device.ReadByte(c, 1000) == ReadResult::BYTE) {
        strRead += c;
    }
    EXPECT_EQ(strRead, "12,3\r\n");
    EXPECT_EQ(Receive(), "");

    // A discard drops a reply that came late, once it has reached the device end, but not the
    // command still going out.
    ASSERT_EQ(::write(m_hMaster, "late\r", 5), 5);
    pollfd fd = {m_hPeek, POLLIN, 0};
    EXPECT_EQ(::poll(&fd, 1, 5000), 1);
    ASSERT_TRUE(m_device.Write("S", 1));
    m_device.DiscardInput();
    EXPECT_EQ(m_device.ReadByte(c, 100), ReadResult::TIMED_OUT);
    EXPECT_EQ(Receive(), "S");
}

TEST_F(TermiosDeviceTest, IsNotSharedWaitsAsLongAsAllowedAndFailsAtOnceWhenTheOtherEndGoes) {
    ASSERT_TRUE(m_device.Open(m_strDevice, m_failure));
    CTermiosDevice second;
    EXPECT_FALSE(second.Open(m_strDevice, m_failure));
    EXPECT_EQ(m_failure.m_nError, EBUSY);
    EXPECT_EQ(m_failure.m_strReason, m_strDevice + ": in use by another program");

    char c = 0;
    auto t = Clock::now();
    EXPECT_EQ(m_device.ReadByte(c, 150), ReadResult::TIMED_OUT);
    EXPECT_GE(Clock::now() - t, std::chrono::milliseconds(150));
    ::close(std::exchange(m_hMaster, -1));
    t = Clock::now();
    EXPECT_EQ(m_device.ReadByte(c, 4000), ReadResult::FAILED);
    EXPECT_LT(Clock::now() - t, std::chrono::milliseconds(3000));
}

}  // namespace

// The terminal device on pseudo-terminals: line settings, the raw byte path, exclusive use,
// time-outs, a vanished controller end, and the reasons an open fails.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <termios.h>

#include <QTemporaryDir>
#include <cerrno>
#include <thread>

#include "PseudoTerminal.h"
#include "link/SerialDevice.h"

namespace {

using Clock = std::chrono::steady_clock;

long long MillisSince(Clock::time_point t) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count();
}

// Reads bytes until a CR, or until the line goes quiet.
std::string ReadLine(CSerialDevice& device, int nTimeoutMs = 1000) {
    std::string line;
    char c = 0;
    while (device.ReadByte(c, nTimeoutMs) == ReadResult::BYTE) {
        line += c;
        if (c == '\r') {
            break;
        }
    }
    return line;
}

TEST(TermiosDevice, SetsOnly2400_8N1AndTheRawBytePath) {
    CTestPty pty;
    ASSERT_TRUE(pty.IsValid());
    // A second descriptor on the device end, held from before the open, to look at its settings.
    const int hPeek = ::open(pty.Device().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(hPeek, 0);
    termios before{};
    ASSERT_EQ(tcgetattr(hPeek, &before), 0);
    // Settings a port may have been left with: cooked mode, 7E2 at 9600, and flow control,
    // modem lines and special characters that are the system's business.
    before.c_cflag = (before.c_cflag & ~CSIZE) | CS7 | PARENB | CSTOPB | CRTSCTS | CLOCAL | HUPCL;
    before.c_iflag |= ICRNL | IXON | IXOFF | ISTRIP;
    before.c_oflag |= OPOST | ONLCR | OCRNL;
    before.c_lflag |= ICANON | ECHO | ISIG | IEXTEN;
    before.c_cc[VINTR] = 0x05;
    before.c_cc[VSTART] = 0x07;
    cfsetispeed(&before, B9600);
    cfsetospeed(&before, B9600);
    ASSERT_EQ(tcsetattr(hPeek, TCSANOW, &before), 0);

    CTermiosDevice device;
    COpenFailure failure;
    ASSERT_TRUE(device.Open(pty.Device(), failure)) << failure.m_strReason;

    termios after{};
    ASSERT_EQ(tcgetattr(hPeek, &after), 0);
    ::close(hPeek);
    EXPECT_EQ(cfgetospeed(&after), static_cast<speed_t>(B2400));
    EXPECT_EQ(cfgetispeed(&after), static_cast<speed_t>(B2400));
    EXPECT_EQ(after.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_FALSE(after.c_cflag & PARENB);
    EXPECT_FALSE(after.c_cflag & CSTOPB);
    EXPECT_FALSE(after.c_iflag & (ICRNL | ISTRIP));
    EXPECT_FALSE(after.c_oflag & OPOST);
    EXPECT_FALSE(after.c_lflag & (ICANON | ECHO | ISIG | IEXTEN));
    // Left as found.
    EXPECT_TRUE(after.c_cflag & CRTSCTS);
    EXPECT_TRUE(after.c_cflag & CLOCAL);
    EXPECT_TRUE(after.c_cflag & HUPCL);
    EXPECT_TRUE(after.c_iflag & IXON);
    EXPECT_TRUE(after.c_iflag & IXOFF);
    EXPECT_EQ(after.c_cc[VINTR], 0x05);
    EXPECT_EQ(after.c_cc[VSTART], 0x07);

    // The command leaves byte for byte, CR and 0x03 included, and nothing else follows it.
    ASSERT_TRUE(device.Write("W100\r\x03", 6));
    EXPECT_EQ(pty.Receive(), "W100\r\x03");
    // A reply arrives byte for byte without a line end, CR as CR, and is not echoed back.
    ASSERT_TRUE(pty.Send("12"));
    char c = 0;
    ASSERT_EQ(device.ReadByte(c, 1000), ReadResult::BYTE);
    EXPECT_EQ(c, '1');
    ASSERT_TRUE(pty.Send(",3\r\n"));
    EXPECT_EQ(ReadLine(device), "2,3\r");
    ASSERT_EQ(device.ReadByte(c, 1000), ReadResult::BYTE);
    EXPECT_EQ(c, '\n');
    EXPECT_EQ(pty.Receive(), "");
}

TEST(TermiosDevice, IsNotShared) {
    CTestPty pty;
    ASSERT_TRUE(pty.IsValid());
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string strLink = dir.filePath(QStringLiteral("tunnel")).toStdString();
    ASSERT_EQ(::symlink(pty.Device().c_str(), strLink.c_str()), 0);

    CTermiosDevice first;
    COpenFailure failure;
    ASSERT_TRUE(first.Open(strLink, failure));
    CTermiosDevice second;
    for (const std::string& strPath : {pty.Device(), strLink}) {
        EXPECT_FALSE(second.Open(strPath, failure)) << strPath;
        EXPECT_FALSE(second.IsOpen());
        EXPECT_EQ(failure.m_nError, EBUSY);
        EXPECT_EQ(failure.m_strReason, strPath + ": in use by another program");
        EXPECT_FALSE(IsMissingDevice(failure.m_nError));
    }
    // Released by its holder, it opens again, also for the same object.
    first.Close();
    EXPECT_TRUE(second.Open(pty.Device(), failure));
    EXPECT_FALSE(first.Open(strLink, failure));
    second.Close();
    EXPECT_TRUE(first.Open(strLink, failure));
    EXPECT_TRUE(first.Open(strLink, failure));
}

TEST(TermiosDevice, DiscardDropsUnreadInputOnly) {
    CTestPty pty;
    ASSERT_TRUE(pty.IsValid());
    const int hPeek = ::open(pty.Device().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(hPeek, 0);
    CTermiosDevice device;
    COpenFailure failure;
    ASSERT_TRUE(device.Open(pty.Device(), failure));
    ASSERT_TRUE(pty.Send("late reply\r"));
    // Wait until the bytes have reached the device end.
    pollfd fd = {hPeek, POLLIN, 0};
    EXPECT_EQ(::poll(&fd, 1, 5000), 1);
    ::close(hPeek);
    // Output not yet taken by the controller end stays.
    ASSERT_TRUE(device.Write("S", 1));
    device.DiscardInput();
    char c = 0;
    EXPECT_EQ(device.ReadByte(c, 100), ReadResult::TIMED_OUT);
    EXPECT_EQ(pty.Receive(), "S");
}

TEST(TermiosDevice, WaitsNoLongerThanAllowedAndFailsAtOnceWhenTheOtherEndGoes) {
    CTestPty pty;
    ASSERT_TRUE(pty.IsValid());
    CTermiosDevice device;
    COpenFailure failure;
    ASSERT_TRUE(device.Open(pty.Device(), failure));
    char c = 0;
    auto t = Clock::now();
    EXPECT_EQ(device.ReadByte(c, 150), ReadResult::TIMED_OUT);
    EXPECT_GE(MillisSince(t), 150);
    EXPECT_LT(MillisSince(t), 3000);

    // An unplugged line: the read fails with EIO long before its 4000 ms are up.
    pty.CloseMaster();
    t = Clock::now();
    EXPECT_EQ(device.ReadByte(c, 4000), ReadResult::FAILED);
    EXPECT_LT(MillisSince(t), 3000);
}

TEST(TermiosDevice, ReasonsWhyADeviceDidNotOpen) {
    CTermiosDevice device;
    COpenFailure failure;
    EXPECT_FALSE(device.Open("/dev/ttyS98-none", failure));
    EXPECT_FALSE(device.IsOpen());
    EXPECT_EQ(failure.m_nError, ENOENT);
    EXPECT_EQ(failure.m_strReason, "/dev/ttyS98-none: No such file or directory");
    EXPECT_TRUE(IsMissingDevice(failure.m_nError));

    // A file that is not a terminal opens, but takes no line settings; it stays held.
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string strFile = dir.filePath(QStringLiteral("plain")).toStdString();
    ASSERT_EQ(::close(::open(strFile.c_str(), O_CREAT | O_WRONLY, 0600)), 0);
    EXPECT_FALSE(device.Open(strFile, failure));
    EXPECT_TRUE(device.IsOpen());
    EXPECT_EQ(failure.m_strReason, strFile + ": not a serial port");
    EXPECT_FALSE(IsMissingDevice(failure.m_nError));
    device.Close();
    EXPECT_FALSE(device.IsOpen());

    // A port node without hardware behind it counts as missing; the rest say why.
    EXPECT_TRUE(IsMissingDevice(EIO));
    EXPECT_FALSE(IsMissingDevice(EACCES));
}

// A device the user may not open is there, but not usable: the reason says so, with the group
// that may use it.
TEST(TermiosDevice, LackOfPermissionIsReportedWithTheDevicesGroup) {
    CTestPty pty;
    ASSERT_TRUE(pty.IsValid());
    ASSERT_EQ(::chmod(pty.Device().c_str(), 0600), 0);
    COpenFailure failure;
    bool bOpened = true;
    bool bSkipped = false;
    const auto TryOpen = [&] {
        CTermiosDevice device;
        bOpened = device.Open(pty.Device(), failure);
    };
    if (::geteuid() == 0) {
        // The superuser may open anything: drop to "nobody" in a thread of its own (a raw
        // system call changes only the calling thread's credentials).
        std::thread([&] {
            if (::syscall(SYS_setresuid, 65534, 65534, 65534) != 0) {
                bSkipped = true;
                return;
            }
            TryOpen();
        }).join();
    } else {
        TryOpen();
    }
    if (bSkipped) {
        GTEST_SKIP() << "cannot drop privileges here";
    }
    EXPECT_FALSE(bOpened);
    EXPECT_EQ(failure.m_nError, EACCES);
    EXPECT_FALSE(IsMissingDevice(failure.m_nError));
    EXPECT_EQ(failure.m_strReason.rfind(
                  pty.Device() + ": Permission denied (the device belongs to group ", 0),
              0u)
        << failure.m_strReason;
}

}  // namespace

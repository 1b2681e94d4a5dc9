// The link on real terminals: the terminal device on a pseudo-terminal whose controller end the
// test holds; the console's own code with the tunnel emulator at the other end, its faults thrown
// as an operator would throw them; and what the emulator does that the console cannot see.

#include <malloc.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>

#include <QDir>
#include <QTimer>
#include <filesystem>
#include <map>
#include <random>
#include <thread>

#include "LinkDoubles.h"
#include "Zefsim.h"

extern "C" std::size_t __sanitizer_get_current_allocated_bytes() __attribute__((weak));

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

TEST(TermiosDevice, SetsOnly2400_8N1IsNotSharedDiscardsUnreadInputAndWaitsAsAllowed) {
    int hMaster = -1, hPeek = -1;
    char szName[128];
    ASSERT_EQ(openpty(&hMaster, &hPeek, nullptr, nullptr, nullptr), 0);
    ASSERT_EQ(ptsname_r(hMaster, szName, sizeof szName), 0);
    // A port left in cooked mode, 2 stop bits at 9600, with flow control, modem lines and control
    // characters that are the system's business. (A pty keeps 8N1 and one speed whatever it is
    // told.)
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
    EXPECT_EQ(tio.c_cflag & (CSTOPB | CRTSCTS | CLOCAL | HUPCL),
              tcflag_t{CRTSCTS | CLOCAL | HUPCL});
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

// The terminal device, counting what is written on it.
class CCountingDevice : public CTermiosDevice {
public:
    explicit CCountingDevice(long& nWrites) : m_nWrites(nWrites) {}
    bool Write(const char* pData, std::size_t nLength) override {
        ++m_nWrites;
        return CTermiosDevice::Write(pData, nLength);
    }

private:
    long& m_nWrites;
};

// The link brought up at start-up on the stored port 4, which names the emulator's device (or
// the path given).
class ZefsimLinkTest : public CLinkTest {
protected:
    void Start(const Texts& options, const std::string& strPath = {}) {
        m_pSim = std::make_unique<CZefsim>(options);
        ASSERT_TRUE(m_pSim->IsRunning());
        WriteProfile("[System]\r\nCOM Port=4\r\n[Ports]\r\nCOM4=" +
                     (strPath.empty() ? m_pSim->Device() : strPath));
        m_port.SetDeviceFactory([this] { return std::make_unique<CCountingDevice>(m_nWrites); });
        ASSERT_TRUE(SelectPortAtStartup(*this, m_profile, m_boxes, m_port));
    }

    // The reply up to its CR, each byte awaited at most nWaitMs; "" when one never comes.
    std::string Exchange(const char* pszCommand, int nWaitMs = 4000) {
        char szReply[52];
        m_port.m_bOnline = 1;
        m_port.SetByteTimeout(nWaitMs);
        return m_port.Exchange(pszCommand, szReply, sizeof szReply, true) ? szReply : "";
    }
    // A fresh emulator: its replies to four "R", and the shortest time a reset's reply took.
    std::pair<std::string, Clock::duration> Exchanges(const Texts& options) {
        Start(options);
        std::pair<std::string, Clock::duration> result = {"", Clock::duration::max()};
        for (int i = 0; i < 4; ++i) {
            result.first += Exchange("R");
            const auto t0 = Clock::now();
            EXPECT_EQ(Exchange("\x03"), "ZEFRON READY\r");
            result.second = std::min(result.second, Clock::now() - t0);
        }
        return result;
    }

    std::unique_ptr<CZefsim> m_pSim;
    long m_nWrites = 0;
};

// Random targets and faults, and an operator who answers at random, mending the faults or not,
// and after a Cancel chooses the port again: the link is down exactly after a Cancel, and sends
// nothing then or while a box is up.
TEST_F(ZefsimLinkTest, SoakOfTenThousandTicksWithFaultsStaysConsistentAndDoesNotGrow) {
    ASSERT_NO_FATAL_FAILURE(Start({"--no-pacing", "--tau", "0.05", "--seed", "7"}));
    // Long enough for an emulator slowed by the sanitizers; short enough for silent lines.
    m_port.SetByteTimeout(200);
    std::mt19937 rng(20240);
    const auto Chance = [&](double d) { return std::uniform_real_distribution(0.0, 1.0)(rng) < d; };
    const auto Mend = [&] { m_pSim->Operator("unmute\nplug\nunlock\nungarble-w"); };
    std::map<std::string, long> counts;
    int nLastAnswer = IDRETRY;
    m_boxes.m_fnWhileShown = [&](const std::string& strText) {
        const long nWrites = m_nWrites;
        Tick();
        EXPECT_EQ(m_nWrites, nWrites) << "a tick sent while a box was up";
        // Every box of the link lets the operator retry; none is kept, so that the heap compares.
        EXPECT_EQ(m_boxes.m_types.back(), unsigned{MB_RETRYCANCEL | MB_ICONEXCLAMATION}) << strText;
        m_boxes.m_types.clear();
        m_boxes.m_shown.clear();
        nLastAnswer = Chance(0.3) ? IDCANCEL : IDRETRY;
        if (nLastAnswer == IDRETRY && Chance(0.7))
            Mend();
        ++counts[strText.substr(0, 12)];
        m_boxes.m_answers = {nLastAnswer};
    };
    const auto Heap = [] {
        return __sanitizer_get_current_allocated_bytes ? __sanitizer_get_current_allocated_bytes()
                                                       : mallinfo2().uordblks;
    };
    std::size_t nHeap = 0;
    unsigned nFds = 0;
    for (int nTick = 1; nTick <= 10000; ++nTick) {
        if (nTick == 1000)
            nHeap = Heap(), nFds = QDir(QStringLiteral("/proc/self/fd")).count();
        if (Chance(0.02))
            m_pSim->Operator(
                std::array{"mute", "lock", "unplug", "garble-w", "ungarble-w"}[rng() % 5]);
        if (!m_port.m_bOnline && Chance(0.2)) {
            if (Chance(0.7))
                Mend();
            m_portAnswers = {"COM4"};
            ASSERT_TRUE(OnComPort(*this, m_profile, m_boxes, m_port));
            nLastAnswer = IDRETRY;
            ++counts["reopen"];
        }
        if (m_port.m_bOnline && (!m_bTimerRunning || Chance(0.025))) {
            m_poll.m_dTargetSpeed = std::uniform_int_distribution(-2, 80)(rng);
            m_bTimerRunning = true;
        }
        const double dCommand = m_poll.m_dCommandSpeed;
        const double dWind = m_poll.m_dFiltWind;
        const long nWrites = m_nWrites;
        const int bOnline = m_port.m_bOnline;
        Tick();
        counts["reading"] += m_poll.m_dFiltWind != dWind;
        ASSERT_EQ(m_port.m_bOnline, nLastAnswer == IDCANCEL ? 0 : 1) << "tick " << nTick;
        ASSERT_TRUE(bOnline || m_nWrites == nWrites) << "sent while down, tick " << nTick;
        ASSERT_LE(std::fabs(m_poll.m_dCommandSpeed - dCommand), bOnline ? 0.5 : 0);
        ASSERT_EQ(m_port.m_bRunning, (m_port.m_nStatus & STATUS_STOPPED) ? 0 : 1);
        ASSERT_TRUE(std::isfinite(m_poll.m_dFiltWind + m_poll.m_dFiltLift + m_poll.m_dFiltDrag));
        ASSERT_EQ(m_nDepth, 0);
        m_dc.m_calls.clear();
    }
    for (const char* psz : {"Serial Commu", "Cable is dis", "Control Pane", "reopen"})
        EXPECT_GT(counts[psz], 0) << psz;
    EXPECT_GT(counts["reading"], 5000);
    // The heap stays within a few pages of where it was after warming up, and the re-opens
    // leave no descriptor behind.
    EXPECT_LT(Heap(), nHeap + 64 * 1024);
    EXPECT_EQ(QDir(QStringLiteral("/proc/self/fd")).count(), nFds);
}

// The emulator's own behaviour, which the console cannot tell from a real controller's: muted it
// neither answers nor acts; its link, made over a stale one and removed as it ends, outlives the
// operator's input and the console's closing the port; a seed repeats its noise, and its replies
// leave at the line rate unless unpaced.
TEST_F(ZefsimLinkTest, MutedSilentLinkedUntilItEndsSeededAndPacedAtTheLineRate) {
    const std::string strLink = m_dir.filePath(QStringLiteral("ttyZefron")).toStdString();
    ASSERT_EQ(::symlink("/nonexistent/pts", strLink.c_str()), 0);
    ASSERT_NO_FATAL_FAILURE(Start({"--no-pacing", "--tau", "0.2", "--link", strLink}, strLink));
    m_pSim->Operator("mute");
    EXPECT_EQ(Exchange("S", 300), "");
    EXPECT_EQ(Exchange("W100\r", 300), "");
    std::this_thread::sleep_for(500ms);
    m_pSim->Operator("unmute");
    m_pSim->CloseInput();
    std::this_thread::sleep_for(200ms);
    ASSERT_TRUE(m_port.Open());
    EXPECT_EQ(Exchange("S"), "12\r") << "the muted speed was obeyed, or the input's end ended it";
    EXPECT_EQ(m_pSim->Stop(SIGTERM), 0);
    EXPECT_FALSE(std::filesystem::is_symlink(strLink));

    // At rest the readings are pure noise.
    const auto [strPaced, paced] = Exchanges({"--seed", "7"});
    const auto [strUnpaced, unpaced] = Exchanges({"--no-pacing", "--seed", "7"});
    EXPECT_EQ(strUnpaced, strPaced);
    EXPECT_NE(Exchanges({"--no-pacing", "--seed", "8"}).first, strPaced);
    // The reset's 13 bytes, 10 bits each at 2400 baud: 4.17 ms a byte.
    EXPECT_GE(paced, 13 * 4ms);
    EXPECT_LT(unpaced, 13 * 2ms);
    EXPECT_EQ(m_pSim->Stop(), 0) << "quit";
}

// Waiting on the thread's event loop, its timers go on while a reply is awaited. A silent
// controller fails after a byte's wait (800 ms here); a dribbling one, a byte every 500 ms and
// never a CR, at the reply's whole deadline: 800 + 425 ms for a 51-byte buffer, so "12" of the
// status word has come and no more (instead of the 25 s its 51 bytes would take).
TEST_F(ZefsimLinkTest, SilentAndDribblingRepliesFailInTimeWhileTheLoopTurns) {
    ASSERT_NO_FATAL_FAILURE(Start({"--no-pacing"}));
    CEventLoopWait wait;
    m_port.SetDeviceFactory([&wait] { return std::make_unique<CTermiosDevice>(&wait); });
    ASSERT_TRUE(m_port.Open());
    int nFired = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&nFired] { ++nFired; });
    timer.start(20);
    EXPECT_EQ(Exchange("S", 800), "12\r");
    for (const std::string strFault : {"mute", "drip"}) {
        SCOPED_TRACE(strFault);
        m_pSim->Operator(strFault);
        nFired = 0;
        char szReply[52];
        m_port.m_bOnline = 1;
        const auto t0 = Clock::now();
        EXPECT_EQ(m_port.Exchange("S", szReply, sizeof szReply, true), 0);
        const auto took = Clock::now() - t0;
        EXPECT_STREQ(szReply, strFault == "drip" ? "12" : "");
        EXPECT_GE(took, strFault == "drip" ? 1225ms : 800ms);
        EXPECT_LT(took, 10s);
        EXPECT_GE(nFired, 10);
        m_pSim->Operator("un" + strFault);
        EXPECT_EQ(Exchange("S", 800), "12\r");
    }
}

}  // namespace

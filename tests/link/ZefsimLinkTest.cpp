// The link end to end: the console's own code on a pseudo-terminal, with the tunnel emulator at
// the other end, its faults thrown as an operator would throw them.

#include <malloc.h>

#include <QDir>
#include <chrono>
#include <cmath>
#include <map>
#include <random>
#include <thread>

#include "LinkDoubles.h"
#include "Zefsim.h"
#include "run/Units.h"

extern "C" std::size_t __sanitizer_get_current_allocated_bytes() __attribute__((weak));

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
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

class ZefsimLinkTest : public CLinkTest {
protected:
    void SetUp() override {
        if (!CZefsim::Available()) {
            GTEST_SKIP() << "zefsim is not built";
        }
    }

    // Start-up on the stored port 4, mapped to the emulator's device.
    void Start(const Texts& options) {
        m_pSim = std::make_unique<CZefsim>(options);
        ASSERT_TRUE(m_pSim->IsRunning());
        WriteProfile("[System]\r\nCOM Port=4\r\n[Ports]\r\nCOM4=" + m_pSim->Device());
        m_port.SetDeviceFactory([this] { return std::make_unique<CCountingDevice>(m_nWrites); });
        ASSERT_TRUE(SelectPortAtStartup(m_dlg, m_profile, m_boxes, m_port));
    }

    Texts NewCommands() {
        Texts log = m_pSim->Log();
        log.erase(log.begin(), log.begin() + static_cast<std::ptrdiff_t>(m_nLogSeen));
        m_nLogSeen += log.size();
        return log;
    }

    std::unique_ptr<CZefsim> m_pSim;
    long m_nWrites = 0;
    std::size_t m_nLogSeen = 0;
};

TEST_F(ZefsimLinkTest, RunRampsReadsSettlesAndStops) {
    ASSERT_NO_FATAL_FAILURE(Start({"--no-pacing", "--tau", "0.2"}));
    // To 10 mph: W5, W10, ... W100 in 20 ticks, then W100 on every tick.
    m_rec.m_dTargetSpeed = 10;
    Texts expected;
    for (int i = 1; i <= 25; ++i) {
        Tick();
        const std::string strW = "W" + std::to_string(std::min(i, 20) * 5) + "<CR>";
        expected.insert(expected.end(), {"S", strW, "R"});
    }
    EXPECT_EQ(NewCommands(), expected);

    // With the fan at 10 mph, the first reading after a reset enters at a third. The emulator's
    // wing has 0.019 lb of lift and 0.003 lb of drag there.
    std::this_thread::sleep_for(1s);
    m_rec.RecordPoint(m_host.m_dc, 0, 0, 0, RECORD_CLEAR);
    m_rec.m_dFiltWind = m_rec.m_dFiltLift = m_rec.m_dFiltDrag = 0;
    Tick();
    EXPECT_NEAR(m_rec.m_dFiltWind, 10.0 / 3, 0.15);
    EXPECT_NEAR(m_rec.m_dFiltLift, 0.01875 / 3, 0.0023);
    EXPECT_NEAR(m_rec.m_dFiltDrag, 0.003125 / 3, 0.0023);

    // Metric 10 km/h is 6.21 mph: the speed comes down to the step below and rests on W60.
    m_rec.m_bEnglish = 0;
    m_rec.m_dTargetSpeed = 10 * MPH_PER_KMH;
    for (int i = 0; i < 10; ++i) {
        Tick();
    }
    EXPECT_EQ(NewCommands().at(31), "W60<CR>");

    // Stop: "C" and "O", then only "S" until the fan reports stopped.
    char szReply[POLL_REPLY_SIZE];
    ASSERT_TRUE(m_port.SendCommand(CMD_CANCEL, szReply, sizeof szReply, false));
    ASSERT_TRUE(m_port.SendCommand(CMD_OFF, szReply, sizeof szReply, true));
    m_port.m_bReturningToZero = 1;
    for (const auto tEnd = Clock::now() + 20s; m_host.m_bTimerRunning && Clock::now() < tEnd;) {
        Tick();
        std::this_thread::sleep_for(30ms);
    }
    const Texts commands = NewCommands();
    expected = {"C", "O"};
    expected.resize(std::max<std::size_t>(commands.size(), 4), "S");
    EXPECT_EQ(commands, expected);
    ASSERT_FALSE(m_host.m_status.empty());
    EXPECT_EQ(m_host.m_status.back(), MSG_WIND_IS_ZERO);
}

// Each fault of the controller: its box, a Retry after the operator mended it, and a Cancel,
// after which the link sends nothing, mended or not.
struct Fault {
    const char* pszFault;
    const char* pszMend;
    Texts box;      // none for a garbled acknowledgement, which the poll handles itself
    Texts retried;  // the commands of the tick
    bool bTimerAfterCancel;
};

void PrintTo(const Fault& c, std::ostream* os) { *os << c.pszFault; }

class ZefsimFaultTest : public ZefsimLinkTest, public ::testing::WithParamInterface<Fault> {};

TEST_P(ZefsimFaultTest, BringsItsBoxAndTheAnswerDecidesTheLink) {
    const Fault& c = GetParam();
    ASSERT_NO_FATAL_FAILURE(Start({"--no-pacing"}));
    m_rec.m_dTargetSpeed = 5;
    NewCommands();
    m_pSim->Operator(c.pszFault);
    m_boxes.m_answers = {IDRETRY};
    m_boxes.m_fnWhileShown = [&](const std::string&) { m_pSim->Operator(c.pszMend); };
    Tick();
    EXPECT_EQ(NewCommands(), c.retried);
    EXPECT_EQ(m_boxes.TakeTexts(), c.box);
    EXPECT_EQ(m_port.m_bOnline, 1);
    if (c.box.empty()) {
        return;
    }
    m_boxes.m_fnWhileShown = nullptr;
    m_pSim->Operator(c.pszFault);
    m_boxes.m_answers = {IDCANCEL};
    Tick();
    EXPECT_EQ(m_boxes.TakeTexts(), c.box);
    EXPECT_EQ(NewCommands(), Texts{"S"});
    EXPECT_EQ(m_port.m_bOnline, 0);
    EXPECT_EQ(m_host.m_bTimerRunning, c.bTimerAfterCancel);
    m_pSim->Operator(c.pszMend);
    Tick();
    EXPECT_TRUE(NewCommands().empty());
}

const std::string COMM_ERROR_COM4 = QString::asprintf(MSG_COMM_ERROR, 4).toStdString();

INSTANTIATE_TEST_SUITE_P(
    Faults, ZefsimFaultTest,
    ::testing::Values(
        Fault{"lock", "unlock", {MSG_PANEL_LOCKED}, {"S", "S", "W5<CR>", "R"}, false},
        Fault{"unplug", "plug", {MSG_CABLE_DISCONNECTED}, {"S", "W5<CR>", "R"}, false},
        Fault{"mute", "unmute", {COMM_ERROR_COM4}, {"S", "S", "W5<CR>", "R"}, true},
        Fault{"garble-w", "ungarble-w", {}, {"S", "W5<CR>", "C", "W5<CR>", "R"}, true}));

// Random targets and faults, and an operator who answers at random, mending the faults or not,
// and after a Cancel chooses the port again: the link is down exactly after a Cancel.
TEST_F(ZefsimLinkTest, SoakOfTenThousandTicksWithFaultsStaysConsistentAndDoesNotGrow) {
    ASSERT_NO_FATAL_FAILURE(Start({"--no-pacing", "--tau", "0.05", "--seed", "7"}));
    // Long enough for an emulator slowed by the sanitizers; short enough for silent lines.
    m_port.SetByteTimeout(200);
    std::mt19937 rng(20240);
    const auto Chance = [&](double d) { return std::uniform_real_distribution(0.0, 1.0)(rng) < d; };
    const auto Mend = [&] {
        for (const char* psz : {"unmute", "plug", "unlock", "ungarble-w"}) {
            m_pSim->Operator(psz);
        }
    };
    std::map<std::string, long> counts;
    int nLastAnswer = IDRETRY;
    m_boxes.m_fnWhileShown = [&](const std::string& strText) {
        const long nWrites = m_nWrites;
        Tick();
        EXPECT_EQ(m_nWrites, nWrites) << "a tick sent while a box was up";
        nLastAnswer = Chance(0.3) ? IDCANCEL : IDRETRY;
        if (nLastAnswer == IDRETRY && Chance(0.7)) {
            Mend();
        }
        ++counts[strText.substr(0, 12)];
        ++counts[nLastAnswer == IDCANCEL ? "Cancel" : "Retry"];
        m_boxes.m_answers = {nLastAnswer};
    };
    const auto Heap = [] {
        return __sanitizer_get_current_allocated_bytes ? __sanitizer_get_current_allocated_bytes()
                                                       : mallinfo2().uordblks;
    };
    std::size_t nHeap = 0;
    unsigned nFds = 0;
    for (int nTick = 1; nTick <= 10000; ++nTick) {
        if (nTick == 1000) {
            nHeap = Heap();
            nFds = QDir(QStringLiteral("/proc/self/fd")).count();
        }
        if (Chance(0.02)) {
            const char* const FAULTS[] = {"mute", "lock", "unplug", "garble-w", "ungarble-w"};
            m_pSim->Operator(FAULTS[rng() % 5]);
        }
        if (!m_port.m_bOnline && Chance(0.2)) {
            if (Chance(0.7)) {
                Mend();
            }
            m_dlg.m_answers = {QStringLiteral("COM4")};
            ASSERT_TRUE(OnComPort(m_dlg, m_profile, m_boxes, m_port));
            nLastAnswer = IDRETRY;
            ++counts["reopen"];
        }
        if (m_port.m_bOnline && (!m_host.m_bTimerRunning || Chance(0.025))) {
            m_rec.m_dTargetSpeed = std::uniform_int_distribution(-2, 80)(rng);
            m_host.m_bTimerRunning = true;
        }
        const double dCommand = m_rec.m_dCommandSpeed;
        const double dWind = m_rec.m_dFiltWind;
        const long nWrites = m_nWrites;
        const int bOnline = m_port.m_bOnline;
        Tick();
        counts["reading"] += m_rec.m_dFiltWind != dWind;
        ASSERT_EQ(m_port.m_bOnline, nLastAnswer == IDCANCEL ? 0 : 1) << "tick " << nTick;
        ASSERT_TRUE(bOnline || m_nWrites == nWrites) << "sent while down, tick " << nTick;
        ASSERT_LE(std::fabs(m_rec.m_dCommandSpeed - dCommand), bOnline ? RAMP_STEP_MPH : 0);
        ASSERT_EQ(m_port.m_bRunning, (m_port.m_nStatus & STATUS_STOPPED) ? 0 : 1);
        ASSERT_TRUE(std::isfinite(m_rec.m_dFiltWind + m_rec.m_dFiltLift + m_rec.m_dFiltDrag));
        ASSERT_EQ(m_host.m_nDepth, 0);
        for (const CScriptedBoxes::Shown& shown : std::exchange(m_boxes.m_shown, {})) {
            ASSERT_EQ(shown.nType, RETRY_CANCEL_BOX) << shown.strText;
        }
        // Nothing else is kept, so that the memory may be compared.
        m_host.m_dc.m_calls.clear();
    }
    for (const char* psz : {"Serial Commu", "Cable is dis", "Control Pane", "Cancel", "reopen"}) {
        EXPECT_GT(counts[psz], 0) << psz;
    }
    EXPECT_GT(counts["reading"], 5000);
    // The heap stays within a few pages of where it was after warming up, and the re-opens
    // leave no descriptor behind.
    EXPECT_LT(Heap(), nHeap + 64 * 1024);
    EXPECT_EQ(QDir(QStringLiteral("/proc/self/fd")).count(), nFds);
}

}  // namespace

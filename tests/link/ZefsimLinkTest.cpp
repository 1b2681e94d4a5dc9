// The link end to end: the console's own code on a pseudo-terminal, with the tunnel emulator at
// the other end, its faults thrown as an operator would throw them.

#include <QFile>
#include <QTemporaryDir>
#include <chrono>
#include <thread>

#include "LinkDoubles.h"
#include "Zefsim.h"
#include "app/Profile.h"
#include "link/PortSelection.h"
#include "run/Units.h"

namespace {

using Clock = std::chrono::steady_clock;

class CNoDialog : public CPortDialog {
public:
    bool Ask(QString& strPort) override {
        ADD_FAILURE() << "port dialog proposing " << strPort.toStdString();
        return false;
    }
};

const std::string COMM_ERROR_COM4 =
    "Serial Communications Error!\rBe sure Zefron is properly\rconnected to serial port COM4";

class ZefsimLinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!CZefsim::Available()) {
            GTEST_SKIP() << "zefsim is not built";
        }
        ASSERT_TRUE(m_dir.isValid());
    }

    // Starts the emulator and brings the link up as start-up does: the stored port 4, mapped to
    // the emulator's device, then the splash's two start-up commands.
    void Start(std::vector<std::string> options) {
        m_pSim = std::make_unique<CZefsim>(std::move(options));
        ASSERT_TRUE(m_pSim->IsRunning());
        const QString strProfile = m_dir.filePath(QStringLiteral("zef.ini"));
        QFile file(strProfile);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(
            ("[System]\r\nCOM Port=4\r\n[Ports]\r\nCOM4=" + m_pSim->Device() + "\r\n").c_str());
        file.close();
        m_port.SetProfilePath(strProfile);
        m_port.SetMessageBoxes(&m_boxes);
        m_port.SetDeviceFactory([this] { return std::make_unique<CTapDevice>(m_strRead); });
        m_boxes.m_pPort = &m_port;
        CProfile profile(strProfile);
        CNoDialog dlg;
        ASSERT_TRUE(SelectPortAtStartup(dlg, profile, m_boxes, m_port));
        char szReply[POLL_REPLY_SIZE];
        ASSERT_TRUE(m_port.SendCommand(CMD_RESET, szReply, sizeof szReply, true));
        ASSERT_TRUE(m_port.SendCommand(CMD_CANCEL, szReply, sizeof szReply, false));
        // "C" has no reply: wait until the emulator has taken it, so the log is complete.
        const auto tEnd = Clock::now() + std::chrono::seconds(10);
        while (m_pSim->Log().size() < 2 && Clock::now() < tEnd) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        ASSERT_EQ(m_pSim->Log(), (std::vector<std::string>{"<03>", "C"}));
        m_rec.ApplyUnitScales();
        CRecordingDrawing dc;
        m_rec.RecordPoint(dc, 0, 0, 0, RECORD_CLEAR);
    }

    void Tick() { Poll(m_rec, m_host, m_port); }

    // The commands logged since the last call.
    std::vector<std::string> NewCommands() {
        std::vector<std::string> log = m_pSim->Log();
        std::vector<std::string> fresh(log.begin() + static_cast<std::ptrdiff_t>(m_nLogSeen),
                                       log.end());
        m_nLogSeen = log.size();
        return fresh;
    }

    // Ticks until the controller reports the fan running (at most a few seconds).
    void TickUntilRunning() {
        const auto tEnd = Clock::now() + std::chrono::seconds(10);
        while (!m_port.m_bRunning && Clock::now() < tEnd) {
            Tick();
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        ASSERT_EQ(m_port.m_bRunning, 1);
    }

    QTemporaryDir m_dir;
    std::unique_ptr<CZefsim> m_pSim;
    std::string m_strRead;
    CScriptedBoxes m_boxes;
    CSerialPort m_port;
    TestRecord m_rec{1, 80.0};
    CPollHostDouble m_host;
    std::size_t m_nLogSeen = 0;
};

TEST_F(ZefsimLinkTest, RunToTenMphSendsTheRampThenHoldsIt) {
    ASSERT_NO_FATAL_FAILURE(Start({"--no-pacing"}));
    m_rec.m_dTargetSpeed = 10;
    for (int i = 0; i < 25; ++i) {
        Tick();
    }
    std::vector<std::string> expected = {"<03>", "C"};
    for (int i = 1; i <= 25; ++i) {
        expected.push_back("S");
        expected.push_back("W" + std::to_string(std::min(i, 20) * 5) + "<CR>");
        expected.push_back("R");
    }
    EXPECT_EQ(NewCommands(), expected);
    EXPECT_TRUE(m_boxes.m_shown.empty());
    EXPECT_EQ(m_port.m_bOnline, 1);
}

TEST_F(ZefsimLinkTest, MetricTenKmhSettlesOnW60) {
    ASSERT_NO_FATAL_FAILURE(Start({"--no-pacing"}));
    m_rec.m_bEnglish = 0;
    m_rec.m_dTargetSpeed = 10 * MPH_PER_KMH;
    for (int i = 0; i < 20; ++i) {
        Tick();
    }
    std::vector<std::string> winds;
    for (const std::string& cmd : NewCommands()) {
        if (cmd[0] == 'W') {
            winds.push_back(cmd);
        }
    }
    ASSERT_EQ(winds.size(), 20u);
    EXPECT_EQ(winds[10], "W55<CR>");
    for (std::size_t i = 11; i < winds.size(); ++i) {
        EXPECT_EQ(winds[i], "W60<CR>");
    }
}

TEST_F(ZefsimLinkTest, FirstReadingAfterAResetEntersAtAThird) {
    ASSERT_NO_FATAL_FAILURE(Start({"--no-pacing", "--tau", "0.2"}));
    m_rec.m_dTargetSpeed = 10;
    for (int i = 0; i < 20; ++i) {
        Tick();
    }
    // Let the fan reach 10 mph, then start afresh as the program does.
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    TestRecord rec(1, 80.0);
    rec.ApplyUnitScales();
    rec.RecordPoint(m_host.m_dc, 0, 0, 0, RECORD_CLEAR);
    rec.m_dTargetSpeed = rec.m_dCommandSpeed = 10;
    m_strRead.clear();
    Poll(rec, m_host, m_port);

    // The reply to "R" is the last line read.
    ASSERT_GE(m_strRead.size(), 2u);
    const std::size_t nStart = m_strRead.rfind('\r', m_strRead.size() - 2) + 1;
    double dWind = 0;
    double dDrag = 0;
    double dLift = 0;
    ASSERT_EQ(std::sscanf(m_strRead.c_str() + nStart, "%lf,%lf,%lf", &dWind, &dDrag, &dLift), 3)
        << m_strRead;
    EXPECT_NEAR(dWind, 100, 3);
    EXPECT_EQ(rec.m_dFiltWind, SmoothReading(dWind * 0.1, 0.0, 3));
    EXPECT_EQ(rec.m_dFiltLift, SmoothReading(dLift * 0.001, 0.0, 3));
    EXPECT_EQ(rec.m_dFiltDrag, SmoothReading(dDrag * 0.001, 0.0, 3));
    const int nSlot = static_cast<int>(rec.m_dFiltWind * 10);
    EXPECT_TRUE(rec.IsRecorded(nSlot));
    EXPECT_EQ(rec.m_lift.m_dValue[nSlot], rec.m_dFiltLift);
    EXPECT_EQ(rec.m_nLastSlot, nSlot);
}

TEST_F(ZefsimLinkTest, StopSendsCAndOThenOnlyStatusUntilTheFanHasStopped) {
    ASSERT_NO_FATAL_FAILURE(Start({"--no-pacing", "--tau", "0.3"}));
    m_rec.m_dTargetSpeed = 10;
    for (int i = 0; i < 20; ++i) {
        Tick();
    }
    ASSERT_NO_FATAL_FAILURE(TickUntilRunning());
    NewCommands();

    // Stop Wind, as the run commands do it.
    char szReply[POLL_REPLY_SIZE];
    ASSERT_TRUE(m_port.SendCommand(CMD_CANCEL, szReply, sizeof szReply, false));
    m_rec.RecordPoint(m_host.m_dc, 0, 0, 0, RECORD_STOP);
    char szOff[12];
    ASSERT_TRUE(m_port.SendCommand(CMD_OFF, szOff, sizeof szOff, true));
    m_port.m_bReturningToZero = 1;
    m_rec.m_dFiltWind = m_rec.m_dFiltLift = m_rec.m_dFiltDrag = 0;
    m_rec.m_dTargetSpeed = m_rec.m_dCommandSpeed = 0;
    m_host.m_status.clear();

    const auto tEnd = Clock::now() + std::chrono::seconds(20);
    while (m_host.m_bTimerRunning && Clock::now() < tEnd) {
        Tick();
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
    }
    EXPECT_FALSE(m_host.m_bTimerRunning);
    EXPECT_EQ(m_port.m_bReturningToZero, 0);
    const std::vector<std::string> commands = NewCommands();
    ASSERT_GE(commands.size(), 4u);
    EXPECT_EQ(commands[0], "C");
    EXPECT_EQ(commands[1], "O");
    EXPECT_EQ(std::vector<std::string>(commands.begin() + 2, commands.end()),
              std::vector<std::string>(commands.size() - 2, "S"));
    ASSERT_GE(m_host.m_status.size(), 2u);
    EXPECT_EQ(m_host.m_status.back(), "Wind speed is Zero");
    m_host.m_status.pop_back();
    EXPECT_EQ(m_host.m_status,
              std::vector<std::string>(m_host.m_status.size(), "Returning Wind speed to Zero"));
    EXPECT_EQ(m_port.m_bRunning, 0);
}

TEST_F(ZefsimLinkTest, LockedPanelAsksAndRetryAsksAgain) {
    ASSERT_NO_FATAL_FAILURE(Start({"--no-pacing"}));
    m_rec.m_dTargetSpeed = 5;
    Tick();
    NewCommands();

    m_pSim->Operator("lock");
    m_boxes.m_answers = {IDRETRY};
    m_boxes.m_fnWhileShown = [this](const std::string&) { m_pSim->Operator("unlock"); };
    Tick();
    EXPECT_EQ(m_boxes.TakeTexts(), std::vector<std::string>{"Control Panel is Locked!"});
    EXPECT_EQ(NewCommands(), (std::vector<std::string>{"S", "S", "W10<CR>", "R"}));
    EXPECT_EQ(m_port.m_bOnline, 1);
    EXPECT_TRUE(m_host.m_bTimerRunning);

    m_boxes.m_fnWhileShown = nullptr;
    m_pSim->Operator("lock");
    m_boxes.m_answers = {IDCANCEL};
    Tick();
    EXPECT_EQ(m_boxes.TakeTexts(), std::vector<std::string>{"Control Panel is Locked!"});
    EXPECT_EQ(NewCommands(), std::vector<std::string>{"S"});
    EXPECT_EQ(m_port.m_bOnline, 0);
    EXPECT_FALSE(m_host.m_bTimerRunning);
}

TEST_F(ZefsimLinkTest, UnpluggedCableAsksAndCancelStopsThePoll) {
    ASSERT_NO_FATAL_FAILURE(Start({"--no-pacing"}));
    m_rec.m_dTargetSpeed = 5;
    NewCommands();
    m_pSim->Operator("unplug");
    // Retry brings the link back for this tick; the next status asks again.
    m_boxes.m_answers = {IDRETRY};
    Tick();
    EXPECT_EQ(m_boxes.TakeTexts(), std::vector<std::string>{"Cable is disconnected!"});
    EXPECT_EQ(NewCommands(), (std::vector<std::string>{"S", "W5<CR>", "R"}));
    m_boxes.m_answers = {IDCANCEL};
    Tick();
    EXPECT_EQ(m_boxes.TakeTexts(), std::vector<std::string>{"Cable is disconnected!"});
    EXPECT_EQ(NewCommands(), std::vector<std::string>{"S"});
    EXPECT_EQ(m_port.m_bOnline, 0);
    EXPECT_FALSE(m_host.m_bTimerRunning);
}

TEST_F(ZefsimLinkTest, SilentControllerBringsTheCommunicationsErrorAfterFourSeconds) {
    ASSERT_NO_FATAL_FAILURE(Start({"--no-pacing"}));
    m_rec.m_dTargetSpeed = 5;
    NewCommands();
    m_pSim->Operator("mute");
    Clock::time_point tShown{};
    m_boxes.m_answers = {IDRETRY};
    m_boxes.m_fnWhileShown = [&](const std::string&) {
        tShown = Clock::now();
        m_pSim->Operator("unmute");
    };
    const auto tStart = Clock::now();
    Tick();
    EXPECT_GE(tShown - tStart, std::chrono::milliseconds(4000));
    EXPECT_EQ(m_boxes.TakeTexts(), std::vector<std::string>{COMM_ERROR_COM4});
    EXPECT_EQ(NewCommands(), (std::vector<std::string>{"S", "S", "W5<CR>", "R"}));
    EXPECT_EQ(m_port.m_bOnline, 1);

    // Cancel: the link is down but the timer keeps running, and its ticks send nothing.
    m_boxes.m_fnWhileShown = nullptr;
    m_pSim->Operator("mute");
    m_boxes.m_answers = {IDCANCEL};
    Tick();
    EXPECT_EQ(m_boxes.TakeTexts(), std::vector<std::string>{COMM_ERROR_COM4});
    EXPECT_EQ(m_port.m_bOnline, 0);
    EXPECT_TRUE(m_host.m_bTimerRunning);
    EXPECT_EQ(NewCommands(), std::vector<std::string>{"S"});
    m_pSim->Operator("unmute");
    Tick();
    EXPECT_TRUE(NewCommands().empty());
}

TEST_F(ZefsimLinkTest, GarbledAcknowledgementIsCancelledAndRepeated) {
    ASSERT_NO_FATAL_FAILURE(Start({"--no-pacing"}));
    m_rec.m_dTargetSpeed = 5;
    NewCommands();
    m_pSim->Operator("garble-w");
    Tick();
    EXPECT_EQ(NewCommands(), (std::vector<std::string>{"S", "W5<CR>", "C", "W5<CR>", "R"}));
    EXPECT_TRUE(m_boxes.m_shown.empty());
    m_pSim->Operator("ungarble-w");
    Tick();
    EXPECT_EQ(NewCommands(), (std::vector<std::string>{"S", "W10<CR>", "R"}));
}

TEST_F(ZefsimLinkTest, ControllerThatGoesAwayFailsTheReadAtOnce) {
    ASSERT_NO_FATAL_FAILURE(Start({"--no-pacing"}));
    Tick();
    ASSERT_EQ(m_port.m_nStatus & STATUS_PLUGGED, STATUS_PLUGGED);
    m_pSim->Stop();
    m_boxes.m_answers = {IDCANCEL};
    const auto tStart = Clock::now();
    Tick();
    EXPECT_LT(Clock::now() - tStart, std::chrono::milliseconds(3000));
    EXPECT_EQ(m_boxes.TakeTexts(), std::vector<std::string>{COMM_ERROR_COM4});
    EXPECT_EQ(m_port.m_bOnline, 0);
}

}  // namespace

// The poll cycle against a scripted controller: the order of the commands, the ramp, the
// readings and what becomes of them, the scales, the stop, and the ticks that must do nothing.

#include <QAbstractEventDispatcher>
#include <QObject>
#include <climits>
#include <cmath>

#include "LinkDoubles.h"
#include "run/Units.h"

namespace {

class PollTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_port.SetDeviceFactory(m_line.Factory());
        m_port.SetMessageBoxes(&m_boxes);
        m_port.SetProfilePath(QStringLiteral("/nonexistent/zef-link-test.ini"));
        m_boxes.m_pPort = &m_port;
        ASSERT_TRUE(m_port.Open());
        m_port.m_bOnline = 1;
        m_line.m_nStatus = STATUS_PLUGGED;  // running
        Prepare(m_rec);
    }

    // As the view leaves the record before its first run.
    void Prepare(TestRecord& rec) {
        CRecordingDrawing dc;
        rec.ApplyUnitScales();
        rec.RecordPoint(dc, 0, 0, 0, RECORD_CLEAR);
    }

    void Tick() { Poll(m_rec, m_host, m_port); }

    // The "W" commands of n ticks.
    std::vector<std::string> WindCommands(int nTicks) {
        std::vector<std::string> commands;
        for (int i = 0; i < nTicks; ++i) {
            Tick();
            for (const std::string& w : m_line.TakeWrites()) {
                if (w[0] == 'W') {
                    commands.push_back(w);
                }
            }
        }
        return commands;
    }

    // True when no slot of the current tables is recorded but slot 0 (as cleared).
    bool NothingRecorded() const {
        for (int i = 1; i < SLOT_COUNT; ++i) {
            if (m_rec.IsRecorded(i)) {
                return false;
            }
        }
        return true;
    }

    CFakeLine m_line;
    CScriptedBoxes m_boxes;
    CSerialPort m_port;
    TestRecord m_rec{1, 80.0};
    CPollHostDouble m_host;
};

TEST_F(PollTest, TickAsksStatusThenCommandsTheSpeedThenReads) {
    m_rec.m_dTargetSpeed = 10;
    m_line.m_strReading = "300,45,67\r";
    Tick();
    EXPECT_EQ(m_line.TakeWrites(), (std::vector<std::string>{"S", "W5<CR>", "R"}));
    EXPECT_EQ(m_line.m_nDiscards, 3);
    EXPECT_EQ(m_rec.m_dCommandSpeed, 0.5);
    EXPECT_TRUE(m_host.m_bTimerRunning);
    EXPECT_EQ(m_host.m_nDepth, 0);
    EXPECT_TRUE(m_boxes.m_shown.empty());
}

TEST_F(PollTest, RunToTenMphRampsHalfAMphATick) {
    m_rec.m_dTargetSpeed = 10;
    std::vector<std::string> expected;
    for (int i = 1; i <= 20; ++i) {
        expected.push_back("W" + std::to_string(i * 5) + "<CR>");
    }
    for (int i = 0; i < 5; ++i) {
        expected.push_back("W100<CR>");
    }
    EXPECT_EQ(WindCommands(25), expected);

    // Down again: the same steps the other way.
    m_rec.m_dTargetSpeed = 8.5;
    EXPECT_EQ(WindCommands(4),
              (std::vector<std::string>{"W95<CR>", "W90<CR>", "W85<CR>", "W85<CR>"}));
}

TEST_F(PollTest, TargetBetweenStepsSettlesOnTheStepBelow) {
    // 10 km/h is 6.2137 mph: the commanded speed climbs to 6.0 and stays there.
    m_rec.m_bEnglish = 0;
    m_rec.m_dTargetSpeed = 10 * MPH_PER_KMH;
    const std::vector<std::string> commands = WindCommands(20);
    EXPECT_EQ(commands[11], "W60<CR>");
    for (std::size_t i = 12; i < commands.size(); ++i) {
        EXPECT_EQ(commands[i], "W60<CR>");
    }
    EXPECT_EQ(m_rec.m_dCommandSpeed, 6.0);

    // From above the step below is reached as well: 7.25 from 10 rests on 7.0.
    m_rec.m_dCommandSpeed = 10;
    m_rec.m_dTargetSpeed = 7.25;
    EXPECT_EQ(WindCommands(8).back(), "W70<CR>");
    // A negative target is commanded as it is.
    m_rec.m_dCommandSpeed = 0;
    m_rec.m_dTargetSpeed = -1;
    EXPECT_EQ(WindCommands(3), (std::vector<std::string>{"W-5<CR>", "W-10<CR>", "W-10<CR>"}));
}

TEST(PollSpeed, WindValueIsTruncatedTenths) {
    EXPECT_EQ(TenthsOfMph(10.0), 100);
    EXPECT_EQ(TenthsOfMph(6.5), 65);
    EXPECT_EQ(TenthsOfMph(6.2137), 62);
    EXPECT_EQ(TenthsOfMph(-0.55), -5);
    EXPECT_EQ(TenthsOfMph(1e300), INT_MAX);
    EXPECT_EQ(TenthsOfMph(-1e300), INT_MIN);
    EXPECT_EQ(TenthsOfMph(std::nan("")), 0);
}

TEST_F(PollTest, UnacknowledgedSpeedIsCancelledAndSaidOnceMore) {
    m_rec.m_dTargetSpeed = 10;
    m_line.m_strWReply = "?\r";
    m_line.m_strReading = "300,0,0\r";
    Tick();
    EXPECT_EQ(m_line.TakeWrites(), (std::vector<std::string>{"S", "W5<CR>", "C", "W5<CR>", "R"}));
    // The repeated command's reply is not examined: the reading is taken all the same.
    EXPECT_TRUE(m_rec.IsRecorded(100));
    EXPECT_TRUE(m_boxes.m_shown.empty());
}

TEST_F(PollTest, ReadingIsScaledSmoothedAndRecorded) {
    // 300,45,67 is 30.0 mph, drag 0.045 lb and lift 0.067 lb; from rest each enters at a third.
    m_line.m_strReading = "300,45,67\r";
    Tick();
    EXPECT_DOUBLE_EQ(m_rec.m_dFiltWind, 10.0);
    EXPECT_DOUBLE_EQ(m_rec.m_dFiltDrag, 0.015);
    EXPECT_DOUBLE_EQ(m_rec.m_dFiltLift, 0.067 / 3);
    ASSERT_TRUE(m_rec.IsRecorded(100));
    EXPECT_EQ(m_rec.m_lift.m_dValue[100], SmoothReading(0.067, 0.0, 3));
    EXPECT_EQ(m_rec.m_drag.m_dValue[100], SmoothReading(0.045, 0.0, 3));
    EXPECT_EQ(m_rec.m_nLastSlot, 100);
    // The graph was updated in place around the new slot.
    const std::vector<std::string> calls = m_host.m_dc.Take();
    EXPECT_NE(std::find(calls.begin(), calls.end(), "draw 0-100"), calls.end());

    // The next reading moves a third of the way on.
    Tick();
    EXPECT_DOUBLE_EQ(m_rec.m_dFiltWind, 10.0 + 20.0 / 3);
    EXPECT_TRUE(m_rec.IsRecorded(166));
}

TEST_F(PollTest, MetricConvertsAfterSmoothingAndKeepsTheMemoryInMph) {
    m_rec.m_bEnglish = 0;
    m_line.m_strReading = "300,100,200\r";
    Tick();
    EXPECT_DOUBLE_EQ(m_rec.m_dFiltWind, 10.0);
    EXPECT_DOUBLE_EQ(m_rec.m_dFiltLift, 0.2 / 3);
    // 10 mph is 16.09 km/h: slot 160, forces in kg.
    ASSERT_TRUE(m_rec.IsRecorded(160));
    EXPECT_DOUBLE_EQ(m_rec.m_lift.m_dValue[160], 0.2 / 3 * KG_PER_LB);
    EXPECT_DOUBLE_EQ(m_rec.m_drag.m_dValue[160], 0.1 / 3 * KG_PER_LB);
    EXPECT_FALSE(m_rec.IsRecorded(100));
}

// Replies that are not three finite numbers.
class PollBadReadingTest : public PollTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(PollBadReadingTest, RecordsNothing) {
    m_line.m_strReading = GetParam();
    m_rec.m_dFiltWind = 12.0;
    Tick();
    EXPECT_EQ(m_line.TakeWrites(), (std::vector<std::string>{"S", "W0<CR>", "R"}));
    EXPECT_TRUE(NothingRecorded());
    EXPECT_TRUE(m_host.m_dc.Take().empty());
    EXPECT_EQ(m_rec.m_dFiltWind, 12.0);
    EXPECT_EQ(m_rec.m_dFiltLift, 0.0);
    EXPECT_EQ(m_port.m_bOnline, 1);
}

INSTANTIATE_TEST_SUITE_P(Replies, PollBadReadingTest,
                         ::testing::Values("\r", "300,45\r", "abc\r", "300;45;67\r", "nan,1,2\r",
                                           "300,inf,2\r", "300,1,-inf\r", "1e999,0,0\r"));

TEST_F(PollTest, TickWhoseReadingWasNotExchangedRecordsNothing) {
    m_rec.m_dFiltWind = 12.0;
    m_line.m_strReading = "300,45,67\r";
    // The speed command goes unanswered and the operator cancels: "R" is never sent.
    m_line.m_strWReply = "";
    m_boxes.m_answers = {IDCANCEL};
    Tick();
    EXPECT_EQ(m_line.TakeWrites(), (std::vector<std::string>{"S", "W0<CR>"}));
    EXPECT_EQ(m_boxes.TakeTexts(), std::vector<std::string>{COMM_ERROR_COM1});
    EXPECT_EQ(m_port.m_bOnline, 0);
    EXPECT_TRUE(NothingRecorded());
    EXPECT_EQ(m_rec.m_dFiltWind, 12.0);
    // The timer keeps running; its ticks do nothing until the link is up again.
    EXPECT_TRUE(m_host.m_bTimerRunning);
    m_rec.m_dTargetSpeed = 10;
    Tick();
    EXPECT_TRUE(m_line.m_writes.empty());
    EXPECT_EQ(m_rec.m_dCommandSpeed, 0.0);

    // The repeat of an unacknowledged command fails: again no "R", nothing recorded.
    m_port.m_bOnline = 1;
    int nW = 0;
    m_line.m_fnAnswer = [&](const std::string& cmd) {
        if (cmd[0] == 'W') {
            return std::string(++nW == 1 ? "?\r" : "");
        }
        return m_line.DefaultAnswer(cmd);
    };
    m_boxes.m_answers = {IDCANCEL};
    Tick();
    EXPECT_EQ(m_line.TakeWrites(), (std::vector<std::string>{"S", "W5<CR>", "C", "W5<CR>"}));
    EXPECT_TRUE(NothingRecorded());

    // "R" itself goes unanswered.
    m_port.m_bOnline = 1;
    m_line.m_strWReply = "\r";
    m_line.m_fnAnswer = [&](const std::string& cmd) {
        return cmd == "R" ? std::string() : m_line.DefaultAnswer(cmd);
    };
    m_boxes.m_answers = {IDCANCEL};
    Tick();
    EXPECT_EQ(m_line.TakeWrites(), (std::vector<std::string>{"S", "W10<CR>", "R"}));
    EXPECT_TRUE(NothingRecorded());
    EXPECT_EQ(m_rec.m_dFiltWind, 12.0);
}

TEST_F(PollTest, ReplyLongerThanThePollsBufferIsACommunicationsError) {
    m_line.m_strReading = std::string(60, '1') + "\r";
    m_boxes.m_answers = {IDCANCEL};
    Tick();
    EXPECT_EQ(m_boxes.TakeTexts(), std::vector<std::string>{COMM_ERROR_COM1});
    EXPECT_EQ(m_port.m_bOnline, 0);
    EXPECT_TRUE(NothingRecorded());
}

TEST_F(PollTest, ReadingWithoutASlotIsNotRecorded) {
    // Below zero.
    m_line.m_strReading = "-30,10,10\r";
    Tick();
    EXPECT_LT(m_rec.m_dFiltWind, 0.0);
    EXPECT_TRUE(NothingRecorded());
    // Above 140.0 mph after smoothing.
    m_rec.m_dFiltWind = 150.0;
    m_line.m_strReading = "1500,10,10\r";
    Tick();
    EXPECT_TRUE(NothingRecorded());
    // 100 mph fits the tables in English units but is 160.9 km/h in Metric.
    m_rec.m_dFiltWind = 100.0;
    m_line.m_strReading = "1000,10,10\r";
    m_rec.m_bEnglish = 0;
    Tick();
    EXPECT_TRUE(NothingRecorded());
    m_rec.m_bEnglish = 1;
    Tick();
    EXPECT_FALSE(NothingRecorded());
}

TEST_F(PollTest, ScalesWidenOneRangeATickOnWindAndLiftOnly) {
    // Wind axis at range 2 in English units shows up to 42.5 mph.
    m_rec.SetSpeedRange(2);
    m_line.m_strReading = "1272,0,0\r";  // a third of 127.2 mph: 42.4
    Tick();
    EXPECT_EQ(m_rec.m_axisWind.m_nRange, 2);
    EXPECT_EQ(m_host.m_nRedraws, 0);
    m_rec.m_dFiltWind = 0;
    m_line.m_strReading = "1275,0,0\r";  // exactly 42.5
    Tick();
    EXPECT_EQ(m_rec.m_dFiltWind, 42.5);
    EXPECT_EQ(m_rec.m_axisWind.m_nRange, 1);
    EXPECT_EQ(m_host.m_nRedraws, 1);
    m_line.m_strReading = "1000,0,0\r";
    Tick();
    EXPECT_EQ(m_rec.m_axisWind.m_nRange, 1);
    EXPECT_EQ(m_host.m_nRedraws, 1);

    // A lift of -0.6 lb with the force axis at range 3 (top 0.5 lb) widens it to range 2 only.
    m_rec.SetForceRange(3);
    m_rec.m_dFiltWind = 20.0;
    m_rec.m_dFiltLift = -0.6;
    m_line.m_strReading = "200,0,-600\r";
    Tick();
    EXPECT_EQ(m_rec.m_axisForce.m_nRange, 2);
    EXPECT_EQ(m_host.m_nRedraws, 2);
    Tick();
    EXPECT_EQ(m_rec.m_axisForce.m_nRange, 2);

    // A large drag alone does not widen it.
    m_rec.m_dFiltLift = 0.0;
    m_rec.m_dFiltDrag = 5.0;
    m_line.m_strReading = "200,5000,0\r";
    Tick();
    EXPECT_EQ(m_rec.m_axisForce.m_nRange, 2);
    EXPECT_EQ(m_host.m_nRedraws, 2);

    // Far off the top: one range a tick on each scale, each with its own redraw.
    m_rec.SetSpeedRange(5);
    m_rec.SetForceRange(5);
    m_rec.m_dFiltWind = 120.0;
    m_rec.m_dFiltLift = 9.0;
    m_line.m_strReading = "1200,0,9000\r";
    m_host.m_nRedraws = 0;
    for (int nRange = 4; nRange >= 1; --nRange) {
        Tick();
        EXPECT_EQ(m_rec.m_axisWind.m_nRange, nRange);
        EXPECT_EQ(m_rec.m_axisForce.m_nRange, nRange);
    }
    EXPECT_EQ(m_host.m_nRedraws, 8);
}

TEST_F(PollTest, StopWaitsForTheFanThenEndsTheTimer) {
    m_port.m_bReturningToZero = 1;
    m_rec.m_dTargetSpeed = 10;
    Tick();
    Tick();
    EXPECT_EQ(m_line.TakeWrites(), (std::vector<std::string>{"S", "S"}));
    EXPECT_EQ(m_host.m_status, (std::vector<std::string>{"Returning Wind speed to Zero",
                                                         "Returning Wind speed to Zero"}));
    EXPECT_TRUE(m_host.m_bTimerRunning);
    EXPECT_EQ(m_rec.m_dCommandSpeed, 0.0);
    EXPECT_TRUE(NothingRecorded());

    m_line.m_nStatus = STATUS_PLUGGED | STATUS_STOPPED;
    Tick();
    EXPECT_EQ(m_line.TakeWrites(), std::vector<std::string>{"S"});
    EXPECT_EQ(m_host.m_status.back(), "Wind speed is Zero");
    EXPECT_FALSE(m_host.m_bTimerRunning);
    EXPECT_EQ(m_port.m_bReturningToZero, 0);
}

TEST_F(PollTest, StopEndsWhenTheLinkGoesDownDuringIt) {
    m_port.m_bReturningToZero = 1;
    m_line.m_nStatus = STATUS_LOCKED | STATUS_PLUGGED;  // running, but locked
    m_boxes.m_answers = {IDCANCEL};
    Tick();
    EXPECT_EQ(m_boxes.TakeTexts(), std::vector<std::string>{MSG_PANEL_LOCKED});
    EXPECT_EQ(m_host.m_status, std::vector<std::string>{"Wind speed is Zero"});
    EXPECT_EQ(m_host.m_nKills, 2);
    EXPECT_EQ(m_port.m_bReturningToZero, 0);
}

TEST_F(PollTest, CancelOnAStatusMessageStopsTheTimer) {
    m_rec.m_dTargetSpeed = 10;
    m_line.m_nStatus = 0;  // cable disconnected
    m_boxes.m_answers = {IDCANCEL};
    Tick();
    EXPECT_EQ(m_boxes.TakeTexts(), std::vector<std::string>{MSG_CABLE_DISCONNECTED});
    EXPECT_FALSE(m_host.m_bTimerRunning);
    EXPECT_EQ(m_port.m_bOnline, 0);
    // The tick goes on, but with the link down it sends nothing more.
    EXPECT_EQ(m_line.TakeWrites(), std::vector<std::string>{"S"});
    EXPECT_TRUE(NothingRecorded());

    // Retry instead: the link comes back and the tick runs in full.
    m_port.m_bOnline = 1;
    m_host.m_bTimerRunning = true;
    m_boxes.m_answers = {IDRETRY};
    m_line.m_strReading = "300,0,0\r";
    Tick();
    EXPECT_TRUE(m_host.m_bTimerRunning);
    EXPECT_EQ(m_line.TakeWrites().size(), 3u);
    EXPECT_TRUE(m_rec.IsRecorded(100));
}

TEST_F(PollTest, TickWhileTheLinkIsDownDoesNothing) {
    m_port.m_bOnline = 0;
    m_rec.m_dTargetSpeed = 10;
    m_port.m_bReturningToZero = 1;
    Tick();
    EXPECT_TRUE(m_line.m_writes.empty());
    EXPECT_EQ(m_rec.m_dCommandSpeed, 0.0);
    EXPECT_TRUE(m_host.m_status.empty());
    EXPECT_TRUE(m_host.m_bTimerRunning);
    EXPECT_EQ(m_port.m_bReturningToZero, 1);
    EXPECT_EQ(m_host.m_nTicks, 1);
    EXPECT_EQ(m_host.m_nDepth, 0);
}

TEST_F(PollTest, TickArrivingWhileABoxIsUpSendsNothing) {
    m_rec.m_dTargetSpeed = 10;
    m_line.m_strReading = "";  // "R" goes unanswered
    std::size_t nWritesBefore = 0;
    m_boxes.m_fnWhileShown = [&](const std::string&) {
        nWritesBefore = m_line.m_writes.size();
        const double dCommand = m_rec.m_dCommandSpeed;
        Tick();
        EXPECT_EQ(m_host.m_nDepth, 1);
        EXPECT_EQ(m_line.m_writes.size(), nWritesBefore);
        EXPECT_EQ(m_rec.m_dCommandSpeed, dCommand);
    };
    m_boxes.m_answers = {IDRETRY, IDCANCEL};
    Tick();
    EXPECT_EQ(m_boxes.m_shown.size(), 2u);
    EXPECT_EQ(m_host.m_nTicks, 3);
    EXPECT_EQ(m_host.m_nDepth, 0);
    EXPECT_EQ(m_line.TakeWrites(), (std::vector<std::string>{"S", "W5<CR>", "R", "R"}));
}

class CTimerCounter : public QObject {
protected:
    void timerEvent(QTimerEvent*) override {}
};

TEST(PollTimer, StartReplacesARunningTimerAndStopForgetsIt) {
    CSerialPort port;
    CTimerCounter view;
    auto* pDispatcher = QAbstractEventDispatcher::instance();
    ASSERT_NE(pDispatcher, nullptr);
    StartPollTimer(view, port);
    EXPECT_NE(port.m_nPollTimer, 0u);
    StartPollTimer(view, port);
    const auto timers = pDispatcher->registeredTimers(&view);
    ASSERT_EQ(timers.size(), 1);
    EXPECT_EQ(timers[0].timerId, static_cast<int>(port.m_nPollTimer));
    EXPECT_EQ(timers[0].interval, 150);
    StopPollTimer(view, port);
    EXPECT_EQ(port.m_nPollTimer, 0u);
    EXPECT_TRUE(pDispatcher->registeredTimers(&view).empty());
    // Stopping a stopped timer is harmless.
    StopPollTimer(view, port);
}

}  // namespace

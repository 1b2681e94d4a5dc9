// The run commands, from keys and the graph's double-click, with a scripted controller.

#include <cmath>

#include "ConsoleHarness.h"

namespace {

constexpr double MPH_PER_KPH = 1 / 1.60934;  // the console's own factor

class RunCommands : public CStartedConsoleTest {
protected:
    // The controller reports the fan turning or at rest, the link is up, and the console last
    // heard so. With the panel locked the operator will cancel the box that says so.
    void Fan(bool bRunning, bool bLocked = false) {
        m_line.m_nStatus =
            STATUS_PLUGGED | (bRunning ? 0 : STATUS_STOPPED) | (bLocked ? STATUS_LOCKED : 0);
        m_port.m_bRunning = bRunning;
        m_port.m_bOnline = 1;
        m_boxes.m_answers.assign(bLocked, IDCANCEL);
    }
    // Target and command speed, the poll, a stop in progress, and what the controller was sent.
    std::string State() {
        std::ostringstream out;
        out << Poll().m_dTargetSpeed << ' ' << Poll().m_dCommandSpeed
            << (PollRunning() ? " poll" : " idle")
            << (m_port.m_bReturningToZero ? " stopping:" : ":");
        for (const std::string& strSent : Sent())
            out << ' ' << strSent;
        return out.str();
    }
    std::string Press(Qt::Key key) {
        Key(key);
        return State();
    }
    std::string Tick() {
        View().OnTimer();
        return State();
    }
};

TEST_F(RunCommands, WithTheLinkDownSpeedCommandsAreDisabledAndStopStillZeroesTheSpeeds) {
    m_port.m_bOnline = 0;
    Poll().m_dTargetSpeed = 12;
    Poll().m_dCommandSpeed = 11.5;
    View().SetPollTimer();  // no command touches it
    m_boxes.m_answers = {IDOK, IDOK, IDOK, IDOK, IDOK};
    for (Qt::Key key : {Qt::Key_W, Qt::Key_PageUp, Qt::Key_PageDown})
        EXPECT_EQ(Press(key), "12 11.5 poll:");
    QTest::mouseDClick(&View(), Qt::LeftButton, {}, QPoint(300, 300));
    EXPECT_EQ(State(), "12 11.5 poll:");
    EXPECT_EQ(Press(Qt::Key_S), "0 0 poll:");
    EXPECT_EQ(m_boxes.TakeTexts(),
              Strings(5,
                      "Command disabled!\rThe tunnel is off-line: choose its port in System > "
                      "COM Port."));
}

TEST_F(RunCommands, ClearPreviousResultsIsAskedOnlyWhenTheFanRestsWithResultsInView) {
    Record(1, 300);
    Rec().m_strComment[0] = "first run";
    View().SetPollTimer();  // a tick under the question would talk to the tunnel meanwhile
    m_boxes.m_fnWhileShown = [this](const std::string&) { EXPECT_FALSE(PollRunning()); };
    m_boxes.m_answers = {IDNO, IDYES};
    EXPECT_EQ(Press(Qt::Key_PageUp), "5 0 poll:");  // No: the test stays, the command goes on
    EXPECT_TRUE(Rec().IsRecorded(150));
    EXPECT_EQ(Press(Qt::Key_PageUp), "10 0 poll:");  // Yes: curves and comments go
    EXPECT_FALSE(Rec().IsRecorded(150));
    EXPECT_EQ(Rec().m_strComment[0], "");
    EXPECT_TRUE(ShowsTheRecord());
    EXPECT_EQ(m_boxes.TakeTexts(), Strings(2, "Clear Previous Test Results?"));
    Record(1, 300);
    Fan(true);
    EXPECT_EQ(Press(Qt::Key_PageUp), "15 0 poll:");
}

// Set Wind ("W" and the text typed, "w" the same cancelled), Increment and Decrement ("+", "-")
// step in the units shown, the double-click ("@" and the speed on the scale) takes the speed under
// the pointer in tenths.
TEST_F(RunCommands, SpeedCommandsConvertTruncateAndClampTheTarget) {
    const struct {
        int bEnglish;
        double dMax, dFrom;
        const char* pDo;
        double dTarget;
    } cases[] = {
        // clang-format off
        {1, 80, 33, "W95", 80}, {1, 80, 33, "W12.9", 12}, {1, 80, 33, "Wabc", 0},
        {1, 80, 33, "W 7 mph", 7}, {0, 80, 33, "W100", 100 * MPH_PER_KPH}, {1, 80, 33, "w50", 33},
        {2, 80, 33, "W30", 30},  // any unit setting but 0 is English
        {1, 74.5647, 33, "W77", 74}, {0, 120 * MPH_PER_KPH, 33, "W200", 74},  // whole mph
        {1, 80, 33, "W-5", 0}, {0, 80, 33, "W-20.5", 0}, {1, 80, 33, "W-1e999", 0},  // never < 0
        {1, 80, 0, "+", 5}, {0, 80, 0, "+", 10 * MPH_PER_KPH}, {1, 80, 20, "-", 15},
        {0, 80, 20, "-", 20 - 10 * MPH_PER_KPH}, {1, 120 * MPH_PER_KPH, 72, "+", 74},
        {1, 80, 0, "@12.3", 12.3}, {1, 74.56, 0, "@84", 74}, {1, 80, 33, "@-0.5", 0},
        {0, 80, 0, "@100", 100 * MPH_PER_KPH},  // a km/h scale, the target in mph
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pDo);
        Rec().m_bEnglish = c.bEnglish;
        Rec().ApplyUnitScales();
        View().RedrawAll();
        Rec().m_dMaxSpeed = c.dMax;
        Poll().m_dTargetSpeed = c.dFrom;
        View().SetPollTimer();
        const double dTop = DisplayedTop(Rec().m_axisWind);
        if (std::tolower(c.pDo[0]) == 'w') {
            Answer<CWindSpeedDlg>([&](CWindSpeedDlg& dlg) {
                EXPECT_FALSE(PollRunning()) << "the poll runs while the speed is asked for";
                EXPECT_EQ(dlg.m_pSpeed->text() + ' ' + dlg.m_pUnit->text(),
                          c.bEnglish ? "0 MPH" : "0 KPH");
                dlg.m_pSpeed->selectAll();
                QTest::keyClicks(dlg.m_pSpeed, QString::fromLatin1(c.pDo + 1));
                c.pDo[0] == 'W' ? OK(dlg) : dlg.reject();
            });
            Key(Qt::Key_W);
        } else if (c.pDo[0] == '@') {  // the plot spans 80 to 985 thousandths of the width
            const double dX = 0.080 + 0.905 * std::atof(c.pDo + 1) / dTop;
            const int x = static_cast<int>(std::lround(View().Screen().m_rcClient.right * dX));
            QTest::mouseDClick(&View(), Qt::LeftButton, {}, QPoint(x, c.bEnglish ? 300 : 50));
            if (c.bEnglish) {  // in tenths
                EXPECT_NEAR(Poll().m_dTargetSpeed * 10, std::round(Poll().m_dTargetSpeed * 10), 1e-9);
            }
        } else {
            Key(c.pDo[0] == '+' ? Qt::Key_PageUp : Qt::Key_PageDown);
        }
        const bool bClick = c.pDo[0] == '@';
        EXPECT_NEAR(Poll().m_dTargetSpeed, c.dTarget,
                    bClick ? dTop / (0.905 * View().Screen().m_rcClient.right) : 1e-9);
        EXPECT_EQ(PollRunning(), c.pDo[0] != 'w');  // a Cancel leaves it stopped
    }
}

// Stop Wind, and a decrement below zero. At rest only the status is asked (after a decrement the
// poll then commands zero). Turning, "C" and "O" go and the poll follows the fan down; a Cancel
// on the locked panel halts that poll, and back on line any speed command only asks the status
// and sets it going again until the fan is at rest. A stop whose "O" never went is not waited for.
// Nothing reads the reply to "O": one longer than its buffer is read to its end and dropped.
TEST_F(RunCommands, StopIsFollowedToItsEndUnlessItNeverWentOut) {
    Fan(true, true);
    EXPECT_EQ(Press(Qt::Key_S), "0 0 poll: S");
    Fan(true);
    EXPECT_EQ(Tick(), "0 0 poll: S W0<CR> R");
    for (Qt::Key key : {Qt::Key_S, Qt::Key_PageDown}) {
        SCOPED_TRACE(key);
        Fan(false);
        View().SetPollTimer();
        Poll().m_dTargetSpeed = Poll().m_dCommandSpeed = 3;
        EXPECT_EQ(Press(key), key == Qt::Key_S ? "0 0 idle: S" : "0 0 poll: S");
        if (key == Qt::Key_PageDown) {
            EXPECT_EQ(Tick(), "0 0 poll: S W0<CR> R");
        }
        Fan(true);
        Poll().m_dTargetSpeed = Poll().m_dCommandSpeed = Poll().m_dFiltWind = 3;
        EXPECT_EQ(Press(key), "0 0 poll stopping: S C O");
        EXPECT_EQ(Poll().m_dFiltWind, 0);  // the smoothing starts afresh
        Fan(true, true);
        EXPECT_EQ(Press(key == Qt::Key_S ? Qt::Key_PageUp : Qt::Key_S), "0 0 idle stopping: S");
        Fan(false);
        for (Qt::Key other : {Qt::Key_S, Qt::Key_PageUp, Qt::Key_W})
            EXPECT_EQ(Press(other), "0 0 poll stopping: S");
        EXPECT_EQ(Tick(), "0 0 idle: S");
        EXPECT_EQ(Press(Qt::Key_PageUp), "5 0 poll:");
    }
    EXPECT_EQ(m_boxes.TakeTexts(), Strings(3, "Control Panel is Locked!"));
    Fan(true);
    m_line.m_fnAnswer = [this](const std::string& cmd) {
        return cmd == "O" ? std::string(40, '#') + "\r" : m_line.DefaultAnswer(cmd);
    };
    EXPECT_EQ(Press(Qt::Key_S), "0 0 poll stopping: S C O");
    EXPECT_EQ(m_port.m_bOnline, 1);
    EXPECT_TRUE(m_boxes.TakeTexts().empty());
}

// Keys, the graph's double-click and closing the window while a tick awaits its reading act once
// the tick is over, in order, Stop Wind first, and the window stays until then. Stopping, the
// unsaved test's copy is written only once "O" has gone out.
TEST_F(RunCommands, WhatTheOperatorDoesDuringAnExchangeActsWhenItEnds) {
    Fan(true);
    Record(1, 300);
    m_recovery.Changed();
    Poll().m_dTargetSpeed = 10;
    View().SetPollTimer();
    bool bDuring = false, bCopyAtStop = true, bClosed = true;
    m_line.m_fnAnswer = [&](const std::string& cmd) {
        if (cmd == "R" && !std::exchange(bDuring, true)) {
            Frame().OnCommand(ID_INCREMENT_WIND);
            QTest::mouseDClick(&View(), Qt::LeftButton, {}, QPoint(300, 300));
            Frame().OnCommand(ID_STOP_WIND);
            bClosed = Frame().close();
        }
        if (cmd == "O") {
            bCopyAtStop = QFileInfo::exists(m_recovery.Path());
        }
        return m_line.DefaultAnswer(cmd);
    };
    EXPECT_EQ(Tick(), "0 0 poll stopping: S W5<CR> R S C O S S");
    EXPECT_FALSE(bClosed);
    EXPECT_FALSE(Frame().isVisible());
    EXPECT_FALSE(bCopyAtStop);
    EXPECT_TRUE(QFileInfo::exists(m_recovery.Path()));
}

// A run the link lost is watched again once the link is back: Cancel in COM Port leaves the poll
// talking to the fan; after the cable was pulled and its box cancelled (the poll halted), the
// port chosen again in COM Port asks the fan's state and, as it turns, the poll resumes at the
// speed it held. A fan found at rest, or last heard at rest, is not polled, and nothing is sent
// for it. The fan's pane follows what the controller said, and is unknown while off-line.
TEST_F(RunCommands, ARunIsWatchedAgainOnceThePortIsBackAndItsPaneFollowsTheFan) {
    const auto Pane = [this] {
        Frame().UpdateLinkPane();
        return Frame().LinkText() + ' ' + Frame().FanText();
    };
    EXPECT_EQ(Pane(), "ON-LINE UNKNOWN");  // nothing asked since the port opened
    Fan(true);
    Poll().m_dTargetSpeed = Poll().m_dCommandSpeed = 40;
    View().SetPollTimer();
    EXPECT_EQ(Tick(), "40 40 poll: S W400<CR> R");
    EXPECT_EQ(Pane(), "ON-LINE RUNNING");
    Work<CComPortDlg>(ID_COM_PORT, [](QDialog& dlg) { dlg.reject(); });
    EXPECT_EQ(Pane(), "ON-LINE RUNNING");
    EXPECT_EQ(Tick(), "40 40 poll: S W400<CR> R");

    m_line.m_nStatus = 0;  // unplugged, the fan turning on
    m_boxes.m_answers = {IDCANCEL};
    EXPECT_EQ(Tick(), "40 40 idle: S");
    EXPECT_EQ(m_boxes.TakeTexts(), Strings{"Cable is disconnected!"});
    EXPECT_EQ(Pane(), "OFF-LINE UNKNOWN");
    m_line.m_nStatus = STATUS_PLUGGED;
    Work<CComPortDlg>(ID_COM_PORT, [](QDialog& dlg) { OK(dlg); });
    EXPECT_EQ(State(), "40 40 poll: S");
    EXPECT_EQ(Pane(), "ON-LINE RUNNING");
    EXPECT_EQ(Tick(), "40 40 poll: S W400<CR> R");

    // Stopped by the tunnel's own panel while the link was down: found at rest, left alone.
    View().KillPollTimer();
    m_line.m_nStatus = STATUS_PLUGGED | STATUS_STOPPED;
    Work<CComPortDlg>(ID_COM_PORT, [](QDialog& dlg) { OK(dlg); });
    EXPECT_EQ(State(), "40 40 idle: S");
    EXPECT_EQ(Pane(), "ON-LINE STOPPED");
    Work<CComPortDlg>(ID_COM_PORT, [](QDialog& dlg) { OK(dlg); });
    EXPECT_EQ(State(), "40 40 idle:");
    EXPECT_TRUE(m_boxes.TakeTexts().empty());
}

// Closing while the fan turns asks first: Cancel stays, No closes and leaves it, Yes stops it and
// closes, or stays when the stop could not go out (the link down). At rest, or told to stop
// already, the console closes without a word. Each case: the fan turning, a stop in progress, the
// link up, the answer; then whether it closes, what was sent, and the boxes.
TEST_F(RunCommands, ClosingWhileTheFanTurnsAsksWhetherToStopItFirst) {
    const std::string ASK = "The wind is still running.\rStop the wind before closing?";
    const std::string DISABLED =
        "Command disabled!\rThe tunnel is off-line: choose its port in System > COM Port.";
    const struct {
        bool bRunning, bStopping, bOnline;
        int nAnswer;
        bool bCloses;
        const char* pszSent;
        Strings boxes;
    } cases[] = {
        {false, false, true, 0, true, "", {}},
        {true, true, true, 0, true, "", {}},
        {true, false, true, IDCANCEL, false, "", {ASK}},
        {true, false, true, IDNO, true, "", {ASK}},
        {true, false, true, IDYES, true, " S C O", {ASK}},
        {true, false, false, IDYES, false, "", {ASK, DISABLED}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bRunning << c.bStopping << c.bOnline << c.nAnswer);
        Fan(c.bRunning);
        m_port.m_bOnline = c.bOnline;
        m_port.m_bReturningToZero = c.bStopping;
        for (const std::string& strBox : c.boxes)
            m_boxes.m_answers.push_back(strBox == ASK ? c.nAnswer : IDOK);
        QCloseEvent event;
        QApplication::sendEvent(&Frame(), &event);
        EXPECT_EQ(event.isAccepted(), c.bCloses);
        const std::string strState = State();
        EXPECT_EQ(strState.substr(strState.find(':') + 1), c.pszSent);
        EXPECT_EQ(m_boxes.TakeTexts(), c.boxes);
        View().KillPollTimer();
    }
    EXPECT_EQ(m_boxes.m_types.back(), unsigned(MB_OK | MB_ICONEXCLAMATION));
    EXPECT_EQ(m_boxes.m_types.end()[-2], unsigned(MB_YESNOCANCEL | MB_ICONQUESTION));
}

}  // namespace

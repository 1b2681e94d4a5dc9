// The run commands, from keys and the graph's double-click, with a scripted controller.

#include <cmath>

#include "ConsoleHarness.h"

namespace {

constexpr double MPH_PER_KPH = 1 / 1.60934;  // the console's own factor

class RunCommands : public CStartedConsoleTest {
protected:
    // The controller reports the fan turning (or at rest), and the console last heard so.
    void FanRunning(bool bRunning) {
        m_line.m_nStatus = bRunning ? STATUS_PLUGGED : STATUS_PLUGGED | STATUS_STOPPED;
        thePort.m_bRunning = bRunning ? 1 : 0;
    }
    // Set Wind with the text typed over what the dialog shows, then OK or Cancel.
    void SetWind(const char* pszTyped, bool bOK = true) {
        Answer<CWindSpeedDlg>([this, pszTyped, bOK](CWindSpeedDlg& dlg) {
            EXPECT_FALSE(PollRunning()) << "the poll runs while the speed is asked for";
            m_strShown = dlg.m_pSpeed->text() + ' ' + dlg.m_pUnit->text();
            dlg.m_pSpeed->selectAll();
            QTest::keyClicks(dlg.m_pSpeed, QString::fromLatin1(pszTyped));
            bOK ? OK(dlg) : dlg.reject();
        });
        Key(Qt::Key_W);
    }
    // The plot spans 80 to 985 thousandths of the width, the scale 0 to its displayed top.
    void DoubleClickAt(double dSpeed, int y = 300) {
        const double dX = 0.080 + 0.905 * dSpeed / DisplayedTop(Rec().m_axisWind);
        QTest::mouseDClick(&View(), Qt::LeftButton, {},
                           QPoint(static_cast<int>(std::lround(Rec().m_rcClient.right * dX)), y));
    }

    QString m_strShown;
};

TEST_F(RunCommands, WithTheLinkDownSpeedCommandsAreDisabledAndStopStillZeroesTheSpeeds) {
    thePort.m_bOnline = 0;
    Rec().m_dTargetSpeed = 12;
    Rec().m_dCommandSpeed = 11.5;
    View().SetPollTimer();  // no command touches it
    const unsigned nTimer = thePort.m_nPollTimer;
    m_boxes.m_answers = {IDOK, IDOK, IDOK, IDOK, IDOK};
    for (Qt::Key key : {Qt::Key_W, Qt::Key_PageUp, Qt::Key_PageDown})
        Key(key);
    DoubleClickAt(40);
    EXPECT_EQ(Rec().m_dTargetSpeed, 12);
    Key(Qt::Key_S);
    EXPECT_EQ(Rec().m_dTargetSpeed, 0);
    EXPECT_EQ(Rec().m_dCommandSpeed, 0);
    EXPECT_EQ(thePort.m_nPollTimer, nTimer);
    EXPECT_EQ(m_boxes.TakeTexts(), Strings(5, "Command disabled!"));
    EXPECT_TRUE(m_line.m_writes.empty());
}

TEST_F(RunCommands, ClearPreviousResultsIsAskedOnlyWhenTheFanRestsWithResultsInView) {
    Record(1, 300);
    Rec().m_strComment[0] = "first run";
    View().SetPollTimer();
    m_boxes.m_answers = {IDNO, IDYES};
    Key(Qt::Key_PageUp);  // No: the test stays, the command goes on
    EXPECT_TRUE(Rec().IsRecorded(150));
    EXPECT_EQ(Rec().m_dTargetSpeed, 5);
    EXPECT_TRUE(PollRunning());
    Key(Qt::Key_PageUp);  // Yes: curves and comments go, and the window shows it
    EXPECT_FALSE(Rec().IsRecorded(150));
    EXPECT_EQ(Rec().m_strComment[0], "");
    EXPECT_EQ(Rec().m_dTargetSpeed, 10);
    EXPECT_TRUE(ShowsTheRecord());
    EXPECT_EQ(m_boxes.TakeTexts(), Strings(2, "Clear Previous Test Results?"));
    Record(1, 300);
    FanRunning(true);
    Key(Qt::Key_PageUp);
    EXPECT_EQ(Rec().m_dTargetSpeed, 15);
}

TEST_F(RunCommands, SetWindSpeedTruncatesConvertsAndClamps) {
    const struct {
        int bEnglish;
        double dMax;
        const char* pTyped;
        double dTarget;
    } cases[] = {
        // clang-format off
        {1, 80, "95", 80}, {1, 80, "12.9", 12}, {1, 80, "abc", 0}, {1, 80, " 7 mph", 7},
        {1, 74.5647, "77", 74}, {0, 120 * MPH_PER_KPH, "200", 74},  // whole mph of the maximum
        {0, 80, "100", 62.13727366498067}, {2, 80, "30", 30},  // any unit setting but 0: English
        {1, 80, "-5", 0}, {0, 80, "-20.5", 0}, {1, 80, "-1e999", 0},  // never a negative speed
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pTyped);
        Rec().m_bEnglish = c.bEnglish;
        Rec().m_dMaxSpeed = c.dMax;
        Rec().m_dTargetSpeed = 33;
        SetWind(c.pTyped);
        EXPECT_EQ(m_strShown, c.bEnglish ? "0 MPH" : "0 KPH");
        EXPECT_NEAR(Rec().m_dTargetSpeed, c.dTarget, 1e-9);
        EXPECT_TRUE(PollRunning());
    }
    Rec().m_dTargetSpeed = 33;
    SetWind("50", false);  // Cancel: the target stays and the poll stays stopped
    EXPECT_EQ(Rec().m_dTargetSpeed, 33);
    EXPECT_FALSE(PollRunning());
}

TEST_F(RunCommands, IncrementAndDecrementStepInTheUnitsShownHoldTheMaximumAndStopAtZero) {
    const double dStep[] = {10 * MPH_PER_KPH, 5};  // 10 km/h or 5 mph
    for (int bEnglish : {0, 1}) {
        Rec().m_bEnglish = bEnglish;
        Rec().m_dTargetSpeed = 0;
        for (Qt::Key key : {Qt::Key_PageUp, Qt::Key_PageUp, Qt::Key_PageDown})
            Key(key);
        EXPECT_NEAR(Rec().m_dTargetSpeed, dStep[bEnglish], 1e-9);
        EXPECT_TRUE(PollRunning());
    }
    Rec().m_dMaxSpeed = 120 * MPH_PER_KPH;  // 74.56 mph holds the target at 74
    Rec().m_dTargetSpeed = 72;
    Key(Qt::Key_PageUp);
    EXPECT_EQ(Rec().m_dTargetSpeed, 74);
    View().KillPollTimer();
    Sent();

    // Below zero: a stop. At rest it only asks the status, and the poll then commands zero.
    Rec().m_dTargetSpeed = 3;
    Key(Qt::Key_PageDown);
    EXPECT_EQ(Sent(), Strings{"S"});
    EXPECT_EQ(Rec().m_dTargetSpeed, 0);
    View().OnTimer();
    EXPECT_EQ(Sent(), (Strings{"S", "W0<CR>", "R"}));
    FanRunning(true);  // turning: the stop is sent and followed
    Rec().m_dTargetSpeed = Rec().m_dCommandSpeed = 3;
    Key(Qt::Key_PageDown);
    EXPECT_EQ(Sent(), (Strings{"S", "C", "O"}));
    EXPECT_EQ(Rec().m_dCommandSpeed, 0);
    EXPECT_EQ(thePort.m_bReturningToZero, 1);
    EXPECT_TRUE(PollRunning());
}

TEST_F(RunCommands, DoubleClickAsksForTheSpeedUnderThePointer) {
    DoubleClickAt(12.3);
    EXPECT_NEAR(Rec().m_dTargetSpeed, 12.3, 85.0 / (0.905 * Rec().m_rcClient.right));
    EXPECT_NEAR(Rec().m_dTargetSpeed * 10, std::round(Rec().m_dTargetSpeed * 10), 1e-9);  // tenths
    EXPECT_TRUE(PollRunning());
    // Beyond the maximum: the maximum in whole mph. Left of zero: zero.
    Rec().m_dMaxSpeed = 74.56;
    DoubleClickAt(84);
    EXPECT_EQ(Rec().m_dTargetSpeed, 74);
    Rec().m_dTargetSpeed = 33;
    DoubleClickAt(-0.5);
    EXPECT_EQ(Rec().m_dTargetSpeed, 0);
    // Metric: the scale is km/h (0 to 140), the height plays no part, the target is in mph.
    Rec().m_bEnglish = 0;
    Rec().m_dMaxSpeed = 80;
    Rec().ApplyUnitScales();
    View().RedrawAll();
    DoubleClickAt(100, 50);
    EXPECT_NEAR(Rec().m_dTargetSpeed, 100 * MPH_PER_KPH, 140.0 / (0.905 * Rec().m_rcClient.right));
}

TEST_F(RunCommands, StopWindOnAFanAtRestOrTurningAndWhileItRunsDown) {
    View().SetPollTimer();
    Rec().m_dTargetSpeed = Rec().m_dCommandSpeed = 19.5;
    Key(Qt::Key_S);  // at rest: the status is asked, the poll stops
    EXPECT_EQ(Sent(), Strings{"S"});
    EXPECT_FALSE(PollRunning());
    EXPECT_EQ(Rec().m_dCommandSpeed, 0);

    // Turning: "C", then "O"; the poll follows the fan down with the smoothing reset.
    FanRunning(true);
    Rec().m_dTargetSpeed = Rec().m_dCommandSpeed = Rec().m_dFiltWind = 20;
    Key(Qt::Key_S);
    EXPECT_EQ(Sent(), (Strings{"S", "C", "O"}));
    EXPECT_EQ(thePort.m_bReturningToZero, 1);
    EXPECT_TRUE(PollRunning());
    EXPECT_EQ(Rec().m_dFiltWind, 0);
    // While it runs down a second Stop only asks, and speed commands too (no dialog comes up).
    for (Qt::Key key : {Qt::Key_S, Qt::Key_PageUp, Qt::Key_W})
        Key(key);
    EXPECT_EQ(Sent(), (Strings{"S", "S", "S"}));
    EXPECT_EQ(Rec().m_dTargetSpeed, 0);
    FanRunning(false);
    View().OnTimer();
    EXPECT_FALSE(PollRunning());
    Key(Qt::Key_PageUp);
    EXPECT_EQ(Rec().m_dTargetSpeed, 5);
}

TEST_F(RunCommands, AStopNeverSentIsNotWaitedForAndOneWhosePollWasHaltedIsFollowedToItsEnd) {
    // The panel locked, the operator cancels: "O" never goes, and the stop is sent again.
    FanRunning(true);
    m_line.m_nStatus |= STATUS_LOCKED;
    m_boxes.m_answers = {IDCANCEL};
    Key(Qt::Key_S);
    EXPECT_EQ(Sent(), Strings{"S"});
    EXPECT_EQ(thePort.m_bReturningToZero, 0);
    m_line.m_nStatus &= ~STATUS_LOCKED;
    thePort.m_bOnline = 1;
    View().OnTimer();
    EXPECT_EQ(Sent(), (Strings{"S", "W0<CR>", "R"}));
    // A stop's poll halted by such a Cancel: back on line, its next tick ends the stop.
    for (Qt::Key key : {Qt::Key_PageUp, Qt::Key_S}) {
        SCOPED_TRACE(key);
        FanRunning(true);
        Sent();
        Key(Qt::Key_S);
        EXPECT_EQ(Sent(), (Strings{"S", "C", "O"}));
        m_line.m_nStatus = STATUS_PLUGGED | STATUS_LOCKED;
        m_boxes.m_answers = {IDCANCEL};
        Key(key);
        EXPECT_FALSE(PollRunning());
        FanRunning(false);
        thePort.m_bOnline = 1;
        Sent();
        Key(key);
        EXPECT_EQ(Sent(), Strings{"S"});
        EXPECT_EQ(Rec().m_dTargetSpeed, 0);
        EXPECT_TRUE(PollRunning());
        View().OnTimer();
        EXPECT_EQ(thePort.m_bReturningToZero, 0);
        EXPECT_FALSE(PollRunning());
    }
    Key(Qt::Key_PageUp);
    EXPECT_EQ(Rec().m_dTargetSpeed, 5);
    EXPECT_EQ(m_boxes.TakeTexts(), Strings(3, "Control Panel is Locked!"));
}

}  // namespace

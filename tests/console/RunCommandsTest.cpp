// The run commands as the operator gives them: keys, toolbar buttons and the graph's double-click,
// on a main window whose link is a scripted controller.

#include <QToolBar>
#include <cmath>

#include "ConsoleTestSupport.h"
#include "app/Profile.h"

namespace {

constexpr unsigned EXCLAMATION_OK = MB_OK | MB_ICONEXCLAMATION;
constexpr unsigned QUESTION_YES_NO = MB_YESNO | MB_ICONQUESTION;
constexpr int RUNNING_STATUS = STATUS_PLUGGED;  // no "stopped" bit: the fan turns

class RunCommands : public CConsoleViewTest {
protected:
    // The controller reports the fan turning (or at rest), and the console last heard so.
    void FanRunning(bool bRunning) {
        m_line.m_nStatus = bRunning ? RUNNING_STATUS : STATUS_PLUGGED | STATUS_STOPPED;
        thePort.m_bRunning = bRunning ? 1 : 0;
    }
    // The device x of a wind speed on the graph's scale, by the page layout: the plot runs from
    // 80 to 985 thousandths of the width, and the scale from 0 to its displayed top.
    int XOfSpeed(double dSpeed) {
        const double dTop = DisplayedTop(Rec().m_axisWind);
        const double dWidth = Rec().m_rcClient.right;
        return static_cast<int>(std::lround(dWidth * (0.080 + 0.905 * dSpeed / dTop)));
    }
    void DoubleClickAt(int x) { QTest::mouseDClick(m_pView, Qt::LeftButton, {}, QPoint(x, 300)); }
};

TEST_F(RunCommands, LinkDownSpeedCommandsAreDisabledAndStopStillZeroesTheSpeeds) {
    Rec().m_dTargetSpeed = 12;
    Rec().m_dCommandSpeed = 11.5;
    View().SetPollTimer();  // ticks do nothing while the link is down; no command touches it
    const unsigned nTimer = thePort.m_nPollTimer;
    m_boxes.m_answers = {IDOK, IDOK, IDOK, IDOK};
    Key(Qt::Key_W);
    Key(Qt::Key_PageUp);
    Key(Qt::Key_PageDown);
    DoubleClickAt(XOfSpeed(40));
    EXPECT_EQ(Rec().m_dTargetSpeed, 12);
    EXPECT_EQ(Rec().m_dCommandSpeed, 11.5);
    EXPECT_EQ(thePort.m_nPollTimer, nTimer);

    m_boxes.m_answers = {IDOK};
    Key(Qt::Key_S);
    EXPECT_EQ(Rec().m_dTargetSpeed, 0);
    EXPECT_EQ(Rec().m_dCommandSpeed, 0);
    EXPECT_EQ(thePort.m_nPollTimer, nTimer);
    ASSERT_EQ(m_boxes.m_shown.size(), 5u);
    for (const auto& shown : m_boxes.m_shown) {
        EXPECT_EQ(shown.strText, "Command disabled!");
        EXPECT_EQ(shown.nType, EXCLAMATION_OK);
    }
    EXPECT_TRUE(m_line.m_writes.empty());
}

TEST_F(RunCommands, KeysMenuItemsAndToolbarButtonsReachTheirCommands) {
    Connect();
    QString strCaption;
    Dismiss(&strCaption);
    Key(Qt::Key_W);
    EXPECT_EQ(strCaption, "Wind Speed");
    Key(Qt::Key_PageUp);
    Key(Qt::Key_PageUp);
    EXPECT_EQ(Rec().m_dTargetSpeed, 10);
    Key(Qt::Key_PageDown);
    EXPECT_EQ(Rec().m_dTargetSpeed, 5);
    Key(Qt::Key_S);
    EXPECT_EQ(Rec().m_dTargetSpeed, 0);
    Rec().m_dTargetSpeed = 20;
    Key(Qt::Key_Home);
    EXPECT_EQ(Rec().m_dTargetSpeed, 0);

    Record({100});
    Key(Qt::Key_O);
    EXPECT_EQ(Rec().m_lift.m_dOverlay[100], 0.1);
    EXPECT_FALSE(Rec().IsRecorded(100));
    Record({100});
    Key(Qt::Key_C);
    EXPECT_FALSE(Rec().IsRecorded(100));
    EXPECT_EQ(Rec().m_lift.m_dOverlay[100], 0.1);
    m_pFrame->Action(ID_OVERLAY_CLEAR)->trigger();  // a menu item without a key
    EXPECT_EQ(Rec().m_lift.m_dOverlay[100], EMPTY_SLOT);

    Dismiss(&strCaption);
    Key(Qt::Key_E);
    EXPECT_EQ(strCaption, "Comments");
    Dismiss(&strCaption);
    Key(Qt::Key_A);
    EXPECT_EQ(strCaption, "Axis");
    Dismiss(&strCaption);
    m_pFrame->Action(ID_CONFIGURE)->trigger();
    EXPECT_EQ(strCaption, "Test Configuration");

    // The two run buttons of the toolbar.
    QWidget* pSetWind = m_pFrame->m_wndToolBar->widgetForAction(m_pFrame->Action(ID_SET_WIND));
    QWidget* pStop = m_pFrame->m_wndToolBar->widgetForAction(m_pFrame->Action(ID_STOP_WIND));
    ASSERT_TRUE(pSetWind && pStop);
    AnswerWindSpeed(QStringLiteral("25"), true);
    QTest::mouseClick(pSetWind, Qt::LeftButton);
    EXPECT_EQ(Rec().m_dTargetSpeed, 25);
    QTest::mouseClick(pStop, Qt::LeftButton);
    EXPECT_EQ(Rec().m_dTargetSpeed, 0);
    EXPECT_TRUE(m_modal.Done());
    EXPECT_TRUE(m_boxes.m_shown.empty());
}

TEST_F(RunCommands, ClearPreviousResultsIsAskedOnlyWhenTheFanRestsAndResultsAreInView) {
    Connect();
    RecordRange(1, 300);
    Rec().m_strComment[0] = "first run";
    View().SetPollTimer();

    // No: the test stays, the command goes on.
    m_boxes.m_answers = {IDNO};
    Key(Qt::Key_PageUp);
    ASSERT_EQ(m_boxes.m_shown.size(), 1u);
    EXPECT_EQ(m_boxes.m_shown[0].strText, "Clear Previous Test Results?");
    EXPECT_EQ(m_boxes.m_shown[0].nType, QUESTION_YES_NO);
    EXPECT_TRUE(Rec().IsRecorded(150));
    EXPECT_EQ(Rec().m_dTargetSpeed, 5);
    EXPECT_TRUE(PollRunning());

    // Yes: curves and comments go, and the window shows it.
    m_boxes.m_answers = {IDYES};
    Key(Qt::Key_PageUp);
    EXPECT_EQ(m_boxes.m_shown.size(), 2u);
    for (int i = 1; i <= 300; ++i) {
        ASSERT_FALSE(Rec().IsRecorded(i)) << i;
    }
    EXPECT_EQ(Rec().m_lift.m_dValue[0], 0.0);
    EXPECT_EQ(Rec().m_strComment[0], "");
    EXPECT_EQ(Rec().m_dTargetSpeed, 10);
    EXPECT_TRUE(PollRunning());
    EXPECT_TRUE(PictureIsCurrent());

    // Not asked: the fan turns; the results lie above the scale's top (85 mph: slots to 849);
    // only slot 0 holds a point.
    m_boxes.m_shown.clear();
    RecordRange(1, 300);
    FanRunning(true);
    Key(Qt::Key_PageUp);
    FanRunning(false);
    Record({850, 900});
    for (int i = 1; i <= 300; ++i) {
        Rec().m_lift.m_dValue[i] = EMPTY_SLOT;
    }
    Key(Qt::Key_PageUp);
    Rec().m_lift.m_dValue[850] = Rec().m_lift.m_dValue[900] = EMPTY_SLOT;
    Key(Qt::Key_PageUp);
    EXPECT_TRUE(m_boxes.m_shown.empty());
    // Only just in view: slot 849.
    Record({849});
    m_boxes.m_answers = {IDNO};
    Key(Qt::Key_PageUp);
    EXPECT_EQ(m_boxes.TakeTexts(), Strings{"Clear Previous Test Results?"});
}

TEST_F(RunCommands, SetWindSpeedConvertsClampsAndStartsThePoll) {
    Connect();
    struct Case {
        int bEnglish;
        double dMax;
        const char* pTyped;
        double dTarget;
    };
    const Case cases[] = {
        {1, 80.0, "95", 80.0},
        {1, 80.0, "12.9", 12.0},
        {1, 74.5647, "77", 74.0},  // the maximum counts in whole mph
        {0, 80.0, "100", 62.13727366498067},
        {0, 80.0, "150", 80.0},
        {0, 120 * 0.6213727366498067, "200", 74.0},
        {1, 80.0, "abc", 0.0},
        {1, 80.0, " 7 mph", 7.0},
        // Never below zero: a negative speed is no command for a fan.
        {1, 80.0, "-5", 0.0},
        {0, 80.0, "-20.5", 0.0},
        {1, 80.0, "-1e999", 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pTyped);
        Rec().m_bEnglish = c.bEnglish;
        Rec().m_dMaxSpeed = c.dMax;
        Rec().m_dTargetSpeed = 33;
        QString strShown, strUnit;
        AnswerWindSpeed(QString::fromLatin1(c.pTyped), true, &strShown, &strUnit);
        Key(Qt::Key_W);
        EXPECT_EQ(strShown, "0");
        EXPECT_EQ(strUnit, c.bEnglish ? "MPH" : "KPH");
        EXPECT_NEAR(Rec().m_dTargetSpeed, c.dTarget, 1e-12);
        EXPECT_GE(Rec().m_dTargetSpeed, 0.0);
        EXPECT_TRUE(PollRunning());
    }

    // Cancel: the target stays and the poll stays stopped.
    Rec().m_bEnglish = 1;
    Rec().m_dTargetSpeed = 33;
    AnswerWindSpeed(QStringLiteral("50"), false);
    Key(Qt::Key_W);
    EXPECT_EQ(Rec().m_dTargetSpeed, 33);
    EXPECT_FALSE(PollRunning());

    // A unit setting other than 0 or 1 (a hand-written profile) means English, and the dialog
    // says so: the number is taken in mph.
    Rec().m_bEnglish = 2;
    QString strUnit;
    AnswerWindSpeed(QStringLiteral("30"), true, nullptr, &strUnit);
    Key(Qt::Key_W);
    EXPECT_EQ(strUnit, "MPH");
    EXPECT_EQ(Rec().m_dTargetSpeed, 30);
    EXPECT_TRUE(m_boxes.m_shown.empty());
}

TEST_F(RunCommands, IncrementAndDecrementStepInTheUnitsShownAndHoldTheMaximum) {
    Connect();
    Key(Qt::Key_PageUp);
    Key(Qt::Key_PageUp);
    EXPECT_EQ(Rec().m_dTargetSpeed, 10);
    Key(Qt::Key_PageDown);
    EXPECT_EQ(Rec().m_dTargetSpeed, 5);
    EXPECT_TRUE(PollRunning());
    Rec().m_dTargetSpeed = 78;
    Key(Qt::Key_PageUp);
    EXPECT_EQ(Rec().m_dTargetSpeed, 80);

    // Metric: 10 km/h a step.
    Rec().m_bEnglish = 0;
    Rec().m_dTargetSpeed = 0;
    Key(Qt::Key_PageUp);
    EXPECT_NEAR(Rec().m_dTargetSpeed * 1.60934, 10.0, 1e-4);
    Key(Qt::Key_PageUp);
    EXPECT_NEAR(Rec().m_dTargetSpeed * 1.60934, 20.0, 1e-4);
    Key(Qt::Key_PageDown);
    EXPECT_NEAR(Rec().m_dTargetSpeed * 1.60934, 10.0, 1e-4);
    // A maximum of 120 km/h (74.56 mph) holds the target at 74 mph.
    Rec().m_dMaxSpeed = 120 * 0.6213727366498067;
    Rec().m_dTargetSpeed = 72;
    Key(Qt::Key_PageUp);
    EXPECT_EQ(Rec().m_dTargetSpeed, 74);
    EXPECT_TRUE(m_boxes.m_shown.empty());
}

TEST_F(RunCommands, DecrementBelowZeroStopsTheWind) {
    Connect();
    // The fan at rest: the stop only asks the status; the poll then commands zero.
    Rec().m_dTargetSpeed = 3;
    Key(Qt::Key_PageDown);
    EXPECT_EQ(Sent(), Strings{"S"});
    EXPECT_EQ(Rec().m_dTargetSpeed, 0);
    EXPECT_EQ(thePort.m_bReturningToZero, 0);
    EXPECT_TRUE(PollRunning());
    View().OnTimer();
    EXPECT_EQ(Sent(), (Strings{"S", "W0<CR>", "R"}));

    // The fan turning: the stop is sent and followed.
    FanRunning(true);
    Rec().m_dTargetSpeed = 3;
    Rec().m_dCommandSpeed = 3;
    Key(Qt::Key_PageDown);
    EXPECT_EQ(Sent(), (Strings{"S", "C", "O"}));
    EXPECT_EQ(Rec().m_dTargetSpeed, 0);
    EXPECT_EQ(Rec().m_dCommandSpeed, 0);
    EXPECT_EQ(thePort.m_bReturningToZero, 1);
    EXPECT_TRUE(PollRunning());
    EXPECT_TRUE(m_boxes.m_shown.empty());
}

TEST_F(RunCommands, DoubleClickAsksForTheSpeedUnderThePointer) {
    Connect();
    DoubleClickAt(XOfSpeed(40));
    const double dOnePixel = 85.0 / (0.905 * Rec().m_rcClient.right);
    EXPECT_NEAR(Rec().m_dTargetSpeed, 40, dOnePixel);
    // Tenths are kept.
    EXPECT_NEAR(Rec().m_dTargetSpeed * 10, std::round(Rec().m_dTargetSpeed * 10), 1e-9);
    EXPECT_TRUE(PollRunning());
    DoubleClickAt(XOfSpeed(12.3));
    EXPECT_NEAR(Rec().m_dTargetSpeed, 12.3, dOnePixel);
    EXPECT_NE(Rec().m_dTargetSpeed, std::trunc(Rec().m_dTargetSpeed));

    // Beyond the maximum: the maximum in whole mph. Left of zero: zero, never a negative speed.
    Rec().m_dMaxSpeed = 74.56;
    DoubleClickAt(XOfSpeed(84));
    EXPECT_EQ(Rec().m_dTargetSpeed, 74);
    DoubleClickAt(XOfSpeed(-5));
    EXPECT_EQ(Rec().m_dTargetSpeed, 0);
    DoubleClickAt(XOfSpeed(0) - 1);
    EXPECT_EQ(Rec().m_dTargetSpeed, 0);

    // Metric: the scale is km/h (0 to 140); the target is held in mph.
    Rec().m_bEnglish = 0;
    Rec().m_dMaxSpeed = 80;
    Rec().ApplyUnitScales();
    View().RedrawAll();
    DoubleClickAt(XOfSpeed(100));
    EXPECT_NEAR(Rec().m_dTargetSpeed / 0.6213727366498067, 100,
                140.0 / (0.905 * Rec().m_rcClient.right));
    // The vertical position plays no part.
    const double dTarget = Rec().m_dTargetSpeed;
    QTest::mouseDClick(m_pView, Qt::LeftButton, {}, QPoint(XOfSpeed(100), 50));
    EXPECT_EQ(Rec().m_dTargetSpeed, dTarget);
    EXPECT_TRUE(m_boxes.m_shown.empty());
}

TEST_F(RunCommands, StopWindOnAFanAtRestOrTurning) {
    Connect();
    // At rest: the status is asked, the poll stops.
    View().SetPollTimer();
    Rec().m_dTargetSpeed = 20;
    Rec().m_dCommandSpeed = 19.5;
    Key(Qt::Key_S);
    EXPECT_EQ(Sent(), Strings{"S"});
    EXPECT_FALSE(PollRunning());
    EXPECT_EQ(thePort.m_bReturningToZero, 0);
    EXPECT_EQ(Rec().m_dTargetSpeed, 0);
    EXPECT_EQ(Rec().m_dCommandSpeed, 0);

    // Turning: "C", the marker goes, "O", the poll follows the fan down with the smoothing reset.
    FanRunning(true);
    Rec().m_dTargetSpeed = 20;
    Rec().m_dCommandSpeed = 20;
    Rec().m_dFiltWind = 19.7;
    Rec().m_dFiltLift = 0.2;
    Rec().m_dFiltDrag = 0.05;
    Rec().m_nLastSlot = 197;
    Key(Qt::Key_S);
    EXPECT_EQ(Sent(), (Strings{"S", "C", "O"}));
    EXPECT_EQ(thePort.m_bReturningToZero, 1);
    EXPECT_TRUE(PollRunning());
    EXPECT_EQ(Rec().m_nLastSlot, 0);
    EXPECT_EQ(Rec().m_dFiltWind, 0);
    EXPECT_EQ(Rec().m_dFiltLift, 0);
    EXPECT_EQ(Rec().m_dFiltDrag, 0);
    EXPECT_EQ(Rec().m_dTargetSpeed, 0);

    // A second Stop while it runs down only asks; speed commands too.
    Key(Qt::Key_S);
    Key(Qt::Key_PageUp);
    Key(Qt::Key_W);  // no dialog comes up
    EXPECT_EQ(Sent(), (Strings{"S", "S", "S"}));
    EXPECT_EQ(Rec().m_dTargetSpeed, 0);

    // The poll: "Returning Wind speed to Zero" while the fan turns, then "Wind speed is Zero".
    View().OnTimer();
    EXPECT_EQ(StatusText(), "Returning Wind speed to Zero");
    EXPECT_EQ(Sent(), Strings{"S"});
    FanRunning(false);
    View().OnTimer();
    EXPECT_EQ(StatusText(), "Wind speed is Zero");
    EXPECT_FALSE(PollRunning());
    EXPECT_EQ(thePort.m_bReturningToZero, 0);
    Key(Qt::Key_PageUp);
    EXPECT_EQ(Rec().m_dTargetSpeed, 5);
    EXPECT_TRUE(m_boxes.m_shown.empty());
}

TEST_F(RunCommands, AStopThatNeverReachedTheControllerIsNotWaitedFor) {
    Connect();
    // The panel is locked; the operator cancels, so the link is down and nothing can be sent.
    FanRunning(true);
    m_line.m_nStatus |= STATUS_LOCKED;
    Rec().m_dTargetSpeed = 20;
    m_boxes.m_answers = {IDCANCEL};
    Key(Qt::Key_S);
    EXPECT_EQ(m_boxes.TakeTexts(), Strings{"Control Panel is Locked!"});
    EXPECT_EQ(Sent(), Strings{"S"});
    EXPECT_EQ(thePort.m_bOnline, 0);
    EXPECT_EQ(thePort.m_bReturningToZero, 0);
    EXPECT_EQ(Rec().m_dTargetSpeed, 0);

    // Back on line (the COM Port command): the poll commands zero, and Stop Wind sends the stop.
    m_line.m_nStatus &= ~STATUS_LOCKED;
    thePort.m_bOnline = 1;
    View().OnTimer();
    EXPECT_EQ(Sent(), (Strings{"S", "W0<CR>", "R"}));
    Key(Qt::Key_S);
    EXPECT_EQ(Sent(), (Strings{"S", "C", "O"}));
    EXPECT_EQ(thePort.m_bReturningToZero, 1);
}

TEST_F(RunCommands, AStopWhosePollWasHaltedIsFollowedToItsEnd) {
    Connect();
    FanRunning(true);
    Key(Qt::Key_S);
    ASSERT_EQ(thePort.m_bReturningToZero, 1);
    // While the fan runs down the panel is locked; a speed command's status query says so, the
    // operator cancels: the link goes down and the poll halts with the stop still in progress.
    m_line.m_nStatus = RUNNING_STATUS | STATUS_LOCKED;
    m_boxes.m_answers = {IDCANCEL};
    Key(Qt::Key_PageUp);
    EXPECT_EQ(m_boxes.TakeTexts(), Strings{"Control Panel is Locked!"});
    EXPECT_FALSE(PollRunning());
    EXPECT_EQ(thePort.m_bReturningToZero, 1);

    // Unlocked, the fan stopped, back on line (the COM Port command). A speed command is still
    // refused, but the poll runs again and its next tick ends the stop; then speeds are taken.
    m_line.m_nStatus = STATUS_PLUGGED | STATUS_STOPPED;
    thePort.m_bOnline = 1;
    Sent();
    Key(Qt::Key_PageUp);
    EXPECT_EQ(Sent(), Strings{"S"});
    EXPECT_EQ(Rec().m_dTargetSpeed, 0);
    EXPECT_TRUE(PollRunning());
    View().OnTimer();
    EXPECT_EQ(StatusText(), "Wind speed is Zero");
    EXPECT_EQ(thePort.m_bReturningToZero, 0);
    EXPECT_FALSE(PollRunning());
    Key(Qt::Key_PageUp);
    EXPECT_EQ(Rec().m_dTargetSpeed, 5);

    // The same halt through Stop Wind's own status query, and its end through Stop Wind.
    FanRunning(true);
    Key(Qt::Key_S);
    ASSERT_EQ(thePort.m_bReturningToZero, 1);
    m_line.m_nStatus = RUNNING_STATUS | STATUS_LOCKED;
    m_boxes.m_answers = {IDCANCEL};
    Key(Qt::Key_S);
    EXPECT_FALSE(PollRunning());
    EXPECT_EQ(thePort.m_bReturningToZero, 1);
    m_line.m_nStatus = STATUS_PLUGGED | STATUS_STOPPED;
    thePort.m_bOnline = 1;
    Key(Qt::Key_S);
    EXPECT_TRUE(PollRunning());
    View().OnTimer();
    EXPECT_EQ(thePort.m_bReturningToZero, 0);
    EXPECT_FALSE(PollRunning());
    EXPECT_EQ(m_boxes.TakeTexts(), Strings{"Control Panel is Locked!"});
}

TEST_F(RunCommands, ClearGraphAndOverlayWorkAtAnyTimeAndRedraw) {
    // Link down, poll running: neither is touched.
    View().SetPollTimer();
    const unsigned nTimer = thePort.m_nPollTimer;
    RecordRange(100, 200);
    Rec().m_lift.m_dOverlay[50] = 0.3;
    Rec().m_strComment[7] = "from a file";
    Key(Qt::Key_C);
    for (int i = 100; i <= 200; ++i) {
        ASSERT_FALSE(Rec().IsRecorded(i));
    }
    EXPECT_EQ(Rec().m_lift.m_dValue[0], 0.0);
    EXPECT_EQ(Rec().m_strComment[7], "");
    EXPECT_EQ(Rec().m_lift.m_dOverlay[50], 0.3);
    EXPECT_EQ(thePort.m_nPollTimer, nTimer);
    EXPECT_TRUE(PictureIsCurrent());

    // Overlay Set moves the test over, slot 0 included; a second one replaces it.
    RecordRange(100, 200);
    Key(Qt::Key_O);
    EXPECT_EQ(Rec().m_lift.m_dOverlay[150], 0.15);
    EXPECT_EQ(Rec().m_drag.m_dOverlay[150], 0.15 / 4);
    EXPECT_EQ(Rec().m_lift.m_dOverlay[0], 0.0);
    EXPECT_EQ(Rec().m_lift.m_dOverlay[50], EMPTY_SLOT);
    EXPECT_FALSE(Rec().IsRecorded(0));
    EXPECT_FALSE(Rec().IsRecorded(150));
    EXPECT_TRUE(PlotIsCurrent());
    RecordRange(300, 310);
    Key(Qt::Key_O);
    EXPECT_EQ(Rec().m_lift.m_dOverlay[150], EMPTY_SLOT);
    EXPECT_EQ(Rec().m_lift.m_dOverlay[305], 0.305);
    EXPECT_TRUE(PlotIsCurrent());

    m_pFrame->Action(ID_OVERLAY_CLEAR)->trigger();
    for (int i = 0; i < SLOT_COUNT; ++i) {
        ASSERT_EQ(Rec().m_lift.m_dOverlay[i], EMPTY_SLOT);
        ASSERT_EQ(Rec().m_cd.m_dOverlay[i], EMPTY_SLOT);
    }
    EXPECT_TRUE(PlotIsCurrent());
    EXPECT_EQ(thePort.m_nPollTimer, nTimer);
    EXPECT_TRUE(m_line.m_writes.empty());
}

}  // namespace

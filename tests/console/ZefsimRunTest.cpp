// A whole test on the tunnel emulator, from the console's own commands and dialogs.

#include "ConsoleHarness.h"
#include "Zefsim.h"

namespace {

using ZefsimRun = CConsoleTest;

TEST_F(ZefsimRun, AWholeTestRunsSavesReopensAndBecomesTheOverlay) {
    if (!CZefsim::Available())
        GTEST_SKIP() << "zefsim is not built";
    // A quick fan, answering at once, on the port start-up opens.
    CZefsim sim({"--no-pacing", "--tau", "0.3"});
    ASSERT_TRUE(sim.IsRunning());
    thePort.SetDeviceFactory({});
    Start("[System]\r\nCOM Port=1\r\n[Ports]\r\nCOM1=" + sim.Device() + "\r\n");
    const auto& lift = Rec().m_lift.m_dValue;
    auto recorded = [&] {
        return LAST_SLOT - std::count(lift.begin() + 1, lift.end(), EMPTY_SLOT);
    };
    Answer<CWindSpeedDlg>([](CWindSpeedDlg& dlg) {
        dlg.m_pSpeed->setText(QStringLiteral("15"));
        OK(dlg);
    });
    Key(Qt::Key_W);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Rec().m_dFiltWind > 13; }, 30000));
    EXPECT_GT(recorded(), 15);  // the sweep is on the graph
    Key(Qt::Key_S);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !PollRunning(); }, 30000));  // the fan has run down

    // A comment, Save As, Clear, then Open: the same test again, to the file's six decimals.
    Answer<CCommentsDlg>([](CCommentsDlg& dlg) {
        QTest::keyClicks(dlg.m_pLine[0], QStringLiteral("Flat plate, 15 mph"));
        OK(dlg);
    });
    Key(Qt::Key_E);
    ChooseFile("flat-plate");
    Key(Qt::Key_S, Qt::ControlModifier);
    const TestRecord run = Rec();
    Key(Qt::Key_C);
    ASSERT_EQ(recorded(), 0);
    ChooseFile("flat-plate");
    Key(Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(Rec().m_strComment, run.m_strComment);
    for (int i = 1; i < SLOT_COUNT; ++i) {
        ASSERT_NEAR(lift[i], run.m_lift.m_dValue[i], 5e-7) << i;
        ASSERT_NEAR(Rec().m_drag.m_dValue[i], run.m_drag.m_dValue[i], 5e-7) << i;
    }
    EXPECT_TRUE(ShowsTheRecord());
    EXPECT_EQ(Frame().windowTitle(), "Zefron");  // whatever file is open

    // Overlay Set: the reopened test becomes the overlay, ready for the next run.
    const TestRecord reopened = Rec();
    Key(Qt::Key_O);
    EXPECT_EQ(Rec().m_lift.m_dOverlay, reopened.m_lift.m_dValue);
    EXPECT_EQ(Rec().m_drag.m_dOverlay, reopened.m_drag.m_dValue);
    EXPECT_EQ(recorded(), 0);
    EXPECT_TRUE(ShowsTheRecord(true));
    theApp.ExitInstance();  // before the emulator goes
}

}  // namespace

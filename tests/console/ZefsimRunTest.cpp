// A whole test on the tunnel emulator, from the console's own commands and dialogs.

#include "ConsoleHarness.h"
#include "Zefsim.h"

namespace {

class ZefsimRun : public CConsoleTest {
protected:
    void SetUp() override {
        if (!CZefsim::Available())
            GTEST_SKIP() << "zefsim is not built";
        CConsoleTest::SetUp();
        // A quick fan, answering at once, on the port start-up opens.
        m_pSim = std::make_unique<CZefsim>(std::vector<std::string>{"--no-pacing", "--tau", "0.3"});
        ASSERT_TRUE(m_pSim->IsRunning());
        thePort.SetDeviceFactory({});
        Start("[System]\r\nCOM Port=1\r\n[Ports]\r\nCOM1=" + m_pSim->Device() + "\r\n");
    }
    void TearDown() override {
        CConsoleTest::TearDown();
        m_pSim.reset();
    }

    std::unique_ptr<CZefsim> m_pSim;
};

TEST_F(ZefsimRun, AWholeTestRunsSavesReopensAndBecomesTheOverlay) {
    Answer<CWindSpeedDlg>([](CWindSpeedDlg& dlg) {
        dlg.m_pSpeed->setText(QStringLiteral("15"));
        OK(dlg);
    });
    Key(Qt::Key_W);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Rec().m_dFiltWind > 13; }, 30000));
    const int nLast = Rec().m_nLastSlot;
    int nRecorded = 0;
    for (int i = 1; i <= nLast; ++i)
        nRecorded += Rec().IsRecorded(i);
    EXPECT_GT(nRecorded, 15);  // the sweep is on the graph
    // Stop: "O", then only the status until the fan has run down.
    Key(Qt::Key_S);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !PollRunning(); }, 30000));
    const Strings log = m_pSim->Log();
    const auto itStop = std::find(log.begin(), log.end(), "O");
    ASSERT_NE(itStop, log.end());
    EXPECT_EQ(std::count(itStop + 1, log.end(), "S"), log.end() - itStop - 1);

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
    ASSERT_FALSE(Rec().IsRecorded(nLast));
    ChooseFile("flat-plate");
    Key(Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(Rec().m_strComment, run.m_strComment);
    for (int i = 1; i < SLOT_COUNT; ++i) {
        ASSERT_EQ(Rec().IsRecorded(i), run.IsRecorded(i)) << i;
        if (run.IsRecorded(i)) {
            ASSERT_NEAR(Rec().m_lift.m_dValue[i], run.m_lift.m_dValue[i], 5e-7) << i;
            ASSERT_NEAR(Rec().m_drag.m_dValue[i], run.m_drag.m_dValue[i], 5e-7) << i;
        }
    }
    EXPECT_TRUE(ShowsTheRecord());

    // Overlay Set: the reopened test becomes the overlay, ready for the next run.
    const TestRecord reopened = Rec();
    Key(Qt::Key_O);
    EXPECT_EQ(Rec().m_lift.m_dOverlay, reopened.m_lift.m_dValue);
    EXPECT_EQ(Rec().m_drag.m_dOverlay, reopened.m_drag.m_dValue);
    EXPECT_EQ(std::count(Rec().m_lift.m_dValue.begin(), Rec().m_lift.m_dValue.end(), EMPTY_SLOT),
              SLOT_COUNT);
    EXPECT_TRUE(ShowsTheRecord(true));
}

}  // namespace

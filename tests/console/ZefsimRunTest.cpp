// A whole test on the tunnel emulator, from the console's own commands and dialogs; and the
// window at the screen's scale.

#include <QtPrintSupport>

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
    // The unsaved run reaches its copy on the console's own clock while the fan still runs.
    EXPECT_TRUE(QTest::qWaitFor([] { return QFileInfo::exists(theApp.m_recovery.Path()); }, 5000));
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

// The window at the screen's scale (the suite also runs this at 1.25, 1.5 and 2 device pixels to
// the pixel): it starts and paints, a run draws live and ends whole, a resize draws it again, and
// Ctrl+P prints it.
TEST_F(ZefsimRun, TheWindowPaintsRunsResizesAndPrintsAtTheScreensScale) {
    if (!CZefsim::Available())
        GTEST_SKIP() << "zefsim is not built";
    CZefsim sim({"--no-pacing", "--tau", "0.3"});
    ASSERT_TRUE(sim.IsRunning());
    thePort.SetDeviceFactory({});
    Start("[System]\r\nCOM Port=1\r\n[Ports]\r\nCOM1=" + sim.Device() + "\r\n");
    const double dRatio = qEnvironmentVariableIsSet("QT_SCALE_FACTOR")
                              ? qEnvironmentVariable("QT_SCALE_FACTOR").toDouble()
                              : 1.0;
    EXPECT_DOUBLE_EQ(View().devicePixelRatioF(), dRatio);
    auto fits = [this] {
        return View().Image().size() ==
               (QSizeF(View().size()) * View().devicePixelRatioF()).toSize();
    };
    EXPECT_TRUE(fits());
    EXPECT_TRUE(ShowsTheRecord());

    Answer<CWindSpeedDlg>([](CWindSpeedDlg& dlg) {
        dlg.m_pSpeed->setText(QStringLiteral("12"));
        OK(dlg);
    });
    Key(Qt::Key_W);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Rec().m_dFiltWind > 8; }, 30000));
    Key(Qt::Key_S);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !PollRunning(); }, 30000));
    EXPECT_EQ(Frame().MessageLabel()->text(), "Wind speed is Zero");
    EXPECT_TRUE(ShowsTheRecord(true));

    Frame().resize(Frame().size() - QSize(150, 100));
    ASSERT_TRUE(QTest::qWaitFor(fits, 5000));
    EXPECT_TRUE(ShowsTheRecord());

    const QString strPdf = m_dir.filePath(QStringLiteral("run.pdf"));
    theApp.Printer().setOutputFormat(QPrinter::PdfFormat);
    theApp.Printer().setOutputFileName(strPdf);
    Answer<QPrintDialog>([](QPrintDialog& dlg) { OK(dlg); });
    Key(Qt::Key_P, Qt::ControlModifier);
    const QString strPng = m_dir.filePath(QStringLiteral("run"));
    ASSERT_EQ(QProcess::execute("pdftoppm", {"-r", "20", "-png", "-singlefile", strPdf, strPng}),
              0);
    const QImage page(strPng + ".png");
    EXPECT_GT(page.width(), page.height());  // landscape
    EXPECT_LT(qGray(page.scaled(1, 1, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).pixel(0, 0)),
              250);
    theApp.ExitInstance();  // before the emulator goes
}

}  // namespace

// The console window at the screen's scale, running a test on the tunnel emulator.

#include <QtPrintSupport>

#include "ConsoleHarness.h"
#include "Zefsim.h"

namespace {

using ZefsimRun = CConsoleTest;

// The window at the screen's scale (the suite also runs this at 1.25, 1.5 and 2 device pixels to
// the pixel): it starts and paints, a run draws live and ends whole, a resize draws it again, and
// Ctrl+P prints it.
TEST_F(ZefsimRun, TheWindowPaintsRunsResizesAndPrintsAtTheScreensScale) {
    if (!CZefsim::Available())
        GTEST_SKIP() << "zefsim is not built";
    CZefsim sim({"--no-pacing", "--tau", "0.3"});
    ASSERT_TRUE(sim.IsRunning());
    m_port.SetDeviceFactory({});
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
    ASSERT_TRUE(QTest::qWaitFor([&] { return Poll().m_dFiltWind > 8; }, 30000));
    Key(Qt::Key_S);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !PollRunning(); }, 30000));
    EXPECT_EQ(Frame().MessageLabel()->text(), "Wind speed is Zero");
    EXPECT_TRUE(ShowsTheRecord(true));

    Frame().resize(Frame().size() - QSize(150, 100));
    ASSERT_TRUE(QTest::qWaitFor(fits, 5000));
    EXPECT_TRUE(ShowsTheRecord());

    const QString strPdf = m_dir.filePath(QStringLiteral("run.pdf"));
    App().Printer().setOutputFormat(QPrinter::PdfFormat);
    App().Printer().setOutputFileName(strPdf);
    Answer<QPrintDialog>([](QPrintDialog& dlg) { OK(dlg); });
    Key(Qt::Key_P, Qt::ControlModifier);
    const QString strPng = m_dir.filePath(QStringLiteral("run"));
    ASSERT_EQ(QProcess::execute("pdftoppm", {"-r", "20", "-png", "-singlefile", strPdf, strPng}),
              0);
    const QImage page(strPng + ".png");
    EXPECT_GT(page.width(), page.height());  // landscape
    EXPECT_LT(qGray(page.scaled(1, 1, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).pixel(0, 0)),
              250);
    App().ExitInstance();  // before the emulator goes
}

}  // namespace

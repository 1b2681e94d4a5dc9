// The window's picture at the screen's scale (the suite also runs these at 1.25, 1.5 and 2 device
// pixels to the pixel): a run on the tunnel emulator, paints held back while a tick holds the
// surface, a live run that shows what a full draw shows, and the printed page inside the paper's
// printable area.

#include <QtPrintSupport>

#include "ConsoleHarness.h"
#include "Zefsim.h"

namespace {

using WindowPaint = CStartedConsoleTest;
using ZefsimRun = CConsoleTest;

// It starts and paints, and a run draws live and ends whole.
TEST_F(ZefsimRun, TheWindowPaintsAndRunsAtTheScreensScale) {
    if (!CZefsim::Available())
        GTEST_SKIP() << "zefsim is not built";
    CZefsim sim({"--no-pacing", "--tau", "0.3"});
    ASSERT_TRUE(sim.IsRunning());
    m_port.SetDeviceFactory({});
    Start("[System]\r\nCOM Port=1\r\n[Ports]\r\nCOM1=" + sim.Device() + "\r\n");
    EXPECT_DOUBLE_EQ(View().devicePixelRatioF(),
                     qEnvironmentVariableIsSet("QT_SCALE_FACTOR")
                         ? qEnvironmentVariable("QT_SCALE_FACTOR").toDouble()
                         : 1.0);
    EXPECT_TRUE(ImageFits());
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
    App().ExitInstance();  // before the emulator goes
}

// A tick lets go of the window's image between its drawings, so that a resize while it awaits
// the controller is drawn at once, whole and at the new size.
TEST_F(WindowPaint, AResizeDuringATickIsDrawnAtOnce) {
    Record(1, 300);
    View().RedrawAll();
    const QSize before = View().size();
    View().TickDrawing();
    Frame().resize(Frame().size() - QSize(120, 90));
    ASSERT_TRUE(QTest::qWaitFor([&] { return View().size() != before; }, 3000));
    View().repaint();
    EXPECT_TRUE(ImageFits());
    EXPECT_TRUE(ShowsTheRecord());
    View().EndTick();
}

// A run drawn live over the same test as overlay shows what a full draw shows, the marker gone
// with the stop; the tick that finds the fan at rest keeps the status line's words.
TEST_F(WindowPaint, ALiveRunOverTheSameTestAsOverlayShowsWhatAFullDrawShows) {
    Record(1, 400);
    Rec().SetOverlay();
    View().RedrawPlot();
    auto record = [this](int i, int nMode) {
        Rec().RecordPoint(View().TickDrawing(), i / 1000.0, i / 4000.0, i * 0.1, nMode);
        View().EndTick();
    };
    for (int i = 1; i <= 400; i += 3)
        record(i, RECORD_READING);
    record(0, RECORD_STOP);
    EXPECT_TRUE(ShowsTheRecord());
    for (const bool bStopped : {true, false}) {
        m_port.m_bOnline = m_port.m_bReturningToZero = 1;
        m_line.m_nStatus = bStopped ? m_line.m_nStatus : STATUS_PLUGGED;
        View().OnTimer();  // the controller says whether the fan has stopped
        EXPECT_EQ(m_port.m_bReturningToZero, bStopped ? 0 : 1);
        EXPECT_EQ(Frame().MessageLabel()->text(),
                  bStopped ? "Wind speed is Zero" : "Returning Wind speed to Zero");
        if (bStopped) {
            EXPECT_TRUE(ShowsTheRecord());
        }
        record(100, RECORD_READING);
    }
}

// The printer starts in landscape for Print, Print Preview and Print Setup alike. On A4 and
// Letter, either way round, with every comment line full and wide, nothing is drawn outside the
// printable area (a pixel's blur allowed around it).
TEST_F(WindowPaint, PrintedTextStaysInsideThePrintableAreaOnA4AndLetterEitherWayRound) {
    EXPECT_EQ(App().Printer().pageLayout().orientation(), QPageLayout::Landscape);
    Record(1, 800);
    Rec().m_cd.m_bVisible = 1;
    Rec().SetCdRange(5);
    for (int i = 0; i < COMMENT_COUNT; ++i)
        Rec().m_strComment[i] = std::string(50, "MW"[i % 2]);
    for (const QPageSize::PageSizeId id : {QPageSize::A4, QPageSize::Letter}) {
        for (const auto orientation : {QPageLayout::Portrait, QPageLayout::Landscape}) {
            SCOPED_TRACE(QPageSize::name(id).toStdString() + " " + std::to_string(orientation));
            const QString strPdf = m_dir.filePath(QStringLiteral("page.pdf"));
            QPrinter printer(QPrinter::HighResolution);
            printer.setOutputFileName(strPdf);
            printer.setPageLayout(QPageLayout(QPageSize(id), orientation,
                                              QMarginsF(12.7, 12.7, 12.7, 12.7),
                                              QPageLayout::Millimeter));
            View().PrintPage(printer);
            ASSERT_EQ(
                QProcess::execute("pdftoppm", {"-png", "-r", "50", "-singlefile", strPdf, strPdf}),
                0);
            const QImage page(strPdf + ".png");
            ASSERT_FALSE(page.isNull());
            const QPageLayout layout = printer.pageLayout();
            const double dScale = page.width() / layout.fullRect(QPageLayout::Point).width();
            const QRectF rcArea = layout.paintRect(QPageLayout::Point);
            const QRectF rcPrintable(rcArea.topLeft() * dScale, rcArea.size() * dScale);
            int nInk = 0, nOutside = 0;
            for (int y = 0; y < page.height(); ++y) {
                for (int x = 0; x < page.width(); ++x) {
                    const bool bInk = qGray(page.pixel(x, y)) < 160;
                    nInk += bInk;
                    nOutside +=
                        bInk && !rcPrintable.adjusted(-1, -1, 1, 1).contains(x + .5, y + .5);
                }
            }
            EXPECT_GT(nInk, 1000);
            EXPECT_EQ(nOutside, 0);
        }
    }
}

// Print to file starts at the file the last print went to, in this run and the next, while its
// folder is there; a print to file is written where the operator said.
TEST_F(WindowPaint, PrintToFileStartsAtTheFileLastPrintedTo) {
    QString strShown;
    auto PrintTo = [&](const QString& strPath) {
        Work<QPrintDialog>(ID_FILE_PRINT, [&](QPrintDialog& dlg) {
            auto* pPrinters = dlg.findChild<QComboBox*>(QStringLiteral("printers"));
            auto* pFile = dlg.findChild<QLineEdit*>(QStringLiteral("filename"));
            ASSERT_TRUE(pPrinters && pFile);
            pPrinters->setCurrentIndex(pPrinters->count() - 1);  // "Print to File (PDF)"
            strShown = pFile->text();
            pFile->setText(strPath);
            OK(dlg);
        });
        ASSERT_TRUE(QFileInfo(strPath).size() > 1000) << strPath.toStdString();
    };
    auto File = [this](const char* pName) { return m_files.filePath(QLatin1String(pName)); };
    PrintTo(File("first.pdf"));
    const QString strDefault = strShown;
    EXPECT_NE(strDefault, File("first.pdf"));
    PrintTo(File("second.pdf"));
    EXPECT_EQ(strShown, File("first.pdf"));
    // The next run starts at the last file, while its folder is there.
    auto NextRun = [this] {
        App().ExitInstance();
        ASSERT_TRUE(App().InitInstance());
    };
    ASSERT_TRUE(QDir(m_files.path()).mkdir(QStringLiteral("gone")));
    PrintTo(File("gone/third.pdf"));
    NextRun();
    PrintTo(File("fourth.pdf"));
    EXPECT_EQ(strShown, File("gone/third.pdf"));
    EXPECT_NE(ReadProfile().find("Print File=\"" + File("fourth.pdf").toStdString() + '"'),
              std::string::npos);
    PrintTo(File("gone/fifth.pdf"));
    ASSERT_TRUE(QDir(File("gone")).removeRecursively());
    NextRun();
    PrintTo(File("sixth.pdf"));
    EXPECT_EQ(strShown, strDefault);
}

}  // namespace

// The window's picture: paints held back while a tick holds the surface, the finished test drawn
// whole after a stop, and the printed page inside the paper's printable area.

#include <QtPrintSupport>

#include "ConsoleHarness.h"

namespace {

using WindowPaint = CStartedConsoleTest;

bool ImageFitsTheWindow(const CZEFView& view) {
    return view.Image().size() ==
           (QSizeF(view.size()) * view.devicePixelRatioF()).toSize().expandedTo(QSize(1, 1));
}

// A resize while a link box holds the tick's surface shows the old picture; once the box is
// cancelled (nothing drawn) the whole window is drawn anew.
TEST_F(WindowPaint, APaintHeldBackByATickHappensWhenTheTickEnds) {
    Record(1, 300);
    View().RedrawAll();
    const QSize before = View().size();
    View().TickDrawing();
    Frame().resize(Frame().size() - QSize(120, 90));
    ASSERT_TRUE(QTest::qWaitFor([&] { return View().size() != before; }, 3000));
    View().repaint();
    EXPECT_FALSE(ImageFitsTheWindow(View()));
    View().EndTick();
    EXPECT_TRUE(QTest::qWaitFor([this] { return ImageFitsTheWindow(View()); }, 3000));
    EXPECT_TRUE(ShowsTheRecord());
}

// A run drawn live over the same test as overlay cancels both curves, and on grid dots leaves
// pixels of neither colour; the tick that finds the fan at rest draws the plot whole, and the
// status line keeps the poll's words.
TEST_F(WindowPaint, AFinishedStopShowsTheTestWholeAndKeepsTheStatusLine) {
    Record(1, 400);
    Rec().SetOverlay();
    View().RedrawPlot();
    for (int i = 1; i <= 400; i += 3) {
        Rec().RecordPoint(View().TickDrawing(), i / 1000.0, i / 4000.0, i * 0.1, RECORD_READING);
        View().EndTick();
    }
    ASSERT_FALSE(ShowsTheRecord(true));  // what the live updates leave
    thePort.m_bOnline = thePort.m_bReturningToZero = 1;
    View().OnTimer();  // the controller says the fan has stopped
    EXPECT_EQ(thePort.m_bReturningToZero, 0);
    EXPECT_EQ(Frame().MessageLabel()->text(), "Wind speed is Zero");
    EXPECT_TRUE(ShowsTheRecord(true));
    // While the fan still turns nothing is drawn again.
    Rec().RecordPoint(View().TickDrawing(), 0.2, 0.05, 10, RECORD_READING);
    View().EndTick();
    thePort.m_bReturningToZero = 1;
    m_line.m_nStatus = STATUS_PLUGGED;
    View().OnTimer();
    EXPECT_EQ(Frame().MessageLabel()->text(), "Returning Wind speed to Zero");
    EXPECT_FALSE(ShowsTheRecord(true));
}

// The printer starts in landscape for Print, Print Preview and Print Setup alike. On A4 and
// Letter, either way round, with every comment line full and wide, nothing is drawn outside the
// printable area.
TEST_F(WindowPaint, PrintedTextStaysInsideThePrintableAreaOnA4AndLetterEitherWayRound) {
    EXPECT_EQ(theApp.Printer().pageLayout().orientation(), QPageLayout::Landscape);
    Record(1, 800);
    Rec().m_cd.m_bVisible = 1;
    Rec().SetCdRange(5);
    for (int i = 0; i < COMMENT_COUNT; ++i)
        Rec().m_strComment[i] = std::string(50, i % 2 ? 'W' : 'M');
    constexpr int DPI = 50;
    for (const QPageSize::PageSizeId id : {QPageSize::A4, QPageSize::Letter}) {
        for (const auto orientation : {QPageLayout::Portrait, QPageLayout::Landscape}) {
            SCOPED_TRACE(QPageSize::name(id).toStdString() +
                         (orientation == QPageLayout::Portrait ? " portrait" : " landscape"));
            const QString strPdf = m_dir.filePath(QStringLiteral("page.pdf"));
            QPrinter printer(QPrinter::HighResolution);
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(strPdf);
            printer.setPageSize(QPageSize(id));
            printer.setPageOrientation(orientation);
            printer.setPageMargins(QMarginsF(12.7, 12.7, 12.7, 12.7), QPageLayout::Millimeter);
            View().PrintPage(printer);
            const QString strPng = m_dir.filePath(QStringLiteral("page"));
            ASSERT_EQ(QProcess::execute("pdftoppm", {"-r", QString::number(DPI), "-png",
                                                     "-singlefile", strPdf, strPng}),
                      0);
            const QImage page(strPng + ".png");
            ASSERT_FALSE(page.isNull());
            // The printable area in the picture's pixels, a pixel's blur allowed around it.
            const QPageLayout layout = printer.pageLayout();
            const double dScale = page.width() / layout.fullRect(QPageLayout::Point).width();
            const QRectF rcArea = layout.paintRect(QPageLayout::Point);
            const QRectF rcPrintable(rcArea.topLeft() * dScale, rcArea.size() * dScale);
            int nInk = 0, nOutside = 0;
            for (int y = 0; y < page.height(); ++y) {
                for (int x = 0; x < page.width(); ++x) {
                    if (qGray(page.pixel(x, y)) < 160) {
                        ++nInk;
                        nOutside += !rcPrintable.adjusted(-1, -1, 1, 1).contains(x + 0.5, y + 0.5);
                    }
                }
            }
            EXPECT_GT(nInk, 1000);
            EXPECT_EQ(nOutside, 0);
        }
    }
}

}  // namespace

// The printed page inside the paper's printable area.

#include <QtPrintSupport>

#include "ConsoleHarness.h"

namespace {

using WindowPaint = CStartedConsoleTest;

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

// The passes that draw the whole graph, and drawing it into files.
#include <gtest/gtest.h>

#include <QFile>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QStandardPaths>
#include <QSvgRenderer>
#include <QTemporaryDir>

#include "GraphTestSupport.h"
#include "graph/GraphRender.h"

namespace {

constexpr COLORREF RED = RGB(255, 0, 0);

// A test with lift and drag curves, an overlay and a comment.
TestRecord SampleTest(int bEnglish = 1) {
    TestRecord rec = FreshRecord(bEnglish);
    for (int j = 0; j <= 800; j += 20) {
        rec.m_lift.m_dValue[j] = j * j * 1.2e-6;
        rec.m_drag.m_dValue[j] = j * j * 0.3e-6;
        rec.m_lift.m_dOverlay[j] = j * j * 1.0e-6;
    }
    rec.m_strComment[0] = "NACA 0012";
    return rec;
}

bool IsNear(QRgb rgb, int r, int g, int b) {
    return std::abs(qRed(rgb) - r) < 12 && std::abs(qGreen(rgb) - g) < 12 &&
           std::abs(qBlue(rgb) - b) < 12;
}
int CountReddish(const QImage& image) {
    return Count(image, image.rect(),
                 [](QRgb rgb) { return qRed(rgb) > 200 && qGreen(rgb) < 90 && qBlue(rgb) < 90; });
}

}  // namespace

TEST(GraphPasses, PaintOnScreenPrintOnPaperAndTheWindowStateSurvives) {
    TestRecord rec = SampleTest();
    rec.m_axisWind.m_dFullScale = 80.0;  // as the record starts, before the first draw
    const QImage window = Painted(rec, 640, 480);
    EXPECT_EQ(rec.m_axisWind.m_dFullScale, 85.0);
    EXPECT_EQ(rec.m_rcClient, (CRect{0, 0, 640, 480}));
    EXPECT_TRUE(Is(window, 320, 240, COLOR_LIGHT_GREY));
    // A page of its own size: plot from 80 to 985 thousandths of its width, white.
    QImage page(1700, 2200, QImage::Format_RGB32);
    CRecordingPane pane;
    {
        CGraphDC dc(page, true);
        PrintPass(rec, dc, pane, false);
    }
    EXPECT_EQ(rec.m_rcClient, (CRect{0, 0, 640, 480}));
    EXPECT_EQ(rec.m_crBackground, COLOR_LIGHT_GREY);
    EXPECT_TRUE(Is(page, 1000, 1100, COLOR_WHITE));
    EXPECT_TRUE(Is(page, 136, 1100, COLOR_BLACK));
    EXPECT_TRUE(Is(page, 1673, 1100, COLOR_BLACK));
    EXPECT_TRUE(Is(page, 1000, 33, COLOR_BLACK));
    EXPECT_EQ(CountColor(page, QRect(300, 400, 1200, 1500), COLOR_LIGHT_GREY), 0);
    EXPECT_GT(CountColor(page, page.rect(), RED), 1000);
    EXPECT_EQ(Painted(rec, 640, 480), window);
}

TEST(GraphPasses, PrintingOnAPdfPageGivesAWhitePlot) {
    const QString strPdfToPpm = QStandardPaths::findExecutable("pdftoppm");
    if (strPdfToPpm.isEmpty()) {
        GTEST_SKIP() << "pdftoppm is not installed";
    }
    QTemporaryDir dir;
    const QString strPdf = dir.filePath("page.pdf");
    TestRecord rec = SampleTest();
    rec.m_rcClient = CRect{0, 0, 800, 600};
    {
        QPdfWriter pdf(strPdf);
        pdf.setResolution(1200);
        pdf.setPageSize(QPageSize(QPageSize::A4));
        CGraphDC dc(pdf, true);
        ASSERT_TRUE(dc.IsActive());
        EXPECT_GT(dc.Width(), 8000);  // printer pixels
        CRecordingPane pane;
        PrintPass(rec, dc, pane, false);
    }
    EXPECT_EQ(rec.m_rcClient, (CRect{0, 0, 800, 600}));
    EXPECT_EQ(rec.m_crBackground, COLOR_LIGHT_GREY);
    QProcess process;
    process.start(strPdfToPpm, {"-png", "-r", "40", "-singlefile", strPdf, dir.filePath("page")});
    ASSERT_TRUE(process.waitForFinished(60000));
    const QImage image(dir.filePath("page.png"));
    ASSERT_FALSE(image.isNull());
    EXPECT_TRUE(IsNear(image.pixel(image.width() / 2, image.height() / 2), 255, 255, 255));
    EXPECT_GT(CountReddish(image), 50);
    EXPECT_LT(Count(image, image.rect(), [](QRgb rgb) { return IsNear(rgb, 192, 192, 192); }),
              image.width() * image.height() / 20);
}

TEST(GraphPasses, TheFullDrawIsTheRoutinesInTheirOrder) {
    // The full draw leaves the plot to the plot frame instead of clearing it first: the same
    // picture as clearing the whole page, whatever the scales, even when the plot collapses.
    TestRecord rec = SampleTest(0);
    rec.m_cd.m_bVisible = 1;
    for (int nForceRange : {1, 2, 5, 40}) {
        rec.SetForceRange(nForceRange);
        QImage expected(1000, 700, QImage::Format_RGB32);
        expected.fill(Qt::magenta);
        {
            TestRecord copy = rec;
            copy.m_rcClient = CRect{0, 0, 1000, 700};
            copy.ApplyUnitScales();
            CGraphDC dc(expected);
            ClearSurface(copy, dc);
            DrawSpeedAxis(copy, dc);
            DrawForceAxis(copy, dc);
            DrawPlotFrame(copy, dc);
            DrawCurves(copy, dc, DRAW_COPY);
        }
        EXPECT_EQ(Painted(rec, 1000, 700), expected) << "force range " << nForceRange;
    }
}

TEST(GraphPasses, PlotRedrawLeavesTheScalesAlone) {
    TestRecord rec = SampleTest();
    QImage image = Painted(rec, 800, 600);
    QPainter(&image).fillRect(QRect(0, 0, 20, 20), Qt::magenta);      // outside the plot
    QPainter(&image).fillRect(QRect(300, 200, 50, 50), Qt::magenta);  // inside
    rec.m_strComment[1] = "second line";
    {
        CGraphDC dc(image);
        RedrawPlot(rec, dc);
    }
    QImage expected = Painted(rec, 800, 600);
    QPainter(&expected).fillRect(QRect(0, 0, 20, 20), Qt::magenta);
    EXPECT_EQ(image, expected);
}

TEST(GraphPasses, DoubleClickPositionsInWholeTenthsOfTheWindScale) {
    TestRecord rec = FreshRecord();
    Painted(rec, 2000, 1000);  // the plot spans pixels 160 .. 1970, 0 .. 85 mph
    EXPECT_EQ(SpeedUnitsAtX(rec, 160), 0);
    EXPECT_EQ(SpeedUnitsAtX(rec, 1970), 850);
    EXPECT_EQ(SpeedUnitsAtX(rec, 1066), 425);
    EXPECT_EQ(SpeedUnitsAtX(rec, 1067), 426);
    EXPECT_EQ(SpeedUnitsAtX(rec, 100), -28);  // left of zero
    rec.SetSpeedRange(3);                     // 0 .. 21.25 mph: 212 tenths across
    EXPECT_EQ(SpeedUnitsAtX(rec, 1065), 106);
    EXPECT_EQ(SpeedUnitsAtX(rec, std::nan("")), 0);
    TestRecord unpainted(1, 80.0);  // no surface yet: everything is the scale's zero
    EXPECT_EQ(SpeedUnitsAtX(unpainted, 500), 0);
}

TEST(GraphRender, PngAndSvgAsOnScreen) {
    QTemporaryDir dir;
    TestRecord rec = SampleTest();
    QString strError;
    ASSERT_TRUE(
        RenderToFile(rec, dir.filePath("g.png"), RenderFormat::Png, QSize(900, 600), strError));
    TestRecord copy = rec;
    EXPECT_EQ(QImage(dir.filePath("g.png")).convertToFormat(QImage::Format_RGB32),
              Painted(copy, 900, 600));

    ASSERT_TRUE(
        RenderToFile(rec, dir.filePath("g.svg"), RenderFormat::Svg, QSize(900, 600), strError));
    QSvgRenderer svg(dir.filePath("g.svg"));
    ASSERT_TRUE(svg.isValid());
    QImage image(900, 600, QImage::Format_RGB32);
    image.fill(Qt::black);
    {
        QPainter painter(&image);
        svg.render(&painter);
    }
    EXPECT_TRUE(IsNear(image.pixel(450, 300), 192, 192, 192));
    EXPECT_TRUE(IsNear(image.pixel(20, 580), 255, 255, 255));
    EXPECT_GT(CountReddish(image), 200);
    EXPECT_GT(CountInk(image, QRect(5, 200, 20, 200)), 20);  // the turned force title

    EXPECT_FALSE(
        RenderToFile(rec, dir.filePath("none/g.png"), RenderFormat::Png, QSize(9, 9), strError));
    EXPECT_FALSE(strError.isEmpty());
    EXPECT_EQ(RenderFormatOf("a/b.PNG"), RenderFormat::Png);
    EXPECT_FALSE(RenderFormatOf("png").has_value());
}

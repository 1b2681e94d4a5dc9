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

// A test with a lift and a drag curve, an overlay and a comment.
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

bool IsWhitish(QRgb rgb) {
    return qRed(rgb) > 240 && qGreen(rgb) > 240 && qBlue(rgb) > 240;
}
bool IsGreyish(QRgb rgb) {
    return std::abs(qRed(rgb) - 192) < 10 && std::abs(qGreen(rgb) - 192) < 10 &&
           std::abs(qBlue(rgb) - 192) < 10;
}
int CountReddish(const QImage& image) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb rgb = image.pixel(x, y);
            n += (qRed(rgb) > 200 && qGreen(rgb) < 90 && qBlue(rgb) < 90) ? 1 : 0;
        }
    }
    return n;
}

}  // namespace

TEST(GraphPasses, PaintAppliesTheUnitScalesOnTheWindowsSurface) {
    for (int bEnglish : {1, 0}) {
        TestRecord rec(bEnglish, 80.0);  // a wind scale of 80 until the first draw
        rec.m_crBackground = COLOR_WHITE;
        QImage image(640, 480, QImage::Format_RGB32);
        CRecordingPane pane;
        {
            CGraphDC dc(image);
            PaintPass(rec, dc, pane, true);
        }
        EXPECT_EQ(rec.m_axisWind.m_dFullScale, bEnglish ? 85.0 : 140.0);
        EXPECT_EQ(rec.m_axisForce.m_dFullScale, bEnglish ? 2.0 : 1.0);
        EXPECT_EQ(rec.m_rcClient, (CRect{0, 0, 640, 480}));
        EXPECT_EQ(rec.m_crBackground, COLOR_LIGHT_GREY);
        EXPECT_EQ(pane.Last().substr(0, 10), "RUNNING - ");
        EXPECT_TRUE(Is(image, 320, 240, COLOR_LIGHT_GREY));
    }
}

TEST(GraphPasses, PrintingDrawsAWhitePlotAndRestoresTheWindowsState) {
    TestRecord rec = SampleTest();
    const QImage window = Painted(rec, 640, 480);
    // A page: tall, at a resolution of its own.
    QImage page(1700, 2200, QImage::Format_RGB32);
    CRecordingPane pane;
    {
        CGraphDC dc(page, true);
        PrintPass(rec, dc, pane, false);
    }
    EXPECT_EQ(rec.m_rcClient, (CRect{0, 0, 640, 480}));
    EXPECT_EQ(rec.m_crBackground, COLOR_LIGHT_GREY);
    // The page's layout is the page's: plot from 80 to 985 thousandths of its width.
    EXPECT_TRUE(Is(page, 1000, 1100, COLOR_WHITE));
    EXPECT_TRUE(Is(page, 136, 1100, COLOR_BLACK));
    EXPECT_TRUE(Is(page, 1673, 1100, COLOR_BLACK));
    EXPECT_TRUE(Is(page, 1000, 33, COLOR_BLACK));
    EXPECT_EQ(CountColor(page, QRect(300, 400, 1200, 1500), COLOR_LIGHT_GREY), 0);
    EXPECT_GT(CountColor(page, page.rect(), RED), 1000);
    // The window afterwards paints as before.
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
        pdf.setPageMargins(QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter);
        CGraphDC dc(pdf, true);
        ASSERT_TRUE(dc.IsActive());
        EXPECT_GT(dc.Width(), 8000);  // printer pixels
        CRecordingPane pane;
        PrintPass(rec, dc, pane, false);
        EXPECT_EQ(pane.m_texts.size(), 1u);
    }
    EXPECT_EQ(rec.m_rcClient, (CRect{0, 0, 800, 600}));
    EXPECT_EQ(rec.m_crBackground, COLOR_LIGHT_GREY);
    QProcess process;
    process.start(strPdfToPpm, {"-png", "-r", "40", "-singlefile", strPdf, dir.filePath("page")});
    ASSERT_TRUE(process.waitForFinished(60000));
    QImage image(dir.filePath("page.png"));
    ASSERT_FALSE(image.isNull());
    // The middle of the plot is white, not grey; the curves are on it.
    const QPoint ptMiddle(image.width() / 2, image.height() / 2);
    EXPECT_TRUE(IsWhitish(image.pixel(ptMiddle))) << std::hex << image.pixel(ptMiddle);
    EXPECT_GT(CountReddish(image), 50);
    int nGrey = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            nGrey += IsGreyish(image.pixel(x, y)) ? 1 : 0;
        }
    }
    EXPECT_LT(nGrey, image.width() * image.height() / 20);
}

TEST(GraphPasses, TheFullDrawIsTheRoutinesInTheirOrder) {
    // The full draw leaves the plot to the plot frame instead of clearing it first: the same
    // picture as clearing the whole page, whatever the scales, even when the plot collapses.
    auto byRoutines = [](TestRecord rec, int nWidth, int nHeight) {
        QImage image(nWidth, nHeight, QImage::Format_RGB32);
        image.fill(Qt::magenta);
        CGraphDC dc(image);
        rec.m_rcClient = CRect{0, 0, nWidth, nHeight};
        rec.m_crBackground = COLOR_LIGHT_GREY;
        rec.ApplyUnitScales();
        ClearSurface(rec, dc);
        DrawSpeedAxis(rec, dc);
        DrawForceAxis(rec, dc);
        DrawPlotFrame(rec, dc);
        DrawCurves(rec, dc, DRAW_COPY);
        return image;
    };
    TestRecord rec = SampleTest(0);
    rec.m_cd.m_bVisible = 1;
    for (int nForceRange : {1, 2, 5, 40}) {
        rec.SetForceRange(nForceRange);
        const QImage expected = byRoutines(rec, 1000, 700);
        QImage image(1000, 700, QImage::Format_RGB32);
        image.fill(Qt::magenta);
        CRecordingPane pane;
        {
            CGraphDC dc(image);
            PaintPass(rec, dc, pane, false);
        }
        EXPECT_EQ(image, expected) << "force range " << nForceRange;
    }
}

TEST(GraphPasses, PlotRedrawLeavesTheScalesAlone) {
    TestRecord rec = SampleTest();
    QImage image = Painted(rec, 800, 600);
    // Marks outside the plot stay; the plot is drawn again from the tables.
    {
        QPainter painter(&image);
        painter.fillRect(QRect(0, 0, 20, 20), Qt::magenta);
        painter.fillRect(QRect(300, 200, 50, 50), Qt::magenta);
    }
    rec.m_strComment[1] = "second line";
    {
        CGraphDC dc(image);
        RedrawPlot(rec, dc);
    }
    QImage expected = Painted(rec, 800, 600);
    EXPECT_TRUE(Is(image, 5, 5, RGB(255, 0, 255)));
    QPainter(&expected).fillRect(QRect(0, 0, 20, 20), Qt::magenta);
    EXPECT_EQ(image, expected);
}

TEST(GraphPasses, DoubleClickPositionsInWholeTenthsOfTheWindScale) {
    TestRecord rec = FreshRecord();
    Painted(rec, 2000, 1000);  // the plot spans pixels 160 .. 1970
    EXPECT_EQ(SpeedUnitsAtX(rec, 160), 0);
    EXPECT_EQ(SpeedUnitsAtX(rec, 1970), 850);
    EXPECT_EQ(SpeedUnitsAtX(rec, 1065), 425);
    EXPECT_EQ(SpeedUnitsAtX(rec, 1066), 425);
    EXPECT_EQ(SpeedUnitsAtX(rec, 1067), 426);
    EXPECT_EQ(SpeedUnitsAtX(rec, 100), -28);  // left of zero
    rec.SetSpeedRange(3);                     // 0..21.25 mph: 212 tenths across
    EXPECT_EQ(SpeedUnitsAtX(rec, 1065), 106);
    TestRecord metric = FreshRecord(0);
    Painted(metric, 1000, 700);
    EXPECT_EQ(SpeedUnitsAtX(metric, 985), 1400);
    EXPECT_EQ(SpeedUnitsAtX(metric, std::nan("")), 0);
    // Before any paint there is no surface: every position is the scale's zero.
    TestRecord unpainted(1, 80.0);
    EXPECT_EQ(SpeedUnitsAtX(unpainted, 500), 0);
}

TEST(GraphRender, PngAndSvgAsOnScreenPdfAsOnPaper) {
    QTemporaryDir dir;
    TestRecord rec = SampleTest();
    QString strError;
    ASSERT_TRUE(
        RenderToFile(rec, dir.filePath("g.png"), RenderFormat::Png, QSize(900, 600), strError))
        << strError.toStdString();
    const QImage png(dir.filePath("g.png"));
    ASSERT_EQ(png.size(), QSize(900, 600));
    TestRecord copy = rec;
    EXPECT_EQ(png.convertToFormat(QImage::Format_RGB32), Painted(copy, 900, 600));

    ASSERT_TRUE(
        RenderToFile(rec, dir.filePath("g.svg"), RenderFormat::Svg, QSize(900, 600), strError));
    QSvgRenderer svg(dir.filePath("g.svg"));
    ASSERT_TRUE(svg.isValid());
    QImage fromSvg(900, 600, QImage::Format_RGB32);
    fromSvg.fill(Qt::black);
    {
        QPainter painter(&fromSvg);
        svg.render(&painter);
    }
    EXPECT_TRUE(IsGreyish(fromSvg.pixel(450, 300)));
    EXPECT_TRUE(IsWhitish(fromSvg.pixel(20, 580)));
    EXPECT_GT(CountReddish(fromSvg), 200);
    // Text lands where it does on screen: the force title turned at the left.
    EXPECT_GT(CountInk(fromSvg, QRect(5, 200, 20, 200)), 20);

    ASSERT_TRUE(
        RenderToFile(rec, dir.filePath("g.pdf"), RenderFormat::Pdf, QSize(842, 595), strError));
    QFile pdf(dir.filePath("g.pdf"));
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    const QByteArray bytes = pdf.readAll();
    EXPECT_TRUE(bytes.startsWith("%PDF-"));
    EXPECT_TRUE(bytes.contains("/MediaBox [0 0 842.000000 595.000000]"));
    EXPECT_EQ(rec.m_crBackground, COLOR_LIGHT_GREY);
}

TEST(GraphRender, RefusesWhatItCannotWrite) {
    QTemporaryDir dir;
    TestRecord rec = SampleTest();
    QString strError;
    EXPECT_FALSE(RenderToFile(rec, dir.filePath("none/g.png"), RenderFormat::Png, QSize(100, 100),
                              strError));
    EXPECT_FALSE(strError.isEmpty());
    strError.clear();
    EXPECT_FALSE(
        RenderToFile(rec, dir.filePath("g.png"), RenderFormat::Png, QSize(0, 100), strError));
    EXPECT_FALSE(strError.isEmpty());
    EXPECT_FALSE(QFile::exists(dir.filePath("g.png")));
    EXPECT_EQ(RenderFormatOf("a/b.PNG"), RenderFormat::Png);
    EXPECT_EQ(RenderFormatOf("b.Svg"), RenderFormat::Svg);
    EXPECT_EQ(RenderFormatOf("b.pdf"), RenderFormat::Pdf);
    EXPECT_FALSE(RenderFormatOf("b.jpg").has_value());
    EXPECT_FALSE(RenderFormatOf("png").has_value());
}

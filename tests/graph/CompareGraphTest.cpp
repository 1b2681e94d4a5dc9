// Tests compared on one graph: a colour and a pattern for each, a word on converted units, and
// the same picture in each file type.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <climits>
#include <set>

#include "graph/CompareGraph.h"

namespace {

// A test of straight-line lift and drag up to a top wind, in its own units.
CompareTest Line(const char* pName, bool bEnglish, double dTopWind, double dTopLift) {
    CompareTest test;
    test.strName = QString::fromLatin1(pName);
    test.strComment = QStringLiteral("comment of ") + test.strName;
    test.bEnglish = bEnglish;
    for (int i = 0; i <= 10; ++i) {
        const double f = i / 10.0;
        test.points.push_back({dTopWind * f, dTopLift * f, dTopLift * f / 5, 0.3, 5});
    }
    return test;
}

struct Spread {
    int nPixels = 0;
    int nTop = INT_MAX;
    int nBottom = -1;
};

// Where the pixels of exactly one colour lie, above a line (the legend's samples below it).
Spread PixelsOf(const QImage& image, QRgb colour, int nAbove = INT_MAX) {
    Spread spread;
    for (int y = 0; y < std::min(image.height(), nAbove); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if ((image.pixel(x, y) & 0xffffff) == (colour & 0xffffff)) {
                ++spread.nPixels;
                spread.nTop = std::min(spread.nTop, y);
                spread.nBottom = std::max(spread.nBottom, y);
            }
        }
    }
    return spread;
}

}  // namespace

TEST(CompareGraph, EachTestHasItsOwnColourAndAWildPointFlattensNoCurve) {
    QTemporaryDir dir;
    const QString strPng = dir.filePath("c.png");
    CompareView view;
    view.tests = {Line("a.ZEF", true, 60, 0.8), Line("b.ZEF", false, 100, 0.2),
                  Line("c.ZEF", true, 40, 0.5)};
    // A reading far beyond any balance's: it must not squeeze the others onto the axis.
    view.tests[2].points.push_back({41, 1e300, 1, 0, 0});
    QString strError;
    ASSERT_TRUE(RenderCompareToFile(view, strPng, RenderFormat::Png, QSize(800, 600), strError))
        << strError.toStdString();
    const QImage image(strPng);
    ASSERT_EQ(image.size(), QSize(800, 600));

    // Blue, vermilion and bluish green, in the order the tests were added; not orange, which
    // a fourth test would take.
    const QRgb palette[] = {qRgb(0, 114, 178), qRgb(213, 94, 0), qRgb(0, 158, 115),
                            qRgb(204, 121, 167)};
    for (int n = 0; n < 3; ++n) {
        // The plot ends near y = 490 on a picture of this size, the legend below it.
        const Spread spread = PixelsOf(image, palette[n], 500);
        EXPECT_GE(spread.nPixels, 40) << "test " << n;
        // Each rises from zero to its top lift: well over a tenth of the plot's height.
        EXPECT_GE(spread.nBottom - spread.nTop, 60) << "test " << n;
    }
    EXPECT_LT(PixelsOf(image, palette[3]).nPixels, 5);

    // Removing a test takes its colour out of the picture.
    view.tests.erase(view.tests.begin() + 1);
    ASSERT_TRUE(RenderCompareToFile(view, strPng, RenderFormat::Png, QSize(800, 600), strError));
    const QImage two(strPng);
    EXPECT_GE(PixelsOf(two, palette[0]).nPixels, 40);
    EXPECT_GE(PixelsOf(two, palette[1]).nPixels, 40);  // the third test, now second
    EXPECT_LT(PixelsOf(two, palette[2]).nPixels, 5);
}

TEST(CompareGraph, StylesStayApartInColourOrPatternAndTheLegendSaysWhatWasConverted) {
    std::set<std::pair<QRgb, QVector<qreal>>> seen;
    std::set<QVector<qreal>> patterns;
    for (int n = 0; n < 35; ++n) {
        const CompareStyle style = CompareStyleOf(n);
        EXPECT_TRUE(seen.insert({style.colour.rgb(), style.dashes}).second) << "test " << n;
        if (n < 5) {
            // The first few differ in pattern as well, for a page printed in grey.
            EXPECT_TRUE(patterns.insert(style.dashes).second) << "test " << n;
        }
    }

    QTemporaryDir dir;
    CompareView view;
    view.tests = {Line("english.ZEF", true, 60, 0.8), Line("metric.ZEF", false, 100, 0.2)};
    view.quantities = {CompareQuantity::Drag, CompareQuantity::LD};
    struct Case {
        bool bEnglish;
        const char* pConverted;  // said of the test in the other units
        const char* pTitle;
    };
    const Case cases[] = {
        {true, "metric.ZEF \u2014 comment of metric.ZEF (saved in Metric units, converted)",
         "Drag (lbs) against wind speed (mph)"},
        {false, "english.ZEF \u2014 comment of english.ZEF (saved in English units, converted)",
         "Drag (kg) against wind speed (km/h)"},
    };
    for (const Case& c : cases) {
        view.bEnglish = c.bEnglish;
        QString strError;
        const QString strSvg = dir.filePath("c.svg");
        ASSERT_TRUE(
            RenderCompareToFile(view, strSvg, RenderFormat::Svg, QSize(900, 700), strError));
        QFile svg(strSvg);
        ASSERT_TRUE(svg.open(QIODevice::ReadOnly));
        const QString strText = QString::fromUtf8(svg.readAll());
        EXPECT_TRUE(strText.contains(QString::fromUtf8(c.pConverted))) << c.pConverted;
        EXPECT_TRUE(strText.contains(QLatin1String(c.pTitle))) << c.pTitle;
        EXPECT_TRUE(strText.contains(QStringLiteral("L/D against wind speed")));
    }
    // A page of paper: the page size asked for, in points.
    QString strError;
    const QString strPdf = dir.filePath("c.pdf");
    ASSERT_TRUE(RenderCompareToFile(view, strPdf, RenderFormat::Pdf, QSize(842, 595), strError));
    QFile pdf(strPdf);
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(pdf.readAll().contains("/MediaBox [0 0 842.000000 595.000000]"));
}

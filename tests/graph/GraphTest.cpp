// The graph. Pictures are drawn on a 2000 x 1000 image, where a page unit is two pixels across
// and one down: the plot (80, 15, 985, 920) is pixels 160..1969 by 15..919. English at range 1
// shows 0..85 mph (slot j at x = 160 + j x 1810 / 850), force 0..1 lb, Cd 0..2, L/D 0..20.
#include <gtest/gtest.h>

#include <QPdfWriter>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <algorithm>
#include <climits>
#include <cmath>
#include <set>
#include <tuple>

#include "RecordingDrawing.h"
#include "RecordingSurface.h"
#include "graph/GraphPasses.h"
#include "graph/GraphRender.h"
#include "graph/StatusLine.h"

namespace {

// Keeps every text the graph puts in the status bar.
struct CRecordingPane : CStatusPane {
    void SetStatusText(const std::string& strText) override { m_texts.push_back(strText); }
    std::vector<std::string> m_texts;
};

// The record's graph at a size in device pixels, as the window's paint draws it on the window's
// screen (of a device-pixel ratio).
QImage Painted(TestRecord& rec, int nWidth, int nHeight, CRecordingPane* pPane = nullptr,
               GraphScreen* pScreen = nullptr, double dRatio = 1.0) {
    QImage image(nWidth, nHeight, QImage::Format_RGB32);
    image.setDevicePixelRatio(dRatio);
    image.fill(Qt::magenta);  // shows any pixel the paint leaves
    CRecordingPane pane;
    GraphScreen screen;
    CGraphDC dc(image);
    rec.ApplyUnitScales();
    PaintPass(rec, pScreen ? *pScreen : screen, dc, pPane ? *pPane : pane, false);
    return image;
}

using Places = std::multiset<int>;

// Places along the longer side of a rectangle of its pixels that pass a test (ink: text's black).
Places Where(const QImage& image, const QRect& rc, auto test) {
    Places found;
    for (int y = rc.top(); y <= rc.bottom(); ++y) {
        for (int x = rc.left(); x <= rc.right(); ++x) {
            if (test(image.pixel(x, y)))
                found.insert(rc.width() >= rc.height() ? x : y);
        }
    }
    return found;
}
auto Colour(COLORREF cr) {
    return [=](QRgb rgb) { return rgb == qRgb(GetRValue(cr), GetGValue(cr), GetBValue(cr)); };
}
const auto BLACK = Colour(COLOR_BLACK), GRID = Colour(COLOR_GRID);
const auto Ink = [](QRgb rgb) { return qGray(rgb) < 96; };

// Device places of positions 0, step, ... below the top of a scale from pixel nAtZero to nAtTop.
Places Ticks(int nTop, int nStep, int nAtZero, int nAtTop, Places places = {}) {
    for (int p = 0; p < nTop; p += nStep)
        places.insert(std::lround(nAtZero + p * double(nAtTop - nAtZero) / nTop));
    return places;
}
const auto SlotX = [](int j) { return int(std::lround(160 + j * 1810.0 / 850)); };
// Force 0..1 lb in 1/10000, or Cd 0..2 in 1/1000.
const auto Y = [](double dValue, bool bCd) {
    return int(
        std::lround(920 - std::trunc(dValue * (bCd ? 1000 : 10000)) * 905 / (bCd ? 2000 : 10000)));
};

}  // namespace

TEST(GraphPicture, FrameScalesGridAndLegendAtSeveralRangesAndVisibilities) {
    // Wind range, top, steps (tenths); force range, top, steps; curves shown (bits); Cd range.
    const int cases[][10] = {
        {1, 850, 100, 10, 2, 10000, 1000, 100, 3, 1},  // 0..85 mph, 0..1 lb
        {3, 212, 20, 2, 4, 2500, 200, 50, 5, 1},       // 0..21.25, 0..0.25 lb
        {1, 1400, 200, 20, 3, 2500, 200, 20, 10, 1},   // 0..140 km/h, 0..0.25 kg
        {1, 850, 100, 10, 2, 10000, 1000, 100, 15, 2}};
    for (const auto& [nRange, nTop, nMajor, nMinor, nFRange, nFTop, nFMajor, nFMinor, nShown,
                      nCdRange] : cases) {
        SCOPED_TRACE(testing::Message() << "wind top " << nTop << ", shown " << nShown);
        TestRecord rec(nTop != 1400, 80.0);
        rec.SetSpeedRange(nRange);
        rec.SetForceRange(nFRange);
        rec.SetCdRange(nCdRange);
        CurveTable* tables[] = {&rec.m_lift, &rec.m_drag, &rec.m_cd, &rec.m_ld};
        for (int k = 0; k < 4; ++k)
            tables[k]->m_bVisible = (nShown >> k) & 1;
        const QImage img = Painted(rec, 2000, 1000);
        // The plot's outline and its light grey inside.
        EXPECT_TRUE(BLACK(img.pixel(160, 500)) && BLACK(img.pixel(1969, 500)) &&
                    BLACK(img.pixel(1000, 15)) && BLACK(img.pixel(1000, 919)));
        EXPECT_TRUE(Colour(COLOR_LIGHT_GREY)(img.pixel(1968, 918)));
        // Dotted lines at the major steps inside the plot, every other pixel lit.
        const Places columns = Ticks(nTop, nMajor, 160, 1970),
                     rows = Ticks(nFTop, nFMajor, 920, 15);
        EXPECT_EQ(Where(img, QRect(161, 500, 1808, 2), GRID),
                  Places(++columns.begin(), columns.end()));
        EXPECT_EQ(Where(img, QRect(1000, 16, 2, 903), GRID), Places(rows.begin(), --rows.end()));
        EXPECT_NEAR(Where(img, QRect(161, *++rows.rbegin(), 1808, 1), GRID).size(), 904, 12);
        // Wind ticks hang from row 920 to 933, 928 and 925 (long, middle, short); none at the top.
        EXPECT_EQ(Where(img, QRect(150, 933, 1849, 1), BLACK), columns);
        EXPECT_EQ(Where(img, QRect(150, 928, 1849, 1), BLACK), Ticks(nTop, nMajor / 2, 160, 1970));
        EXPECT_EQ(Where(img, QRect(150, 925, 1849, 1), BLACK), Ticks(nTop, nMinor, 160, 1970));
        // Force ticks reach left from column 160 to 137, 145 and 153; labels left of them.
        EXPECT_EQ(Where(img, QRect(137, 10, 1, 916), BLACK), rows);
        EXPECT_EQ(Where(img, QRect(145, 10, 1, 916), BLACK), Ticks(nFTop, nFMajor / 2, 920, 15));
        EXPECT_EQ(Where(img, QRect(153, 10, 1, 916), BLACK), Ticks(nFTop, nFMinor, 920, 15));
        for (int y : rows)
            EXPECT_FALSE(Where(img, QRect(60, y - 12, 70, 24), Ink).empty()) << y;
        EXPECT_TRUE(Where(img, QRect(40, 2, 100, 20), Ink).empty());
        // The right-hand scale is Cd's when shown, else L/D's: long ticks from 1970 to 1947 (919
        // is the outline), a long turned title for Cd, a short one for L/D.
        const bool bRight = nShown & 12;
        const int nRightTop = nShown & 4 ? 2000 >> (nCdRange - 1) : 2000;
        EXPECT_EQ(Where(img, QRect(1947, 16, 1, 910), BLACK),
                  Ticks(bRight ? nRightTop : 0, nRightTop / 20, 920, 15, {919}));
        const Places title = Where(img, QRect(1805, 16, 40, 903), Ink);
        EXPECT_EQ(!title.empty(), bRight);
        EXPECT_EQ(!title.empty() && *title.rbegin() - *title.begin() > 100, (nShown & 4) != 0);
        // The legend's four places, a line of 90 pixels each.
        for (int k = 0; k < 4; ++k) {
            const int x = k < 2 ? 251 : 613, y = k % 2 ? 87 : 42, bShown = (nShown >> k) & 1;
            EXPECT_EQ(Where(img, QRect(x - 5, y, 100, 1), Colour(tables[k]->m_crValue)),
                      Ticks(90 * bShown, 1, x, x + 90));
        }
    }
}

TEST(GraphPicture, CurvesOverlayCommentsAndScalesFarOff) {
    TestRecord rec(1, 80.0);
    rec.m_cd.m_bVisible = 1;
    // +0.1 and -0.1 make one level line; values that are not numbers are passed over; L/D is
    // hidden; overlays in darker colours lie under the current curves.
    SlotTable &lift = rec.m_lift.m_dValue, &drag = rec.m_drag.m_dValue, &cd = rec.m_cd.m_dValue;
    // clang-format off
    const std::tuple<SlotTable*, int, double> values[] = {
        {&lift, 100, 0.1}, {&lift, 300, -0.1}, {&drag, 100, 0.2}, {&drag, 150, NAN},
        {&drag, 170, INFINITY}, {&drag, 200, -0.2}, {&cd, 400, -1.0}, {&cd, 500, 1.0},
        {&rec.m_ld.m_dValue, 600, 10}, {&rec.m_ld.m_dValue, 700, 10}, {&drag, 250, 0.6},
        {&drag, 400, 0.6}, {&rec.m_drag.m_dOverlay, 100, 0.6}, {&rec.m_drag.m_dOverlay, 300, 0.6},
        {&rec.m_lift.m_dOverlay, 200, 0.1}, {&rec.m_lift.m_dOverlay, 400, 0.1}};
    // clang-format on
    for (const auto& [pTable, j, d] : values)
        (*pTable)[j] = d;
    for (int i : {0, 3, 9})
        rec.m_strComment[i] = "Comment line " + std::to_string(i);
    const QImage image = Painted(rec, 2000, 1000);
    // Rows each curve covers from slot to slot, every pixel once: lines stop short of their end.
    // clang-format off
    const std::tuple<int, int, int, COLORREF> runs[] = {
        {Y(0.1, false), 100, 300, RGB(255, 0, 0)}, {Y(0.1, false), 300, 400, RGB(128, 0, 0)},
        {Y(0.2, false), 100, 200, RGB(0, 0, 255)}, {Y(1.0, true), 400, 500, RGB(0, 255, 0)},
        {Y(0.6, false), 100, 250, RGB(0, 0, 128)}, {Y(0.6, false), 250, 400, RGB(0, 0, 255)}};
    // clang-format on
    for (const auto& [y, j0, j1, cr] : runs) {
        const int x0 = SlotX(j0), x1 = SlotX(j1);
        EXPECT_EQ(Where(image, QRect(x0, y, x1 - x0, 1), Colour(cr)).size(), x1 - x0)
            << y << " " << j0;
    }
    EXPECT_EQ(Where(image, image.rect(), Colour(RGB(255, 0, 0))).size(),
              SlotX(300) - SlotX(100) + 90u);
    EXPECT_TRUE(Where(image, image.rect(), Colour(RGB(0, 255, 255))).empty());
    // Comment line i starts at (600, 990 - 35 i) of the plot's thousandths; empty ones show not.
    const int x = std::lround(160 + 600 * 1.81);
    for (int i = 0; i < COMMENT_COUNT; ++i) {
        const int y = std::lround(920 - 0.905 * (990 - 35 * i));
        const bool bEmpty = rec.m_strComment[i].empty();
        EXPECT_EQ(Where(image, QRect(x, y, 400, 22), Ink).empty(), bEmpty) << i;
        EXPECT_EQ(Where(image, QRect(x, y, 4, 22), Ink).empty(), bEmpty) << i;
    }
    // Scales far off (85 x 2^26 mph, 2 / 2^39 lb: nothing above 0 in ten-thousandths), or in
    // steps of nothing (grid lines a trillionth apart), draw no ticks.
    TestRecord off(1, 80.0);
    off.m_cd.m_bVisible = 1;
    off.SetSpeedRange(-25);
    off.SetForceRange(40);
    off.SetCdRange(-1000000);
    off.m_axisWind.m_dMinorStep = 0;
    off.m_axisWind.m_dMajorStep = 1e-12;
    const QImage far = Painted(off, 1000, 700);
    // Ticks would cross row 650 (wind), column 77 (force) and column 983 (Cd).
    EXPECT_TRUE(Where(far, QRect(90, 650, 896, 1), BLACK).empty() &&
                Where(far, QRect(77, 20, 1, 621), BLACK).empty() &&
                Where(far, QRect(983, 20, 1, 621), BLACK).empty() &&
                Where(far, QRect(81, 80, 903, 560), GRID).empty());
    // Positions that are not numbers or lie far off still give whole units.
    EXPECT_TRUE(LogicalUnits(NAN) == 0 && DevicePixel(NAN) == 0 && HalvedByRange(40, INT_MAX) == 0);
    EXPECT_TRUE(LogicalUnits(-INFINITY) == -LOGICAL_LIMIT && DevicePixel(1e300) == DEVICE_LIMIT);
    EXPECT_EQ(HalvedByRange(40, INT_MIN), LOGICAL_LIMIT);
}

// Every full draw, printing too, ends with the zeroed status line. On paper the grid is dotted at
// the page's resolution: finely rasterised, each force grid line is a row of short dots, not one
// grey stroke.
TEST(GraphPasses, FullDrawsZeroTheStatusLineAndPaperDotsTheGrid) {
    QTemporaryDir dir;
    for (int nCase = 0; nCase < 8; ++nCase) {  // both unit systems, Cd and L/D shown or not
        TestRecord rec(nCase & 1, 80.0);
        rec.m_cd.m_bVisible = (nCase >> 1) & 1;
        rec.m_ld.m_bVisible = nCase >> 2;
        std::string strLine =
            nCase & 1 ? "STOPPED - Wind Speed:  0.0 MPH., Lift: +0.000 lbs., Drag: 0.000 lbs."
                      : "STOPPED - Wind Speed:  0.0 KPH., Lift: +0.000 kg., Drag: 0.000 kg.";
        strLine += std::string(rec.m_cd.m_bVisible ? ", Cd: 0.0000" : "") +
                   (rec.m_ld.m_bVisible ? ", L/D: ******" : "");
        CRecordingPane pane;
        Painted(rec, 400, 300, &pane);
        QPdfWriter pdf(dir.filePath("page.pdf"));
        CGraphDC dc(pdf, true);
        PrintPass(rec, dc, pane, false);
        EXPECT_EQ(pane.m_texts, std::vector<std::string>(2, strLine)) << nCase;
    }
    TestRecord rec(1, 80.0);
    QString strError;
    const QString strPdf = dir.filePath("grid.pdf");
    ASSERT_TRUE(RenderToFile(rec, strPdf, RenderFormat::Pdf, QSize(300, 200), strError));
    ASSERT_EQ(QProcess::execute("pdftoppm", {"-gray", "-aa", "no", "-aaVector", "no", "-png", "-r",
                                             "600", "-singlefile", strPdf, strPdf}),
              0);
    const QImage image = QImage(strPdf + ".png").convertToFormat(QImage::Format_RGB32);
    int nGridRows = 0, nLongestRun = 0;
    for (int y = 0; y < image.height(); ++y) {
        const Places grey = Where(image, QRect(0, y, image.width(), 1), GRID);
        if (int(grey.size()) < image.width() / 4)
            continue;
        ++nGridRows;
        int nRun = 0, nLast = -2;
        for (int x : grey) {
            nRun = x == nLast + 1 ? nRun + 1 : 1;
            nLongestRun = std::max(nLongestRun, nRun);
            nLast = x;
        }
    }
    EXPECT_GE(nGridRows, 3);
    EXPECT_LE(nLongestRun, 16);
}

namespace {

// Pixels where two images differ, outside the columns [nSkipFrom, nSkipTo].
int Differing(const QImage& a, const QImage& b, int nSkipFrom = INT_MAX, int nSkipTo = INT_MIN) {
    if (a.size() != b.size())
        return INT_MAX;
    int n = 0;
    for (int y = 0; y < a.height(); ++y) {
        const auto* pA = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* pB = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x)
            n += (x < nSkipFrom || x > nSkipTo) && pA[x] != pB[x];
    }
    return n;
}

// The window's image after a reading against a full draw of the same test on a fresh image,
// the few columns about the speed marker left out.
int DifferingFromFullDraw(const TestRecord& rec, const GraphScreen& screen, const QImage& image) {
    TestRecord copy = rec;
    const QImage full =
        Painted(copy, image.width(), image.height(), nullptr, nullptr, image.devicePixelRatio());
    if (!screen.m_bMarkerShown || screen.m_dMarkerSpeed == EMPTY_SLOT)
        return Differing(image, full);
    // The plot spans thousandths 80 to 985 of the width, the wind scale's top at its right edge.
    const int nLeft = image.width() * 80 / 1000, nRight = image.width() * 985 / 1000;
    const double dTopUnits = std::trunc(DisplayedTop(rec.m_axisWind) * 10);
    const int x = nLeft + int(std::trunc(std::fabs(screen.m_dMarkerSpeed) * 10) * (nRight - nLeft) /
                              dTopUnits);
    return Differing(image, full, x - 4, x + 4);
}

}  // namespace

// The live update redraws what each reading changes in copy mode: after every reading the window
// shows what a full draw shows, the marker aside. A second run the same as its overlay once
// showed its curves only where the two happened to differ, with specks near 0 mph; random runs
// rise, fall, stop, jump above the scale's top and put forces off the scale.
TEST(GraphPasses, AfterEveryLiveReadingTheWindowShowsAFullDraw) {
    for (const double dRatio : {1.0, 2.0}) {
        SCOPED_TRACE(testing::Message() << "ratio " << dRatio);
        TestRecord rec(1, 80.0);
        rec.m_cd.m_bVisible = rec.m_ld.m_bVisible = 1;
        GraphScreen screen;
        QImage image = Painted(rec, int(480 * dRatio), int(320 * dRatio), nullptr, &screen, dRatio);
        CRecordingPane pane;
        for (int nPass = 0; nPass < 2; ++nPass) {
            CGraphDC dc(image);
            CWindowDrawing live(dc, screen, pane, [] { return true; });
            // The second run over the first kept as its overlay, from a cleared test as C starts.
            if (nPass == 1)
                rec.SetOverlay();
            rec.RecordPoint(live, 0, 0, 0, RECORD_CLEAR);
            rec.m_strComment[0] = "Sphere, 4 in.";
            RedrawPlot(rec, screen, dc);
            int nFaults = 0;
            // Up to 30 mph and back to 15, in steps of 0.49 mph, then the stop; the first run is
            // checked at every fifth reading, the run over it at every one.
            for (int i = 0; i <= 92; ++i) {
                const double dWind = (i <= 61 ? i : 122 - i) * 0.49;
                rec.RecordPoint(live, 0.0009 * dWind * dWind - 0.05, 0.0004 * dWind * dWind, dWind,
                                RECORD_READING);
                if (nPass == 1 || i % 5 == 0)
                    nFaults += DifferingFromFullDraw(rec, screen, image) != 0;
            }
            rec.RecordPoint(live, 0, 0, 0, RECORD_STOP);
            EXPECT_EQ(nFaults, 0) << "pass " << nPass;
        }
    }
    // English ranges 3 and 4 and Metric range 5 end between two slots (21.25, 10.625, 8.75).
    const std::tuple<int, int, double> runs[] = {
        {1, 1, 1.0}, {1, 3, 2.0}, {1, 4, 1.0}, {0, 5, 2.0}};
    for (const auto& [bEnglish, nRange, dRatio] : runs) {
        SCOPED_TRACE(testing::Message() << "range " << nRange << " english " << bEnglish);
        TestRecord rec(bEnglish, 80.0);
        rec.m_cd.m_bVisible = rec.m_ld.m_bVisible = 1;
        rec.SetSpeedRange(nRange);
        rec.SetForceRange(nRange % 4 + 1);
        for (int j = 0; j < SLOT_COUNT; j += 7)
            rec.m_lift.m_dOverlay[j] = rec.m_cd.m_dOverlay[j] = 0.3 + 0.2 * std::sin(j * 0.01);
        GraphScreen screen;
        QImage image = Painted(rec, int(400 * dRatio), int(300 * dRatio), nullptr, &screen, dRatio);
        CRecordingPane pane;
        QRandomGenerator rng(nRange);
        const double dForceTop = DisplayedTop(rec.m_axisForce);
        const int nTopSlot = int(DisplayedTop(rec.m_axisWind) * 10);
        CGraphDC dc(image);
        CWindowDrawing live(dc, screen, pane, [] { return true; });
        int nFaults = 0;
        for (int nReading = 0; nReading <= 100; ++nReading) {
            const int r = nReading == 0 ? -1 : rng.bounded(100);
            int nSlot = rec.m_nLastSlot + (r < 15 ? 0 : rng.bounded(-40, 25));
            if (r >= 80) {
                nSlot = r < 85   ? nTopSlot + rng.bounded(1, 4)
                        : r < 90 ? nTopSlot - rng.bounded(2)
                                 : rng.bounded(nTopSlot + 1);
            }
            const double dWind = (std::max(nSlot, 0) + rng.generateDouble()) * 0.1;
            rec.RecordPoint(live, dForceTop * (rng.generateDouble() * 1.4 - 0.3),
                            dForceTop * rng.generateDouble() * 0.5, dWind,
                            r < 0 ? RECORD_CLEAR : (r < 4 ? RECORD_STOP : RECORD_READING));
            nFaults += DifferingFromFullDraw(rec, screen, image) != 0;
        }
        EXPECT_EQ(nFaults, 0);
    }
}

// Commands that change the plot draw the page again: curves above the force scale's top, drawn
// above the plot, go with the test or overlay that drew them.
TEST(GraphPasses, RedrawsAfterCommandsLeaveNothingAboveThePlot) {
    enum { CLEAR_TEST, SET_OVERLAY, CLEAR_OVERLAY };
    for (const int nCommand : {CLEAR_TEST, SET_OVERLAY, CLEAR_OVERLAY}) {
        TestRecord rec(1, 80.0);
        // 1.01 lb on a scale to 1 lb: row 920 - 1.01 x 905 = 6, above the plot's top row 15.
        for (const int j : {100, 200, 300})
            rec.m_lift.m_dValue[j] = rec.m_lift.m_dOverlay[j + 50] = 1.01;
        GraphScreen screen;
        QImage image = Painted(rec, 2000, 1000, nullptr, &screen);
        EXPECT_EQ(Where(image, QRect(0, 6, 2000, 1), Colour(RGB(255, 0, 0))).size(),
                  SlotX(300) - SlotX(100));
        if (nCommand == CLEAR_TEST) {
            CRecordingDrawing drawing;
            rec.RecordPoint(drawing, 0, 0, 0, RECORD_CLEAR);
        } else if (nCommand == SET_OVERLAY) {
            rec.SetOverlay();
        } else {
            rec.ClearOverlay();
        }
        {
            CGraphDC dc(image);
            RedrawPlot(rec, screen, dc);
        }
        EXPECT_EQ(Differing(image, Painted(rec, 2000, 1000)), 0) << nCommand;
    }
}

// On a screen of ratio 2 the curves, grid and frame are two device pixels wide and the dots two
// long, as one pixel of a plain screen; a picture in a file keeps them one device pixel.
TEST(GraphPicture, LinesAreOneScreenPixelWideOnAScreenOfRatioTwo) {
    TestRecord rec(1, 80.0);
    rec.m_lift.m_dValue[100] = rec.m_lift.m_dValue[300] = 0.1;
    // 1000 x 500 at ratio 2 is the 2000 x 1000 pixels the other pictures use.
    const QImage image = Painted(rec, 2000, 1000, nullptr, nullptr, 2.0);
    EXPECT_TRUE(BLACK(image.pixel(160, 500)) && BLACK(image.pixel(161, 500)) &&
                Colour(COLOR_LIGHT_GREY)(image.pixel(162, 500)));
    EXPECT_TRUE(BLACK(image.pixel(1000, 15)) && BLACK(image.pixel(1000, 16)) &&
                Colour(COLOR_LIGHT_GREY)(image.pixel(1000, 17)));
    const int x0 = SlotX(100), x1 = SlotX(300), y = Y(0.1, false);
    for (const int nRow : {y, y + 1})
        EXPECT_EQ(Where(image, QRect(x0, nRow, x1 - x0, 1), Colour(RGB(255, 0, 0))).size(),
                  x1 - x0);
    EXPECT_TRUE(Where(image, QRect(x0, y + 2, x1 - x0, 1), Colour(RGB(255, 0, 0))).empty());
    // The grid row of 0.5 lb between the lines of 10 and 20 mph (columns 373 and 586): grey in
    // runs of two with gaps of two.
    const Places grey = Where(image, QRect(380, Y(0.5, false), 200, 1), GRID);
    std::vector<int> runs;
    for (int x : grey)
        (!runs.empty() && grey.count(x - 1)) ? ++runs.back() : (runs.push_back(1), 0);
    ASSERT_GT(runs.size(), 40u);
    EXPECT_EQ(std::set<int>(runs.begin() + 1, runs.end() - 1), std::set<int>{2});
    EXPECT_NEAR(double(grey.size()), 100, 2);
    QTemporaryDir dir;
    QString strError;
    const QString strPng = dir.filePath("graph.png");
    ASSERT_TRUE(RenderToFile(rec, strPng, RenderFormat::Png, QSize(1000, 500), strError, 2.0));
    const QImage file = QImage(strPng).convertToFormat(QImage::Format_RGB32);
    EXPECT_TRUE(BLACK(file.pixel(160, 500)) && Colour(COLOR_LIGHT_GREY)(file.pixel(161, 500)));
}

// The status line of a recorded reading, worked by hand. At 30 mph (44 ft/s) on 12.5 sq. in.
// (0.0868 sq. ft) the pressure times area is 0.0868 x 44^2 x 0.0375 = 6.3021, so a drag of
// 0.241 lb gives Cd = 0.241 x 32 / 6.3021 = 1.2237 and a lift of -0.2 lb L/D = -0.8299. In
// Metric 40 km/h is 24.855 mph (36.454 ft/s) and 0.1 kg is 0.22046 lb: Cd = 1.6309, L/D = -2.
// Below 5 mph, and with a drag under 0.002, there is no Cd or L/D to speak of (0).
TEST(GraphPasses, TheStatusLineOfARecordedReading) {
    const std::tuple<int, int, double, double, double, const char*> cases[] = {
        {1, 3, 30.0, -0.2, 0.241,
         "RUNNING - Wind Speed: 30.0 MPH., Lift: -0.200 lbs., Drag: 0.241 lbs., Cd: 1.2237, "
         "L/D: -0.8299"},
        {0, 3, 40.0, -0.2, 0.1,
         "RUNNING - Wind Speed: 40.0 KPH., Lift: -0.200 kg., Drag: 0.100 kg., Cd: 1.6309, "
         "L/D: -2.0000"},
        {1, 1, 4.94, 0.35, 0.012,
         "RUNNING - Wind Speed:  4.9 MPH., Lift: +0.350 lbs., Drag: 0.012 lbs., Cd: 0.0000"},
        {1, 2, 12.05, 0.125, 0.0012,
         "RUNNING - Wind Speed: 12.1 MPH., Lift: +0.125 lbs., Drag: 0.001 lbs., L/D: 0.0000"},
    };
    for (const auto& [bEnglish, nShown, dWind, dLift, dDrag, pExpected] : cases) {
        TestRecord rec(bEnglish, 80.0);
        rec.m_dCdArea = 12.5;
        rec.m_cd.m_bVisible = nShown & 1;
        rec.m_ld.m_bVisible = (nShown >> 1) & 1;
        QImage image = Painted(rec, 400, 300);
        CRecordingPane pane;
        GraphScreen screen;
        CGraphDC dc(image);
        CWindowDrawing live(dc, screen, pane, [] { return true; });
        rec.RecordPoint(live, dLift, dDrag, dWind, RECORD_READING);
        EXPECT_EQ(pane.m_texts, std::vector<std::string>{pExpected});
    }
}

// The scales' labels and titles as text: English at its first ranges (0..85 mph in tens, 0..1 lb
// in tenths, Cd 0..2 in fifths), Metric (0..140 km/h in twenties, 0..0.5 kg in twentieths, L/D
// 0..20 in twos). On a 1000 x 1000 surface the wind strip spans x 80..985 for 0..85 mph: its
// title at 38.2 mph starts at 80 + 382 x 905 / 850 = 486.7, pixel 487; the force title, at 0.45
// of the scale, reads upward from row 920 - 4500 x 905 / 10000 = 512.75, pixel 513.
TEST(GraphPicture, ScaleLabelsAndTitlesAsText) {
    const auto Labels = [](const char* pFormat, int nCount, double dStep) {
        std::vector<std::string> labels;
        for (int i = 0; i < nCount; ++i) {
            char buf[16];
            std::snprintf(buf, sizeof buf, pFormat, i * dStep);
            labels.push_back(buf);
        }
        return labels;
    };
    const auto Join = [](std::vector<std::vector<std::string>> parts) {
        std::vector<std::string> all;
        for (const auto& part : parts)
            all.insert(all.end(), part.begin(), part.end());
        return all;
    };
    TestRecord english(1, 80.0);
    english.m_dCdArea = 12.5;
    english.m_cd.m_bVisible = 1;
    english.m_strComment[1] = "Flat plate";
    TestRecord metric(0, 80.0);
    metric.m_dCdArea = 10;
    metric.m_ld.m_bVisible = 1;
    const std::vector<std::string> expected[] = {Join({Labels("%3.0f", 9, 10),
                                                       {"Wind Speed (MPH)"},
                                                       Labels("%.3f", 10, 0.1),
                                                       {"Force (lbs)"},
                                                       Labels("%.2f", 10, 0.2),
                                                       {"Cd @ 12.50 sq. in."},
                                                       {"Lift", "Drag", "Cd", "Flat plate"}}),
                                                 Join({Labels("%3.0f", 7, 20),
                                                       {"Wind Speed (KPH)"},
                                                       Labels("%.3f", 10, 0.05),
                                                       {"Force (kg)"},
                                                       Labels("%.1f", 10, 2),
                                                       {"L/D"},
                                                       {"Lift", "Drag", "L/D"}})};
    int k = 0;
    for (TestRecord* pRec : {&english, &metric}) {
        CRecordingSurface surface(1000, 1000);
        {
            CRecordingPane pane;
            CGraphDC dc(surface, false);
            pRec->ApplyUnitScales();
            PaintPass(*pRec, dc, pane, false);
        }
        std::vector<std::string> texts;
        for (const auto& text : surface.m_texts)
            texts.push_back(text.strText);
        EXPECT_EQ(texts, expected[k]);
        ASSERT_EQ(surface.m_texts.size(), expected[k].size());
        const auto& title = surface.m_texts[9 - 2 * k];
        EXPECT_TRUE(!title.bTurned && title.ptAt.x() == 487) << title.ptAt.x();
        const auto& forceTitle = surface.m_texts[20 - 2 * k];
        EXPECT_TRUE(forceTitle.bTurned && forceTitle.ptAt.y() == 513) << forceTitle.ptAt.y();
        ++k;
    }
}

// On paper taller than wide the graph takes the top of the page in the proportions of the page
// turned: on 600 x 1000 it is 600 x 360 (600 x 600 / 1000). The plot spans thousandths 80..985
// across and 15..920 down, pixels 48..590 by 5..330, filled white; the page under the graph is
// rows 0..359 and nothing is drawn from row 360 down.
TEST(GraphPasses, APortraitPageHasTheGraphAcrossItsTop) {
    TestRecord rec(1, 80.0);
    rec.m_strComment[0] = "Portrait";
    CRecordingSurface page(600, 1000);
    {
        CRecordingPane pane;
        CGraphDC dc(page, true);
        PrintPass(rec, dc, pane, false);
    }
    const bool bPlot = std::any_of(page.m_fills.begin(), page.m_fills.end(), [](const auto& fill) {
        return fill.rc == QRect(QPoint(48, 5), QPoint(590, 330)) && fill.rgb == qRgb(255, 255, 255);
    });
    EXPECT_TRUE(bPlot);
    int nLowest = 0;
    for (const auto& fill : page.m_fills)
        nLowest = std::max(nLowest, fill.rc.bottom());
    for (const QLine& line : page.m_lines)
        nLowest = std::max({nLowest, line.y1(), line.y2()});
    EXPECT_EQ(nLowest, 359);
    for (const auto& text : page.m_texts)
        EXPECT_LT(text.ptAt.y(), 360) << text.strText;
    std::string strAll;
    for (const auto& text : page.m_texts)
        strAll += "[" + text.strText + "]";
    const auto title = std::find_if(page.m_texts.begin(), page.m_texts.end(), [](const auto& text) {
        return text.strText == "Wind Speed (MPH)";
    });
    ASSERT_NE(title, page.m_texts.end()) << strAll;
    // The wind title at 382 of the strip's 850 units: 48 + 382 x 543 / 850 = 292.0.
    EXPECT_EQ(title->ptAt.x(), 292) << strAll;
}

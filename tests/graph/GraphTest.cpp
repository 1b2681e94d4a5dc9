// The graph. Pictures are drawn on a 2000 x 1000 image, where a page unit is two pixels across
// and one down: the plot (80, 15, 985, 920) is pixels 160..1969 by 15..919. English at range 1
// shows 0..85 mph (slot j at x = 160 + j x 1810 / 850), force 0..1 lb, Cd 0..2, L/D 0..20.
#include <gtest/gtest.h>

#include <QPdfWriter>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <climits>
#include <cmath>
#include <set>
#include <tuple>

#include "graph/GraphPasses.h"
#include "graph/GraphRender.h"

namespace {

// Keeps every text the graph puts in the status bar.
struct CRecordingPane : CStatusPane {
    void SetStatusText(const std::string& strText) override { m_texts.push_back(strText); }
    std::vector<std::string> m_texts;
};

// The record's graph at a size, as the window's paint draws it on the window's screen.
QImage Painted(TestRecord& rec, int nWidth, int nHeight, CRecordingPane* pPane = nullptr,
               GraphScreen* pScreen = nullptr) {
    QImage image(nWidth, nHeight, QImage::Format_RGB32);
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

TEST(GraphPasses, RandomRunsOfReadingsKeepTheWindowImageExact) {
    // All four curves over an overlay; slots two pixels apart at range 1. English ranges 3 and 4
    // and Metric range 5 end between two slots (21.25, 10.625, 8.75).
    const std::tuple<int, int, int> runs[] = {{1, 1, 1}, {1, 3, 3}, {1, 4, 2}, {0, 5, 2}};
    for (const auto& [bEnglish, nRange, nScale] : runs) {
        TestRecord rec(bEnglish, 80.0);
        rec.m_cd.m_bVisible = rec.m_ld.m_bVisible = 1;
        rec.SetSpeedRange(nRange);
        rec.SetForceRange(nRange % 4 + 1);
        for (int j = 0; j < SLOT_COUNT; j += 7)
            rec.m_lift.m_dOverlay[j] = rec.m_cd.m_dOverlay[j] = 0.3 + 0.2 * std::sin(j * 0.01);
        GraphScreen screen;
        QImage image = Painted(rec, 640 * nScale, 480 * nScale, nullptr, &screen);
        const QImage frame = image;  // with no current curves
        CRecordingPane pane;
        QRandomGenerator rng(nRange);
        const double dTop = DisplayedTop(rec.m_axisWind), dForceTop = DisplayedTop(rec.m_axisForce);
        const int nTopSlot = int(dTop * 10);
        {
            CGraphDC dc(image);
            CWindowDrawing live(dc, screen, pane, [] { return true; });
            for (int nReading = 0; nReading <= 400; ++nReading) {
                // Rises, falls, the same slot, stops, jumps, the top slot, above the top; forces
                // off the scale.
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
            }
            // Drawn again in exclusive-or, the curves and the marker leave the bare frame exactly.
            const GraphAxis* axes[] = {&rec.m_axisForce, &rec.m_axisForce, &rec.m_axisCd,
                                       &rec.m_axisLD};
            int k = 0;
            for (const CurveTable* pTable : {&rec.m_lift, &rec.m_drag, &rec.m_cd, &rec.m_ld})
                DrawCurve(rec, screen, dc, *pTable, *axes[k++], 0, dTop, DRAW_XOR);
            live.MoveSpeedMarker(rec, 0, 0);
        }
        EXPECT_TRUE(image == frame) << "range " << nRange << " english " << bEnglish;
    }
}

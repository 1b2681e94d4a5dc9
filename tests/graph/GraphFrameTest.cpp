// The frame of the graph as it lands on a 2000 x 1000 image, where a page unit is two pixels
// across and one down: plot (80, 15, 985, 920) is pixels 160..1969 by 15..919.
#include <gtest/gtest.h>

#include <limits>
#include <set>

#include "GraphTestSupport.h"

namespace {

constexpr int W = 2000;
constexpr int H = 1000;
constexpr COLORREF GREY = COLOR_LIGHT_GREY;

// Device x of a speed position (speed x 10) when the scale's top is nTop10 positions.
int SpeedX(double p, int nTop10) {
    return Round(160 + p * 1810 / nTop10);
}
// Device y of a position on a right or left scale whose top is nTop positions.
int ScaleY(double q, int nTop) {
    return Round(920 - q * 905 / nTop);
}

// Columns of a row (or rows of a column) in a span that are black.
std::set<int> BlackColumns(const QImage& image, int y, int x0, int x1) {
    std::set<int> columns;
    for (int x = x0; x <= x1; ++x) {
        if (Is(image, x, y, COLOR_BLACK)) {
            columns.insert(x);
        }
    }
    return columns;
}
std::set<int> BlackRows(const QImage& image, int x, int y0, int y1) {
    std::set<int> rows;
    for (int y = y0; y <= y1; ++y) {
        if (Is(image, x, y, COLOR_BLACK)) {
            rows.insert(y);
        }
    }
    return rows;
}

std::set<int> Positions(int nFirst, int nLast, int nStep, auto toDevice) {
    std::set<int> positions;
    for (int p = nFirst; p <= nLast; p += nStep) {
        positions.insert(toDevice(p));
    }
    return positions;
}

}  // namespace

TEST(GraphFrame, PageOutlinePlotBackgroundAndOutline) {
    TestRecord rec = FreshRecord();
    const QImage image = Painted(rec, W, H);
    // The page: white, outlined at its edges.
    EXPECT_TRUE(Is(image, 5, 5, COLOR_WHITE));
    EXPECT_TRUE(Is(image, 1990, 990, COLOR_WHITE));
    for (QPoint pt : {QPoint(0, 0), QPoint(1999, 500), QPoint(1000, 999), QPoint(0, 999)}) {
        EXPECT_TRUE(Is(image, pt.x(), pt.y(), COLOR_BLACK)) << pt.x() << "," << pt.y();
    }
    // The plot: light grey inside a black outline whose right and bottom stop short of the
    // plot's edges.
    EXPECT_TRUE(Is(image, 1000, 500, GREY));
    EXPECT_TRUE(Is(image, 161, 16, GREY));
    EXPECT_TRUE(Is(image, 1968, 918, GREY));
    for (QPoint pt : {QPoint(160, 500), QPoint(1969, 500), QPoint(1000, 15), QPoint(1000, 919)}) {
        EXPECT_TRUE(Is(image, pt.x(), pt.y(), COLOR_BLACK)) << pt.x() << "," << pt.y();
    }
    EXPECT_TRUE(Is(image, 1000, 14, COLOR_WHITE));
    EXPECT_TRUE(Is(image, 1970, 500, COLOR_WHITE));
    EXPECT_TRUE(Is(image, 159, 500, COLOR_WHITE));

    // On paper the plot is white, and the window's record keeps its light grey.
    const QImage paper = Painted(rec, W, H, true);
    EXPECT_TRUE(Is(paper, 1000, 500, COLOR_WHITE));
    EXPECT_TRUE(Is(paper, 1969, 500, COLOR_BLACK));
    EXPECT_EQ(rec.m_crBackground, GREY);
}

TEST(GraphFrame, DottedGreyGridAtTheMajorStepsInsideThePlot) {
    TestRecord rec = FreshRecord();  // English: 0..85 mph, force range 2: 0..1 lb
    const QImage image = Painted(rec, W, H);
    std::set<int> gridColumns;
    for (int k = 1; k <= 8; ++k) {
        gridColumns.insert(SpeedX(k * 100, 850));
    }
    std::set<int> gridRows;
    for (int k = 1; k <= 9; ++k) {
        gridRows.insert(ScaleY(k * 1000, 10000));
    }
    // Along each grid line the pixels alternate grid grey and plot grey.
    for (int y : gridRows) {
        for (int x = 400; x < 420; ++x) {
            if (gridColumns.count(x) || gridColumns.count(x + 1)) {
                continue;
            }
            const bool bGrid = Is(image, x, y, COLOR_GRID);
            EXPECT_TRUE(bGrid || Is(image, x, y, GREY)) << x << "," << y;
            EXPECT_NE(bGrid, Is(image, x + 1, y, COLOR_GRID)) << x << "," << y;
        }
    }
    for (int x : gridColumns) {
        const int nDots = CountColor(image, QRect(x, 300, 1, 100), COLOR_GRID);
        EXPECT_GE(nDots, 48) << x;
        EXPECT_LE(nDots, 52) << x;
    }
    // Nowhere else: not at the top (1.000 lb, 85 mph), nor on the other edges. (Below the
    // legend, whose smoothed letters have pixels of every grey.)
    for (int y = 120; y < 919; ++y) {
        const int nDots = CountColor(image, QRect(161, y, 1808, 1), COLOR_GRID);
        if (gridRows.count(y)) {
            EXPECT_GT(nDots, 800) << y;
        } else {
            EXPECT_LE(nDots, int(gridColumns.size())) << y;
        }
    }
    for (int x = 161; x < 1969; ++x) {
        const int nDots = CountColor(image, QRect(x, 120, 1, 799), COLOR_GRID);
        if (!gridColumns.count(x)) {
            EXPECT_LE(nDots, int(gridRows.size())) << x;
        }
    }
}

TEST(GraphFrame, SpeedScaleTicksAndLabelsAtSeveralRanges) {
    struct Case {
        int bEnglish;
        int nRange;
        int nTop10;  // trunc(displayed top x 10)
        int nMajor;  // positions
        int nMinor;
        int nLastTick;
        double dTop;
    };
    const Case cases[] = {
        {1, 1, 850, 100, 10, 840, 85},     // 0..85 mph: labels 0..80, no tick at 85
        {1, 3, 212, 20, 2, 210, 21.25},    // labels 0, 2, .. 20; the last tick at 21.0
        {0, 1, 1400, 200, 20, 1380, 140},  // 0..140 km/h: labels 0, 20, .. 120
        {0, 4, 175, 20, 1, 174, 17.5},     // 0..17.5 km/h
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "English " << c.bEnglish << " range " << c.nRange);
        TestRecord rec = FreshRecord(c.bEnglish);
        rec.SetSpeedRange(c.nRange);
        const QImage image = Painted(rec, W, H);
        auto x = [&](int p) { return SpeedX(p, c.nTop10); };
        // Long ticks reach row 933, middle ones row 928, short ones row 925.
        const int nHalf = c.nMajor / 2;
        std::set<int> longs = Positions(0, c.nLastTick, c.nMajor, x);
        std::set<int> middles = longs;
        for (int p = 0; p <= c.nLastTick; p += c.nMinor) {
            if (p % nHalf == 0) {
                middles.insert(x(p));
            }
        }
        const std::set<int> all = Positions(0, c.nLastTick, c.nMinor, x);
        if (c.nTop10 / c.nMinor < 400) {  // ticks further apart than a pixel
            EXPECT_EQ(BlackColumns(image, 933, 150, 1998), longs);
            EXPECT_EQ(BlackColumns(image, 928, 150, 1998), middles);
            EXPECT_EQ(BlackColumns(image, 925, 150, 1998), all);
            EXPECT_TRUE(BlackColumns(image, 934, 150, 1998).empty());
        }
        // A label to the right of each long tick, none beyond the last.
        for (int xLong : longs) {
            EXPECT_GT(CountInk(image, QRect(xLong, 935, 60, 22)), 10) << xLong;
        }
        const int xAfter = *longs.rbegin() + 70;
        EXPECT_EQ(CountInk(image, QRect(xAfter, 935, W - 1 - xAfter, 22)), 0);
        // The title below the labels, starting at 45 % of the scale.
        const QRect rcTitle = InkBounds(image, QRect(150, 960, W - 152, 39));
        EXPECT_NEAR(rcTitle.left(), x(int(c.dTop * 4.5)), 2);
        EXPECT_NEAR(rcTitle.left(), 160 + 0.45 * 1810, 10);
        EXPECT_GT(rcTitle.width(), 120);
    }
}

TEST(GraphFrame, ForceScaleTicksLabelsAndTitle) {
    struct Case {
        int bEnglish;
        int nRange;
        int nTop;  // trunc(displayed top x 10000)
        int nMajor;
        int nMinor;
    };
    const Case cases[] = {
        {1, 2, 10000, 1000, 100},  // 0..1 lb: labels 0.000 .. 0.900, middles at 0.050 .. 0.950
        {1, 1, 20000, 2000, 200},  // 0..2 lb
        {0, 3, 2500, 200, 20},     // 0..0.25 kg
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "English " << c.bEnglish << " range " << c.nRange);
        TestRecord rec = FreshRecord(c.bEnglish);
        rec.SetForceRange(c.nRange);
        const QImage image = Painted(rec, W, H);
        auto y = [&](int q) { return ScaleY(q, c.nTop); };
        const int nLast = c.nTop - c.nMinor;
        std::set<int> middles = Positions(0, nLast, c.nMajor / 2, y);
        // Long ticks reach column 137, middle ones 145, short ones 153.
        EXPECT_EQ(BlackRows(image, 137, 10, 925), Positions(0, nLast, c.nMajor, y));
        EXPECT_EQ(BlackRows(image, 145, 10, 925), middles);
        EXPECT_EQ(BlackRows(image, 153, 10, 925), Positions(0, nLast, c.nMinor, y));
        EXPECT_TRUE(BlackRows(image, 136, 10, 925).empty());
        // Labels left of the ticks at every long tick, none at the top.
        for (int q = 0; q <= nLast; q += c.nMajor) {
            EXPECT_GT(CountInk(image, QRect(60, y(q) - 12, 70, 24)), 10) << q;
        }
        EXPECT_EQ(CountInk(image, QRect(40, 2, 100, 20)), 0);
        // The title turned, to the right of x = 10 (16 pixels), starting at 45 % of the scale
        // and running up.
        const QRect rcTitle = InkBounds(image, QRect(2, 2, 48, H - 4));
        EXPECT_GE(rcTitle.left(), 16);
        EXPECT_NEAR(rcTitle.bottom(), 920 - 0.45 * 905, 4);
        EXPECT_GT(rcTitle.height(), 3 * rcTitle.width());
    }
}

TEST(GraphFrame, RightHandScaleFollowsWhatIsShown) {
    auto paint = [](int bCd, int bLD, int nCdRange = 1) {
        TestRecord rec = FreshRecord();
        rec.m_cd.m_bVisible = bCd;
        rec.m_ld.m_bVisible = bLD;
        rec.SetCdRange(nCdRange);
        return Painted(rec, W, H);
    };
    // Ticks run from the plot's right edge (pixel 1970) into the plot: long and middle ones to
    // column 1947, short ones to 1963. Middle and long ticks are alike here.
    const QImage none = paint(0, 0);
    EXPECT_TRUE(BlackRows(none, 1965, 16, 918).empty());

    // Row 919 is the plot's outline.
    auto withOutline = [](std::set<int> rows) {
        rows.insert(919);
        return rows;
    };
    const QImage cd = paint(1, 0);
    auto yCd = [](int q) { return ScaleY(q, 2000); };
    EXPECT_EQ(BlackRows(cd, 1947, 16, 925), withOutline(Positions(0, 1900, 100, yCd)));
    EXPECT_EQ(BlackRows(cd, 1946, 16, 925), withOutline({}));
    EXPECT_EQ(BlackRows(cd, 1965, 16, 925), withOutline(Positions(0, 1980, 20, yCd)));
    for (int q = 0; q <= 1800; q += 200) {
        EXPECT_GT(CountInk(cd, QRect(1870, yCd(q) - 12, 60, 22)), 10) << q;
    }
    EXPECT_EQ(CountInk(cd, QRect(1870, 16, 70, 12)), 0);  // no label at 2.00
    const QRect rcCdTitle = InkBounds(cd, QRect(1805, 16, 40, 903));
    EXPECT_GE(rcCdTitle.left(), 1810);
    EXPECT_NEAR(rcCdTitle.bottom(), 920 - 0.45 * 905, 4);
    EXPECT_GT(rcCdTitle.height(), 100);  // "Cd @ 1.00 sq. in."

    const QImage ld = paint(0, 1);
    EXPECT_EQ(BlackRows(ld, 1947, 16, 925), withOutline(Positions(0, 1900, 100, yCd)));
    const QRect rcLDTitle = InkBounds(ld, QRect(1805, 16, 40, 903));
    EXPECT_LT(rcLDTitle.height(), 40);  // "L/D"
    EXPECT_NEAR(rcLDTitle.bottom(), 920 - 0.45 * 905, 4);

    // Both shown: only the Cd scale, at the Cd range.
    const QImage both = paint(1, 1, 2);
    auto yCd2 = [](int q) { return ScaleY(q, 1000); };
    EXPECT_EQ(BlackRows(both, 1947, 16, 925), withOutline(Positions(0, 950, 50, yCd2)));
    EXPECT_GT(InkBounds(both, QRect(1805, 16, 40, 903)).height(), 100);
}

TEST(GraphFrame, LegendHasFourPlacesAndHiddenCurvesLeaveTheirsEmpty) {
    // Page-1 mapping: x = 160 + 1.81 u, y = 920 - 0.905 u.
    struct Place {
        CurveTable TestRecord::*pTable;
        COLORREF crLine;
        int xLine;
        int yLine;
    };
    const Place places[] = {{&TestRecord::m_lift, RGB(255, 0, 0), 251, 42},
                            {&TestRecord::m_drag, RGB(0, 0, 255), 251, 87},
                            {&TestRecord::m_cd, RGB(0, 255, 0), 613, 42},
                            {&TestRecord::m_ld, RGB(0, 255, 255), 613, 87}};
    for (int nMask = 0; nMask < 16; nMask += 5) {
        TestRecord rec = FreshRecord();
        for (int k = 0; k < 4; ++k) {
            (rec.*places[k].pTable).m_bVisible = (nMask >> k) & 1;
        }
        const QImage image = Painted(rec, W, H);
        for (int k = 0; k < 4; ++k) {
            const Place& place = places[k];
            const bool bShown = (nMask >> k) & 1;
            SCOPED_TRACE(testing::Message() << "place " << k << " shown " << bShown);
            // A line of 90 pixels from u = 50 (or 250) to u + 50, the name after it.
            EXPECT_EQ(CountColor(image, QRect(place.xLine - 5, place.yLine, 100, 1), place.crLine),
                      bShown ? 90 : 0);
            EXPECT_EQ(bShown, Is(image, place.xLine, place.yLine, place.crLine));
            EXPECT_FALSE(Is(image, place.xLine + 90, place.yLine, place.crLine));
            const QRect rcName(place.xLine + 108, place.yLine - 18, 70, 30);
            EXPECT_EQ(CountInk(image, rcName) > 10, bShown);
        }
    }
}

TEST(GraphFrame, ScalesOutsideTheirRangesDrawNoTicksAndNeverHang) {
    // Ranges far outside 1..5, and tick steps that come out as nothing: each draw ends, and
    // draws no ticks where there is no sensible scale.
    TestRecord rec = FreshRecord();
    rec.m_cd.m_bVisible = 1;
    rec.SetSpeedRange(-25);  // top 85 x 2^26 mph
    rec.SetForceRange(40);   // top 2 / 2^39 lb: nothing above 0 at 1/10000
    rec.SetCdRange(-1000000);
    QImage image = Painted(rec, 1000, 700);
    EXPECT_TRUE(BlackColumns(image, 650, 90, 985).empty());  // speed strip
    EXPECT_TRUE(BlackRows(image, 77, 20, 640).empty());      // force strip
    EXPECT_TRUE(BlackRows(image, 983, 20, 640).empty());     // Cd strip

    // A redraw keeps the steps as they are (a paint would set the force steps again).
    TestRecord zero = FreshRecord();
    zero.m_ld.m_bVisible = 1;
    image = Painted(zero, 1000, 700);
    zero.m_axisWind.m_dMinorStep = 0;
    zero.m_axisForce.m_dMajorStep = 0;
    zero.m_axisLD.m_dMinorStep = 1e-9;
    zero.m_axisWind.m_dMajorStep = 1e-12;  // grid lines a billionth apart
    {
        CRecordingPane pane;
        CGraphDC dc(image);
        RedrawAll(zero, dc, pane, false);
    }
    EXPECT_TRUE(BlackColumns(image, 650, 90, 985).empty());
    EXPECT_TRUE(BlackRows(image, 77, 20, 640).empty());
    EXPECT_TRUE(BlackRows(image, 983, 20, 640).empty());
    EXPECT_EQ(CountColor(image, QRect(81, 80, 903, 560), COLOR_GRID), 0);  // below the legend

    // Range 6, which the axis dialogs accept, halves again and keeps the steps it had.
    TestRecord six = FreshRecord();
    six.SetSpeedRange(5);
    six.SetSpeedRange(6);  // 0..2.65625 mph: ticks every 0.1 up to 2.5, labels every 0.5
    image = Painted(six, W, H);
    EXPECT_EQ(BlackColumns(image, 925, 150, 1998).size(), 26u);
    EXPECT_EQ(BlackColumns(image, 933, 150, 1998).size(), 6u);
}

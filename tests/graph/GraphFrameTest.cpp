// The frame of the graph on a 2000 x 1000 image, where a page unit is two pixels across and one
// down: the plot (80, 15, 985, 920) is pixels 160..1969 by 15..919.
#include <gtest/gtest.h>

#include <set>

#include "GraphTestSupport.h"

namespace {

constexpr int W = 2000;
constexpr int H = 1000;

// Device x of a speed position (speed x 10) on a scale of nTop10 positions; device y of a
// position on a left or right scale of nTop positions.
int SpeedX(double p, int nTop10) {
    return Round(160 + p * 1810 / nTop10);
}
int ScaleY(double q, int nTop) {
    return Round(920 - q * 905 / nTop);
}

// Black pixels along a row (columns) or a column (rows).
std::set<int> BlackAlong(const QImage& image, bool bRow, int nAt, int nFrom, int nTo) {
    std::set<int> found;
    for (int k = nFrom; k <= nTo; ++k) {
        if (bRow ? Is(image, k, nAt, COLOR_BLACK) : Is(image, nAt, k, COLOR_BLACK)) {
            found.insert(k);
        }
    }
    return found;
}
std::set<int> Positions(int nLast, int nStep, auto toDevice, std::set<int> extra = {}) {
    for (int p = 0; p <= nLast; p += nStep) {
        extra.insert(toDevice(p));
    }
    return extra;
}

}  // namespace

TEST(GraphFrame, PagePlotOutlineAndDottedGrid) {
    TestRecord rec = FreshRecord();  // English: 0..85 mph, force 0..1 lb
    const QImage image = Painted(rec, W, H);
    EXPECT_TRUE(Is(image, 5, 5, COLOR_WHITE));
    for (QPoint pt : {QPoint(0, 0), QPoint(1999, 500), QPoint(1000, 999),  // page outline
                      QPoint(160, 500), QPoint(1969, 500), QPoint(1000, 15), QPoint(1000, 919)}) {
        EXPECT_TRUE(Is(image, pt.x(), pt.y(), COLOR_BLACK)) << pt.x() << "," << pt.y();
    }
    EXPECT_TRUE(Is(image, 1000, 500, COLOR_LIGHT_GREY));
    EXPECT_TRUE(Is(image, 1968, 918, COLOR_LIGHT_GREY));
    EXPECT_TRUE(Is(image, 1970, 500, COLOR_WHITE));  // right and bottom edges excluded
    EXPECT_TRUE(Is(image, 159, 500, COLOR_WHITE));

    // Grid lines every 10 mph and every 0.1 lb inside the plot, every other pixel grid grey;
    // none on the edges or at the top (85 mph, 1 lb). Below the legend, whose smoothed letters
    // hold greys of every shade.
    const std::set<int> columns = Positions(800, 100, [](int p) { return SpeedX(p, 850); }, {});
    std::set<int> rows = Positions(9000, 1000, [](int q) { return ScaleY(q, 10000); });
    rows.erase(ScaleY(0, 10000));
    for (int y = 120; y < 919; ++y) {
        const int nDots = CountColor(image, QRect(161, y, 1808, 1), COLOR_GRID);
        EXPECT_TRUE(rows.count(y) ? nDots > 800 : nDots <= 9) << y;
    }
    for (int x = 161; x < 1969; ++x) {
        const int nDots = CountColor(image, QRect(x, 120, 1, 799), COLOR_GRID);
        EXPECT_TRUE(columns.count(x) ? nDots > 390 : nDots <= 9) << x;
    }
    for (int x = 400; x < 420; ++x) {
        EXPECT_NE(Is(image, x, *rows.begin(), COLOR_GRID),
                  Is(image, x + 1, *rows.begin(), COLOR_GRID));
    }
}

TEST(GraphFrame, SpeedScaleTicksLabelsAndTitle) {
    struct Case {
        int bEnglish, nRange, nTop10, nMajor, nMinor, nLastTick;
        double dTop;
    };
    const Case cases[] = {
        {1, 1, 850, 100, 10, 840, 85},     // labels 0..80, no tick at 85
        {1, 3, 212, 20, 2, 210, 21.25},    // labels 0, 2, .. 20, middles at odd numbers, last 21
        {0, 1, 1400, 200, 20, 1380, 140},  // labels 0, 20, .. 120
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "English " << c.bEnglish << " range " << c.nRange);
        TestRecord rec = FreshRecord(c.bEnglish);
        rec.SetSpeedRange(c.nRange);
        const QImage image = Painted(rec, W, H);
        auto x = [&](int p) { return SpeedX(p, c.nTop10); };
        // Ticks hang from row 920: long ones to row 933, middle ones to 928, short ones to 925.
        std::set<int> middles;
        for (int p = 0; p <= c.nLastTick; p += c.nMinor) {
            if (p % (c.nMajor / 2) == 0) {
                middles.insert(x(p));
            }
        }
        const std::set<int> longs = Positions(c.nLastTick, c.nMajor, x);
        EXPECT_EQ(BlackAlong(image, true, 933, 150, 1998), longs);
        EXPECT_EQ(BlackAlong(image, true, 928, 150, 1998), middles);
        EXPECT_EQ(BlackAlong(image, true, 925, 150, 1998), Positions(c.nLastTick, c.nMinor, x));
        EXPECT_TRUE(BlackAlong(image, true, 934, 150, 1998).empty());
        // A label right of each long tick, none beyond the last; the title at 45 %.
        for (int xLong : longs) {
            EXPECT_GT(CountInk(image, QRect(xLong, 935, 60, 22)), 10) << xLong;
        }
        const int xAfter = *longs.rbegin() + 70;
        EXPECT_EQ(CountInk(image, QRect(xAfter, 935, W - 1 - xAfter, 22)), 0);
        const QRect rcTitle = InkBounds(image, QRect(150, 960, W - 152, 39));
        EXPECT_NEAR(rcTitle.left(), x(int(c.dTop * 4.5)), 2);
    }
}

TEST(GraphFrame, ForceScaleTicksLabelsAndTitle) {
    struct Case {
        int bEnglish, nRange, nTop, nMajor, nMinor;
    };
    // 0..1 lb: labels 0.000 .. 0.900, middles 0.050 .. 0.950; 0..0.25 kg.
    for (const Case& c : {Case{1, 2, 10000, 1000, 100}, Case{0, 3, 2500, 200, 20}}) {
        SCOPED_TRACE(testing::Message() << "English " << c.bEnglish << " range " << c.nRange);
        TestRecord rec = FreshRecord(c.bEnglish);
        rec.SetForceRange(c.nRange);
        const QImage image = Painted(rec, W, H);
        auto y = [&](int q) { return ScaleY(q, c.nTop); };
        const int nLast = c.nTop - c.nMinor;
        // Ticks reach left from column 160: long ones to 137, middle ones to 145, short to 153.
        EXPECT_EQ(BlackAlong(image, false, 137, 10, 925), Positions(nLast, c.nMajor, y));
        EXPECT_EQ(BlackAlong(image, false, 145, 10, 925), Positions(nLast, c.nMajor / 2, y));
        EXPECT_EQ(BlackAlong(image, false, 153, 10, 925), Positions(nLast, c.nMinor, y));
        EXPECT_TRUE(BlackAlong(image, false, 136, 10, 925).empty());
        for (int q = 0; q <= nLast; q += c.nMajor) {
            EXPECT_GT(CountInk(image, QRect(60, y(q) - 12, 70, 24)), 10) << q;
        }
        EXPECT_EQ(CountInk(image, QRect(40, 2, 100, 20)), 0);  // none at the top
        // The title turned, right of x = 10 (pixel 16), from 45 % of the scale upward.
        const QRect rcTitle = InkBounds(image, QRect(2, 2, 48, H - 4));
        EXPECT_GE(rcTitle.left(), 16);
        EXPECT_NEAR(rcTitle.bottom(), 920 - 0.45 * 905, 4);
        EXPECT_GT(rcTitle.height(), 3 * rcTitle.width());
    }
}

TEST(GraphFrame, RightHandScaleFollowsWhatIsShown) {
    auto paint = [](int bCd, int bLD, int nCdRange) {
        TestRecord rec = FreshRecord();
        rec.m_cd.m_bVisible = bCd;
        rec.m_ld.m_bVisible = bLD;
        rec.SetCdRange(nCdRange);
        return Painted(rec, W, H);
    };
    // Ticks reach into the plot from pixel 1970: long and middle ones alike to 1947, short ones
    // to 1963. Row 919 is the plot's outline.
    EXPECT_EQ(BlackAlong(paint(0, 0, 1), false, 1965, 16, 925), std::set<int>{919});
    auto y = [](int q) { return ScaleY(q, 2000); };
    const QImage cd = paint(1, 0, 1);
    EXPECT_EQ(BlackAlong(cd, false, 1947, 16, 925), Positions(1900, 100, y, {919}));
    EXPECT_EQ(BlackAlong(cd, false, 1965, 16, 925), Positions(1980, 20, y, {919}));
    EXPECT_EQ(BlackAlong(cd, false, 1946, 16, 925), std::set<int>{919});
    for (int q = 0; q <= 1800; q += 200) {
        EXPECT_GT(CountInk(cd, QRect(1870, y(q) - 12, 60, 22)), 10) << q;
    }
    EXPECT_EQ(CountInk(cd, QRect(1870, 16, 70, 12)), 0);  // no label at 2.00
    const QRect rcCdTitle = InkBounds(cd, QRect(1805, 16, 40, 903));
    EXPECT_GE(rcCdTitle.left(), 1810);
    EXPECT_NEAR(rcCdTitle.bottom(), 920 - 0.45 * 905, 4);
    EXPECT_GT(rcCdTitle.height(), 100);  // "Cd @ 1.00 sq. in."

    const QImage ld = paint(0, 1, 1);
    EXPECT_EQ(BlackAlong(ld, false, 1947, 16, 925), Positions(1900, 100, y, {919}));
    EXPECT_LT(InkBounds(ld, QRect(1805, 16, 40, 903)).height(), 40);  // "L/D"
    // Both shown: only the Cd scale, at its own range (2: 0..1).
    const QImage both = paint(1, 1, 2);
    EXPECT_EQ(BlackAlong(both, false, 1947, 16, 925),
              Positions(950, 50, [](int q) { return ScaleY(q, 1000); }, {919}));
    EXPECT_GT(InkBounds(both, QRect(1805, 16, 40, 903)).height(), 100);
}

TEST(GraphFrame, LegendHasFourPlacesAndHiddenCurvesLeaveTheirsEmpty) {
    // Thousandths of the plot: x = 160 + 1.81 u, y = 920 - 0.905 u. Each line is 90 pixels from
    // u = 50 (or 250), the name 108 pixels on.
    struct Place {
        CurveTable TestRecord::*pTable;
        COLORREF crLine;
        int x, y;
    };
    const Place places[] = {{&TestRecord::m_lift, RGB(255, 0, 0), 251, 42},
                            {&TestRecord::m_drag, RGB(0, 0, 255), 251, 87},
                            {&TestRecord::m_cd, RGB(0, 255, 0), 613, 42},
                            {&TestRecord::m_ld, RGB(0, 255, 255), 613, 87}};
    for (int nMask : {0, 5, 10, 15}) {
        TestRecord rec = FreshRecord();
        for (int k = 0; k < 4; ++k) {
            (rec.*places[k].pTable).m_bVisible = (nMask >> k) & 1;
        }
        const QImage image = Painted(rec, W, H);
        for (int k = 0; k < 4; ++k) {
            const Place& place = places[k];
            const bool bShown = (nMask >> k) & 1;
            SCOPED_TRACE(testing::Message() << "place " << k << " shown " << bShown);
            EXPECT_EQ(CountColor(image, QRect(place.x - 5, place.y, 100, 1), place.crLine),
                      bShown ? 90 : 0);
            EXPECT_EQ(bShown, Is(image, place.x, place.y, place.crLine));
            EXPECT_EQ(CountInk(image, QRect(place.x + 108, place.y - 18, 70, 30)) > 10, bShown);
        }
    }
}

TEST(GraphFrame, ScalesOutsideTheirRangesDrawNoTicksAndNeverHang) {
    // 1000 x 700: the speed strip's ticks cross row 650, the force strip's column 77, the Cd
    // strip's column 983.
    auto noTicks = [](const QImage& image) {
        EXPECT_TRUE(BlackAlong(image, true, 650, 90, 985).empty());
        EXPECT_TRUE(BlackAlong(image, false, 77, 20, 640).empty());
        EXPECT_TRUE(BlackAlong(image, false, 983, 20, 640).empty());
    };
    TestRecord rec = FreshRecord();
    rec.m_cd.m_bVisible = 1;
    rec.SetSpeedRange(-25);  // 85 x 2^26 mph
    rec.SetForceRange(40);   // 2 / 2^39 lb: nothing above 0 in ten-thousandths
    rec.SetCdRange(-1000000);
    noTicks(Painted(rec, 1000, 700));

    // Steps of nothing, and grid lines a billionth apart. A redraw keeps the steps as they are
    // (a paint would set the force steps again).
    TestRecord zero = FreshRecord();
    zero.m_ld.m_bVisible = 1;
    QImage image = Painted(zero, 1000, 700);
    zero.m_axisWind.m_dMinorStep = 0;
    zero.m_axisWind.m_dMajorStep = 1e-12;
    zero.m_axisForce.m_dMajorStep = 0;
    zero.m_axisLD.m_dMinorStep = 1e-9;
    {
        CRecordingPane pane;
        CGraphDC dc(image);
        RedrawAll(zero, dc, pane, false);
    }
    noTicks(image);
    EXPECT_EQ(CountColor(image, QRect(81, 80, 903, 560), COLOR_GRID), 0);

    // Range 6, which the axis dialogs accept, halves again and keeps the steps it had.
    TestRecord six = FreshRecord();
    six.SetSpeedRange(5);
    six.SetSpeedRange(6);  // 0..2.65625 mph: ticks every 0.1 up to 2.5, labels every 0.5
    image = Painted(six, W, H);
    EXPECT_EQ(BlackAlong(image, true, 925, 150, 1998).size(), 26u);
    EXPECT_EQ(BlackAlong(image, true, 933, 150, 1998).size(), 6u);
}

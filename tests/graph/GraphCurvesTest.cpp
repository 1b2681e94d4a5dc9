// Curves, overlay and comments on a 2000 x 1000 image (English, 0..85 mph, force 0..1 lb, Cd
// 0..2, L/D 0..20): slot j is at x = 160 + j x 1810 / 850, a value at y = 920 - 905 x
// trunc(value x scale) / (top x scale).
#include <gtest/gtest.h>

#include <limits>

#include "GraphTestSupport.h"

namespace {

constexpr int W = 2000;
constexpr int H = 1000;
constexpr COLORREF RED = RGB(255, 0, 0);
constexpr COLORREF BLUE = RGB(0, 0, 255);
constexpr COLORREF GREEN = RGB(0, 255, 0);
constexpr COLORREF CYAN = RGB(0, 255, 255);

int SlotX(int j) {
    return Round(160 + j * 1810.0 / 850);
}
int ValueY(double dValue, int nScale, int nTop) {
    return Round(920 - std::trunc(dValue * nScale) * 905 / nTop);
}
int ForceY(double dLb) {
    return ValueY(dLb, 10000, 10000);
}
// Pixels of a colour along a row between two slots (the line stops short of the second).
int RunOf(const QImage& image, int y, int j0, int j1, COLORREF cr) {
    return CountColor(image, QRect(SlotX(j0), y, SlotX(j1) - SlotX(j0), 1), cr);
}

TestRecord EmptyRecord() {
    TestRecord rec = FreshRecord();
    for (CurveTable* pTable : {&rec.m_lift, &rec.m_drag, &rec.m_cd, &rec.m_ld}) {
        pTable->m_dValue.fill(EMPTY_SLOT);
    }
    return rec;
}

}  // namespace

TEST(GraphCurves, CurvesJoinFilledSlotsAtTheHeightOfTheirMagnitude) {
    TestRecord rec = EmptyRecord();
    rec.m_cd.m_bVisible = 1;
    rec.m_lift.m_dValue[100] = 0.5;  // +0.5 and -0.5 make one level line
    rec.m_lift.m_dValue[300] = -0.5;
    rec.m_drag.m_dValue[100] = 0.2;  // values that are not numbers are passed over
    rec.m_drag.m_dValue[150] = std::numeric_limits<double>::quiet_NaN();
    rec.m_drag.m_dValue[170] = std::numeric_limits<double>::infinity();
    rec.m_drag.m_dValue[200] = -0.2;
    rec.m_drag.m_dValue[800] = 0.9;  // above the scale's top: drawn above the plot
    rec.m_drag.m_dValue[840] = 1.08;
    rec.m_cd.m_dValue[400] = -1.0;
    rec.m_cd.m_dValue[500] = 1.0;
    rec.m_lift.m_dOverlay[700] = 0.5;                      // alone: nothing
    rec.m_ld.m_dValue[600] = rec.m_ld.m_dValue[700] = 10;  // hidden
    const QImage image = Painted(rec, W, H);
    EXPECT_EQ(RunOf(image, ForceY(0.5), 100, 300, RED), SlotX(300) - SlotX(100));
    EXPECT_EQ(CountColor(image, image.rect(), RED), SlotX(300) - SlotX(100) + 90);  // + legend
    EXPECT_EQ(RunOf(image, ForceY(0.2), 100, 200, BLUE), SlotX(200) - SlotX(100));
    EXPECT_GT(CountColor(image, QRect(SlotX(800), 0, 100, 15), BLUE), 0);
    EXPECT_EQ(RunOf(image, ValueY(1.0, 1000, 2000), 400, 500, GREEN), SlotX(500) - SlotX(400));
    EXPECT_EQ(CountColor(image, image.rect(), RGB(128, 0, 0)), 0);
    EXPECT_EQ(CountColor(image, image.rect(), CYAN), 0);
}

TEST(GraphCurves, OverlayLiesUnderTheCurrentCurvesInItsDarkerColours) {
    TestRecord rec = EmptyRecord();
    rec.m_cd.m_bVisible = 1;
    rec.m_ld.m_bVisible = 1;
    struct Row {
        CurveTable TestRecord::*pTable;
        double dValue;
        int y;
        COLORREF crCurrent, crOverlay;
    };
    const Row rows[] = {{&TestRecord::m_lift, 0.3, ForceY(0.3), RED, RGB(128, 0, 0)},
                        {&TestRecord::m_drag, 0.6, ForceY(0.6), BLUE, RGB(0, 0, 128)},
                        {&TestRecord::m_cd, 0.3, ValueY(0.3, 1000, 2000), GREEN, RGB(0, 128, 0)},
                        {&TestRecord::m_ld, 15.0, ValueY(15, 100, 2000), CYAN, RGB(0, 128, 128)}};
    for (const Row& row : rows) {
        CurveTable& table = rec.*row.pTable;
        table.m_dOverlay[100] = table.m_dOverlay[300] = row.dValue;
        table.m_dValue[200] = table.m_dValue[400] = row.dValue;
    }
    const QImage image = Painted(rec, W, H);
    for (const Row& row : rows) {
        // Overlay alone from 100, the current curve on top of it from 200 and alone from 300.
        EXPECT_EQ(RunOf(image, row.y, 100, 200, row.crOverlay), SlotX(200) - SlotX(100)) << row.y;
        EXPECT_EQ(RunOf(image, row.y, 200, 400, row.crCurrent), SlotX(400) - SlotX(200)) << row.y;
    }
    rec.m_drag.m_bVisible = 0;  // hides its overlay too
    const QImage hidden = Painted(rec, W, H);
    EXPECT_EQ(
        CountColor(hidden, hidden.rect(), RGB(0, 0, 128)) + CountColor(hidden, hidden.rect(), BLUE),
        0);
}

TEST(GraphCurves, CommentLinesAtTheirPlaces) {
    TestRecord rec = EmptyRecord();
    for (int i : {0, 3, 9}) {
        rec.m_strComment[i] = "Comment line " + std::to_string(i);
    }
    // Line i has its box's top-left corner at (600, 990 - 35 i) of the plot's thousandths.
    auto top = [](int i) { return Round(920 - 0.905 * (990 - 35 * i)); };
    const int x = Round(160 + 600 * 1.81);
    const QImage image = Painted(rec, W, H);
    for (int i = 0; i < COMMENT_COUNT; ++i) {
        const QRect rcLine(x, top(i), 400, 22);
        EXPECT_EQ(CountInk(image, rcLine) > 50, !rec.m_strComment[i].empty()) << i;
        if (!rec.m_strComment[i].empty()) {
            EXPECT_LE(InkBounds(image, rcLine).left(), x + 3);
        }
    }
    EXPECT_EQ(CountInk(image, QRect(500, 16, x - 510, top(9) + 20)), 0);
    EXPECT_EQ(CountInk(image, QRect(x, top(9) + 22, 400, 30)), 0);
}

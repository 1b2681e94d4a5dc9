// Curves, overlay and comments as they land on a 2000 x 1000 image (English, 0..85 mph, force
// 0..1 lb, Cd 0..2, L/D 0..20): slot j is at x = 160 + j x 1810 / 850, a force position q (lb x
// 10000) at y = 920 - q x 905 / 10000.
#include <gtest/gtest.h>

#include <cmath>
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
int ForceY(double dLb) {
    return Round(920 - std::trunc(dLb * 10000) * 905 / 10000);
}
int CdY(double dCd) {
    return Round(920 - std::trunc(dCd * 1000) * 905 / 2000);
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
    // Lift: +0.5 and -0.5 draw one level line; drag passes over values that are not numbers.
    rec.m_lift.m_dValue[100] = 0.5;
    rec.m_lift.m_dValue[300] = -0.5;
    rec.m_drag.m_dValue[100] = 0.2;
    rec.m_drag.m_dValue[150] = std::numeric_limits<double>::quiet_NaN();
    rec.m_drag.m_dValue[170] = std::numeric_limits<double>::infinity();
    rec.m_drag.m_dValue[200] = -0.2;
    rec.m_cd.m_dValue[400] = -1.0;
    rec.m_cd.m_dValue[500] = 1.0;
    // L/D is hidden: nothing of it is drawn.
    rec.m_ld.m_dValue[600] = 10;
    rec.m_ld.m_dValue[700] = 10;
    const QImage image = Painted(rec, W, H);

    EXPECT_EQ(CountColor(image, QRect(0, ForceY(0.5), W, 1), RED), SlotX(300) - SlotX(100));
    EXPECT_TRUE(Is(image, SlotX(100), ForceY(0.5), RED));
    EXPECT_FALSE(Is(image, SlotX(300), ForceY(0.5), RED));
    EXPECT_EQ(CountColor(image, image.rect(), RED), SlotX(300) - SlotX(100) + 90);  // + legend
    EXPECT_EQ(CountColor(image, QRect(0, ForceY(0.2), W, 1), BLUE), SlotX(200) - SlotX(100));
    EXPECT_EQ(CountColor(image, QRect(0, CdY(1.0), W, 1), GREEN), SlotX(500) - SlotX(400));
    EXPECT_EQ(CountColor(image, image.rect(), CYAN), 0);

    // A rising line runs from one filled slot to the next, whatever lies between.
    TestRecord rise = EmptyRecord();
    rise.m_lift.m_dValue[0] = 0.0;
    rise.m_lift.m_dValue[425] = 0.5;
    const QImage risen = Painted(rise, W, H);
    EXPECT_TRUE(Is(risen, 160, 920, RED));
    EXPECT_TRUE(Is(risen, SlotX(212), Round((920 + ForceY(0.5)) / 2.0), RED) ||
                Is(risen, SlotX(212), Round((920 + ForceY(0.5)) / 2.0) + 1, RED));
    EXPECT_FALSE(Is(risen, SlotX(425), ForceY(0.5), RED));
}

TEST(GraphCurves, ASingleFilledSlotDrawsNothingAndValuesAboveTheScaleLeaveThePlot) {
    TestRecord rec = EmptyRecord();
    rec.m_lift.m_dValue[400] = 0.5;  // alone
    rec.m_drag.m_dValue[800] = 0.9;
    rec.m_drag.m_dValue[840] = 1.08;  // above the top (1 lb): drawn above the plot
    const QImage image = Painted(rec, W, H);
    EXPECT_EQ(CountColor(image, image.rect(), RED), 90);  // the legend's line only
    EXPECT_GT(CountColor(image, QRect(SlotX(800), 0, 100, 15), BLUE), 0);
}

TEST(GraphCurves, OverlayLiesUnderTheCurrentCurvesInItsDarkerColours) {
    TestRecord rec = EmptyRecord();
    rec.m_cd.m_bVisible = 1;
    rec.m_ld.m_bVisible = 1;
    struct Row {
        CurveTable TestRecord::*pTable;
        double dValue;
        int y;
        COLORREF crCurrent;
        COLORREF crOverlay;
    };
    const Row rows[] = {
        {&TestRecord::m_lift, 0.3, ForceY(0.3), RED, RGB(128, 0, 0)},
        {&TestRecord::m_drag, 0.6, ForceY(0.6), BLUE, RGB(0, 0, 128)},
        {&TestRecord::m_cd, 0.3, CdY(0.3), GREEN, RGB(0, 128, 0)},
        {&TestRecord::m_ld, 15.0, Round(920 - 1500 * 905.0 / 2000), CYAN, RGB(0, 128, 128)},
    };
    for (const Row& row : rows) {
        CurveTable& table = rec.*row.pTable;
        table.m_dOverlay[100] = table.m_dOverlay[300] = row.dValue;
        table.m_dValue[200] = table.m_dValue[400] = row.dValue;
    }
    const QImage image = Painted(rec, W, H);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.y);
        // Overlay alone, then both (the current curve on top), then the current one alone.
        EXPECT_EQ(
            CountColor(image, QRect(SlotX(100), row.y, SlotX(200) - SlotX(100), 1), row.crOverlay),
            SlotX(200) - SlotX(100));
        EXPECT_EQ(
            CountColor(image, QRect(SlotX(200), row.y, SlotX(400) - SlotX(200), 1), row.crCurrent),
            SlotX(400) - SlotX(200));
    }
    // A hidden quantity hides its overlay too.
    rec.m_drag.m_bVisible = 0;
    const QImage hidden = Painted(rec, W, H);
    EXPECT_EQ(CountColor(hidden, hidden.rect(), RGB(0, 0, 128)), 0);
    EXPECT_EQ(CountColor(hidden, hidden.rect(), BLUE), 0);
}

TEST(GraphCurves, CommentLinesAtTheirPlaces) {
    TestRecord rec = EmptyRecord();
    const std::vector<int> filled = {0, 3, 9};
    for (int i : filled) {
        rec.m_strComment[i] = "Comment line " + std::to_string(i);
    }
    rec.m_strComment[5] = "";
    // Line i has its box's top-left corner at (600, 990 - 35 i) of the plot's thousandths.
    auto top = [](int i) { return Round(920 - 0.905 * (990 - 35 * i)); };
    const int x = Round(160 + 600 * 1.81);
    const QImage image = Painted(rec, W, H);
    for (int i = 0; i < COMMENT_COUNT; ++i) {
        const bool bFilled = std::find(filled.begin(), filled.end(), i) != filled.end();
        const QRect rcLine(x, top(i), 400, 22);
        EXPECT_EQ(CountInk(image, rcLine) > 50, bFilled) << i;
        if (bFilled) {
            const QRect rcInk = InkBounds(image, rcLine);
            EXPECT_LE(rcInk.left(), x + 3);
            EXPECT_GE(rcInk.top(), top(i));
        }
    }
    EXPECT_EQ(CountInk(image, QRect(500, 16, x - 510, top(9) + 20)), 0);
    // Ten lines reach down to y = 675 of the plot.
    for (auto& str : rec.m_strComment) {
        str = "x";
    }
    const QImage ten = Painted(rec, W, H);
    EXPECT_GT(CountInk(ten, QRect(x, top(9), 30, 22)), 5);
    EXPECT_EQ(CountInk(ten, QRect(x, top(9) + 22, 30, 30)), 0);
}

TEST(GraphCurves, AStretchIncludesBothEndSlots) {
    // Slots handed over as speeds (slot x 0.1) come back as the same slots.
    for (int j = 0; j < SLOT_COUNT; ++j) {
        ASSERT_EQ(std::trunc(j * 0.1 * 10), j);
    }
    TestRecord rec = EmptyRecord();
    rec.m_lift.m_dValue[100] = rec.m_lift.m_dValue[200] = rec.m_lift.m_dValue[300] = 0.5;
    TestRecord empty = EmptyRecord();
    const QImage base = Painted(empty, W, H);
    rec.m_rcClient = CRect{0, 0, W, H};
    auto stretch = [&](double a, double b) {
        QImage image = base;
        CGraphDC dc(image);
        DrawCurve(rec, dc, rec.m_lift, rec.m_axisForce, a, b, DRAW_COPY);
        return CountColor(image, QRect(0, ForceY(0.5), W, 1), RED);
    };
    EXPECT_EQ(stretch(10.0, 30.0), SlotX(300) - SlotX(100));
    EXPECT_EQ(stretch(10.0, 29.9), SlotX(200) - SlotX(100));
    EXPECT_EQ(stretch(20.0, 20.0), 0);
    EXPECT_EQ(stretch(30.0, 10.0), 0);
    EXPECT_EQ(stretch(-5.0, 1e300), SlotX(300) - SlotX(100));
    EXPECT_EQ(stretch(std::nan(""), 30.0), 0);
}

// The drawing surface: how its lines, text and mappings land on device pixels.
#include <gtest/gtest.h>

#include <limits>

#include "GraphTestSupport.h"

namespace {

QImage Filled(int nWidth, int nHeight, COLORREF cr) {
    QImage image(nWidth, nHeight, QImage::Format_RGB32);
    image.fill(Rgb(cr));
    return image;
}

}  // namespace

TEST(GraphSurface, LinesCoverTheirStartAndStopShortOfTheirEndAtAnySlope) {
    for (int dx = -30; dx <= 30; dx += 5) {
        for (int dy = -30; dy <= 30; dy += 3) {
            QImage image = Filled(81, 81, COLOR_WHITE);
            CGraphDC(image).Line(QPoint(40, 40), QPoint(40 + dx, 40 + dy));
            SCOPED_TRACE(testing::Message() << "dx " << dx << " dy " << dy);
            // One pixel per step along the longer axis: unbroken, and nothing for no length.
            EXPECT_EQ(CountColor(image, image.rect(), COLOR_BLACK),
                      std::max(std::abs(dx), std::abs(dy)));
            EXPECT_EQ(Is(image, 40, 40, COLOR_BLACK), dx != 0 || dy != 0);
            EXPECT_TRUE(Is(image, 40 + dx, 40 + dy, COLOR_WHITE));
        }
    }
}

TEST(GraphSurface, EveryJointOfACurveIsDrawnOnceInExclusiveOr) {
    // Steep rises and falls, flat stretches and reversals, drawn segment by segment: every joint
    // must show, or a live curve would have holes at its peaks.
    const std::vector<QPoint> points = {{10, 80}, {14, 20}, {30, 22}, {33, 70}, {35, 10},
                                        {60, 12}, {61, 60}, {62, 59}, {90, 90}, {91, 30}};
    const COLORREF RED = RGB(255, 0, 0);
    QImage image = Filled(100, 100, COLOR_LIGHT_GREY);
    {
        CGraphDC dc(image);
        dc.SelectPen(PEN_SOLID, RED ^ COLOR_LIGHT_GREY);
        dc.SetDrawMode(DRAW_XOR);
        for (size_t i = 1; i < points.size(); ++i) {
            dc.Line(points[i - 1], points[i]);
        }
    }
    for (size_t i = 0; i + 1 < points.size(); ++i) {
        EXPECT_TRUE(Is(image, points[i].x(), points[i].y(), RED)) << "joint " << i;
    }
    EXPECT_EQ(
        CountColor(image, image.rect(), RED) + CountColor(image, image.rect(), COLOR_LIGHT_GREY),
        100 * 100);
}

TEST(GraphSurface, LinesRunningOffTheSurfaceKeepTheirVisiblePixels) {
    // Each line on a small image, and whole on a large one of which the small one is a window.
    const QPoint ptOffset(1000, 1400);
    const std::vector<QLine> lines = {{{50, 50}, {3000, -1200}},
                                      {{-1000, 10}, {1500, 70}},
                                      {{30, -1400}, {70, 1600}},
                                      {{99, 0}, {-900, 1000}}};
    for (const QLine& line : lines) {
        QImage small = Filled(100, 100, COLOR_WHITE);
        QImage large = Filled(4100, 3100, COLOR_WHITE);
        CGraphDC(small).Line(line.p1(), line.p2());
        CGraphDC(large).Line(line.p1() + ptOffset, line.p2() + ptOffset);
        EXPECT_EQ(small, large.copy(QRect(ptOffset, QSize(100, 100)))) << line.x2();
        EXPECT_GT(CountColor(small, small.rect(), COLOR_BLACK), 0);
    }
}

TEST(GraphSurface, TextIsOpaqueUprightOrTurnedAboutItsAnchor) {
    QImage image = Filled(300, 300, COLOR_LIGHT_GREY);
    {
        CGraphDC dc(image);
        dc.Mapping().Set(0, 0, 300, 300, 0, 300, 300, 0);  // a unit a pixel, y upward
        dc.SetTextBackground(COLOR_WHITE);
        dc.SelectFont(20, false);
        EXPECT_EQ(dc.FontPixels(), 20);
        dc.TextOut(20, 280, "Wind");  // device (20, 20)
        dc.SelectFont(20, true);
        dc.TextOut(150, 50, "WW......");  // device (150, 250)
    }
    // Upright: on a white box right of and below the anchor.
    const QRect rcUpright = InkBounds(image, QRect(0, 0, 140, 100));
    EXPECT_GE(rcUpright.left(), 20);
    EXPECT_GE(rcUpright.top(), 20);
    EXPECT_LE(rcUpright.bottom(), 45);
    EXPECT_TRUE(Is(image, 20, 20, COLOR_WHITE));
    EXPECT_TRUE(Is(image, 19, 20, COLOR_LIGHT_GREY));
    // Turned: runs up from the anchor, lies right of it, reads bottom to top (letters first).
    const QRect rcTurned = InkBounds(image, QRect(140, 100, 160, 160));
    EXPECT_GE(rcTurned.left(), 150);
    EXPECT_LE(rcTurned.right(), 175);
    EXPECT_LE(rcTurned.bottom(), 250);
    EXPECT_GT(rcTurned.height(), 3 * rcTurned.width());
    EXPECT_TRUE(Is(image, 150, 249, COLOR_WHITE));
    EXPECT_GT(CountInk(image, QRect(150, rcTurned.bottom() - 9, 25, 10)),
              CountInk(image, QRect(150, rcTurned.top(), 25, 10)));
}

TEST(GraphSurface, TheWindowImageIsDrawnInItsOwnPixelsAtAnyRatio) {
    TestRecord rec = FreshRecord();
    rec.m_lift.m_dValue[300] = 0.4;
    rec.m_strComment[0] = "ratio";
    const QImage plain = Painted(rec, 1000, 700);
    for (double dRatio : {2.0, 1.25}) {
        QImage image = MakeWindowImage(QSize(1000 / dRatio, 700 / dRatio), dRatio);
        ASSERT_EQ(image.size(), QSize(1000, 700));
        EXPECT_EQ(image.devicePixelRatio(), dRatio);
        CRecordingPane pane;
        {
            CGraphDC dc(image);
            PaintPass(rec, dc, pane, false);
        }
        EXPECT_EQ(rec.m_rcClient, (CRect{0, 0, 1000, 700}));
        image.setDevicePixelRatio(1.0);
        EXPECT_EQ(image, plain) << "ratio " << dRatio;
    }
}

TEST(GraphSurface, PositionsThatAreNotNumbersOrFarOffStillGiveWholeUnits) {
    const double dInf = std::numeric_limits<double>::infinity();
    const double dNaN = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(DevicePixel(dNaN), 0);
    EXPECT_EQ(DevicePixel(dInf), DEVICE_LIMIT);
    EXPECT_EQ(DevicePixel(-1e300), -DEVICE_LIMIT);
    EXPECT_EQ(DevicePixel(2.5), 3);
    EXPECT_EQ(DevicePixel(-2.5), -2);
    EXPECT_EQ(DevicePixel(-2.6), -3);
    EXPECT_EQ(LogicalUnits(dNaN), 0);
    EXPECT_EQ(LogicalUnits(-dInf), -LOGICAL_LIMIT);
    EXPECT_EQ(LogicalUnits(-2.9), -2);
    EXPECT_EQ(LogicalUnits(212.5), 212);
    // n div 2^(range - 1), for ranges the axis dialogs can give and far beyond.
    EXPECT_EQ(HalvedByRange(250, 4), 31);
    EXPECT_EQ(HalvedByRange(2, 3), 0);
    EXPECT_EQ(HalvedByRange(40, 0), 80);
    EXPECT_EQ(HalvedByRange(40, std::numeric_limits<int>::min()), LOGICAL_LIMIT);
    EXPECT_EQ(HalvedByRange(40, std::numeric_limits<int>::max()), 0);
    // A mapping of no logical extent puts everything on its left and bottom edges.
    CMapping map;
    map.Set(10, 20, 110, 220, 5, 0, 5, 0);
    EXPECT_EQ(map.DeviceX(1e9), 10);
    EXPECT_EQ(map.DeviceY(-7), 220);
    EXPECT_EQ(map.LogicalX(50), 5);
    // Fonts are at least a pixel and at most twice the surface.
    QImage image = Filled(50, 50, COLOR_WHITE);
    CGraphDC dc(image);
    dc.Mapping().Set(0, 0, 50, 50, 0, 1, 1, 0);
    dc.SelectFont(LOGICAL_LIMIT, false);
    EXPECT_EQ(dc.FontPixels(), 100);
    dc.SelectFont(1, true);
    EXPECT_EQ(dc.FontPixels(), 50);
    dc.Mapping().Set(0, 0, 50, 50, 0, 1000, 1, 0);
    dc.SelectFont(1, false);
    EXPECT_EQ(dc.FontPixels(), 1);
    dc.SelectFont(0, true);
    EXPECT_EQ(dc.FontPixels(), DEFAULT_FONT_PIXELS);
}

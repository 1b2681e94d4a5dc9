// The drawing surface: how its lines, text and mappings land on device pixels.
#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <limits>

#include "GraphTestSupport.h"

namespace {

constexpr COLORREF GREY = COLOR_LIGHT_GREY;
constexpr COLORREF RED = RGB(255, 0, 0);

QImage Filled(int nWidth, int nHeight, COLORREF cr) {
    QImage image(nWidth, nHeight, QImage::Format_RGB32);
    image.fill(QColor(GetRValue(cr), GetGValue(cr), GetBValue(cr)));
    return image;
}

// Device pixels one-to-one with logical units, y downward as on the device.
void MapPixels(CGraphDC& dc) {
    dc.Mapping().Set(0, 0, 1000, 1000, 0, 0, 1000, 1000);
}

}  // namespace

TEST(GraphSurface, LinesCoverTheirStartAndStopShortOfTheirEnd) {
    const QPoint ptStart(40, 40);
    for (int dx = -30; dx <= 30; dx += 5) {
        for (int dy = -30; dy <= 30; dy += 3) {
            if (dx == 0 && dy == 0) {
                continue;
            }
            QImage image = Filled(81, 81, COLOR_WHITE);
            {
                CGraphDC dc(image);
                dc.SelectStockPen();
                dc.Line(ptStart, ptStart + QPoint(dx, dy));
            }
            SCOPED_TRACE(testing::Message() << "dx " << dx << " dy " << dy);
            EXPECT_TRUE(Is(image, 40, 40, COLOR_BLACK));
            EXPECT_TRUE(Is(image, 40 + dx, 40 + dy, COLOR_WHITE));
            // One pixel per step along the longer axis, each step moving at most one pixel
            // across: an unbroken line.
            const int nSteps = std::max(std::abs(dx), std::abs(dy));
            EXPECT_EQ(CountColor(image, image.rect(), COLOR_BLACK), nSteps);
        }
    }
}

TEST(GraphSurface, EveryJointOfACurveIsDrawnOnceInExclusiveOr) {
    // Steep rises and falls, flat stretches and reversals: a curve drawn segment by segment in
    // exclusive-or must show every joint, or a live curve would have holes at its peaks.
    const std::vector<QPoint> points = {{10, 80}, {14, 20}, {30, 22}, {33, 70}, {35, 10},
                                        {60, 12}, {61, 60}, {62, 59}, {90, 90}, {91, 30}};
    QImage image = Filled(100, 100, GREY);
    {
        CGraphDC dc(image);
        dc.SelectPen(PEN_SOLID, RED ^ GREY);
        dc.SetDrawMode(DRAW_XOR);
        for (size_t i = 1; i < points.size(); ++i) {
            dc.Line(points[i - 1], points[i]);
        }
    }
    for (size_t i = 0; i + 1 < points.size(); ++i) {
        EXPECT_TRUE(Is(image, points[i].x(), points[i].y(), RED)) << "joint " << i;
    }
    EXPECT_TRUE(Is(image, points.back().x(), points.back().y(), GREY));
    // Only red and the background: no pixel was drawn twice.
    EXPECT_EQ(CountColor(image, image.rect(), RED) + CountColor(image, image.rect(), GREY),
              100 * 100);
}

TEST(GraphSurface, LinesRunningOffTheSurfaceKeepTheirVisiblePixels) {
    // Each line drawn on a small image, and whole on a large one of which the small one is a
    // window: the small one must show exactly the window's pixels.
    const QPoint ptOffset(1000, 1400);
    const std::vector<QLine> lines = {{{50, 50}, {3000, -1200}},
                                      {{-1000, 10}, {1500, 70}},
                                      {{30, -1400}, {70, 1600}},
                                      {{-5, -5}, {120, 130}},
                                      {{99, 0}, {-900, 1000}}};
    for (const QLine& line : lines) {
        QImage small = Filled(100, 100, COLOR_WHITE);
        QImage large = Filled(4100, 3100, COLOR_WHITE);
        {
            CGraphDC dcSmall(small);
            dcSmall.Line(line.p1(), line.p2());
            CGraphDC dcLarge(large);
            dcLarge.Line(line.p1() + ptOffset, line.p2() + ptOffset);
        }
        EXPECT_EQ(small, large.copy(QRect(ptOffset, QSize(100, 100))))
            << line.x1() << "," << line.y1() << " " << line.x2() << "," << line.y2();
        EXPECT_GT(CountColor(small, small.rect(), COLOR_BLACK), 0);
    }
    // Ends far beyond any page cost no more than the visible part.
    QImage image = Filled(100, 100, COLOR_WHITE);
    {
        CGraphDC dc(image);
        dc.Line(QPoint(50, 50), QPoint(DEVICE_LIMIT, -DEVICE_LIMIT / 3));
    }
    EXPECT_TRUE(Is(image, 50, 50, COLOR_BLACK));
    EXPECT_EQ(CountColor(image, image.rect(), COLOR_BLACK), 50);
}

TEST(GraphSurface, ExclusiveOrTwiceLeavesThePictureAsItWas) {
    TestRecord rec = FreshRecord();
    const QImage before = Painted(rec, 640, 480);
    QImage image = before;
    QRandomGenerator rng(7);
    std::vector<std::pair<QPoint, QPoint>> lines;
    for (int i = 0; i < 300; ++i) {
        lines.push_back({QPoint(rng.bounded(-50, 700), rng.bounded(-50, 530)),
                         QPoint(rng.bounded(-50, 700), rng.bounded(-50, 530))});
    }
    for (int nPass = 0; nPass < 2; ++nPass) {
        CGraphDC dc(image);
        dc.SetDrawMode(DRAW_XOR);
        for (size_t i = 0; i < lines.size(); ++i) {
            dc.SelectPen(static_cast<int>(i % 5), RGB((i * 37) % 256, 90, 200) ^ GREY);
            dc.Line(lines[i].first, lines[i].second);
        }
        if (nPass == 0) {
            EXPECT_NE(image, before);
        }
    }
    EXPECT_EQ(image, before);
}

TEST(GraphSurface, PenStylesSetTheirPatternOfPixels) {
    auto row = [](int nStyle) {
        QImage image = Filled(60, 3, COLOR_WHITE);
        {
            CGraphDC dc(image);
            dc.SelectPen(nStyle, COLOR_BLACK);
            dc.Line(QPoint(0, 1), QPoint(60, 1));
        }
        std::string str;
        for (int x = 0; x < 60; ++x) {
            str += Is(image, x, 1, COLOR_BLACK) ? '#' : '.';
        }
        return str;
    };
    EXPECT_EQ(row(PEN_SOLID), std::string(60, '#'));
    EXPECT_EQ(row(PEN_DOT).substr(0, 8), "#.#.#.#.");
    EXPECT_EQ(row(PEN_DASH).substr(0, 26), std::string(18, '#') + "......##");
    EXPECT_EQ(row(PEN_DASHDOT).substr(0, 25), std::string(9, '#') + "......###......#");
    EXPECT_EQ(row(PEN_NULL), std::string(60, '.'));
}

TEST(GraphSurface, TextIsOpaqueUprightOrTurnedAboutItsAnchor) {
    QImage image = Filled(300, 300, GREY);
    {
        CGraphDC dc(image);
        MapPixels(dc);
        dc.SetTextBackground(COLOR_WHITE);
        dc.Mapping().Set(0, 0, 300, 300, 0, 300, 300, 0);  // y upward, one unit a pixel
        dc.SelectFont(20, false);
        EXPECT_EQ(dc.FontPixels(), 20);
        dc.TextOut(20, 280, "Wind");  // device (20, 20)
        dc.SelectFont(20, true);
        dc.TextOut(150, 50, "WW......");  // device (150, 250)
    }
    // Upright: the box, filled white, and the text in it, to the right of and below the anchor.
    const QRect rcUpright = InkBounds(image, QRect(0, 0, 140, 100));
    EXPECT_GE(rcUpright.left(), 20);
    EXPECT_GE(rcUpright.top(), 20);
    EXPECT_LE(rcUpright.bottom(), 45);
    EXPECT_GT(rcUpright.width(), rcUpright.height());
    EXPECT_TRUE(Is(image, 20, 20, COLOR_WHITE));
    EXPECT_TRUE(Is(image, 19, 20, GREY));
    // Turned: runs up from the anchor, to its right, and reads bottom to top: the letters are at
    // the bottom, the dots at the top.
    const QRect rcTurned = InkBounds(image, QRect(140, 100, 160, 160));
    EXPECT_GE(rcTurned.left(), 150);
    EXPECT_LE(rcTurned.right(), 150 + 25);
    EXPECT_LE(rcTurned.bottom(), 250);
    EXPECT_GT(rcTurned.height(), 3 * rcTurned.width());
    EXPECT_TRUE(Is(image, 150, 249, COLOR_WHITE));
    const int nBottomInk = CountInk(image, QRect(150, rcTurned.bottom() - 9, 25, 10));
    const int nTopInk = CountInk(image, QRect(150, rcTurned.top(), 25, 10));
    EXPECT_GT(nBottomInk, nTopInk);
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
            EXPECT_EQ(dc.Width(), 1000);
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
    EXPECT_EQ(LogicalUnits(dNaN), 0);
    EXPECT_EQ(LogicalUnits(dInf), LOGICAL_LIMIT);
    EXPECT_EQ(LogicalUnits(-dInf), -LOGICAL_LIMIT);
    EXPECT_EQ(LogicalUnits(-2.9), -2);
    EXPECT_EQ(LogicalUnits(212.5), 212);
    // n div 2^(range - 1), for ranges the axis dialogs can give and far beyond.
    EXPECT_EQ(HalvedByRange(250, 1), 250);
    EXPECT_EQ(HalvedByRange(250, 4), 31);
    EXPECT_EQ(HalvedByRange(2, 3), 0);
    EXPECT_EQ(HalvedByRange(40, 0), 80);
    EXPECT_EQ(HalvedByRange(40, -100), LOGICAL_LIMIT);
    EXPECT_EQ(HalvedByRange(40, std::numeric_limits<int>::min()), LOGICAL_LIMIT);
    EXPECT_EQ(HalvedByRange(40, std::numeric_limits<int>::max()), 0);

    // A mapping of an empty logical extent puts everything on its left and bottom edges.
    CMapping map;
    map.Set(10, 20, 110, 220, 5, 0, 5, 0);
    EXPECT_EQ(map.DeviceX(1e9), 10);
    EXPECT_EQ(map.DeviceY(-7), 220);
    EXPECT_EQ(map.LogicalX(50), 5);

    QImage image = Filled(50, 50, COLOR_WHITE);
    CGraphDC dc(image);
    dc.Mapping().Set(0, 0, 50, 50, 0, LOGICAL_LIMIT, 1, 0);
    dc.SelectFont(LOGICAL_LIMIT, false);
    EXPECT_EQ(dc.FontPixels(), 50);  // a tiny unit: 50 pixels
    dc.Mapping().Set(0, 0, 50, 50, 0, 1, 1, 0);
    dc.SelectFont(LOGICAL_LIMIT, false);
    EXPECT_EQ(dc.FontPixels(), 100);  // never taller than twice the surface
    dc.SelectFont(0, true);
    EXPECT_EQ(dc.FontPixels(), 1);
}

TEST(GraphSurface, ChangedRectangleCoversWhatWasDrawn) {
    QImage image = Filled(200, 100, COLOR_WHITE);
    CGraphDC dc(image);
    EXPECT_TRUE(dc.TakeChangedRect().isEmpty());
    dc.Line(QPoint(10, 20), QPoint(50, 5));
    dc.Line(QPoint(190, 90), QPoint(400, 95));  // partly off the surface
    EXPECT_EQ(dc.TakeChangedRect(), QRect(QPoint(10, 5), QPoint(199, 95)));
    EXPECT_TRUE(dc.TakeChangedRect().isEmpty());
}

TEST(GraphSurface, ASurfaceThatCannotBePaintedDrawsNothing) {
    QImage image;
    CGraphDC dc(image);
    EXPECT_FALSE(dc.IsActive());
    dc.Line(QPoint(0, 0), QPoint(10, 10));
    dc.Rectangle(0, 0, 10, 10);
    dc.TextOut(0, 0, "x");
    EXPECT_TRUE(image.isNull());
}

// The status line, byte for byte.
#include <gtest/gtest.h>

#include <limits>

#include "GraphTestSupport.h"
#include "graph/StatusLine.h"
#include "run/Units.h"

namespace {

TestRecord Shown(int bEnglish, int bCd, int bLD) {
    TestRecord rec = FreshRecord(bEnglish);
    rec.m_cd.m_bVisible = bCd;
    rec.m_ld.m_bVisible = bLD;
    return rec;
}

}  // namespace

TEST(StatusLine, ZeroedLineAfterEveryFullDrawInBothUnitSystemsAndEveryVisibility) {
    const std::string strCd = ", Cd: 0.0000";
    const std::string strLD = ", L/D: ******";
    for (int bEnglish : {1, 0}) {
        for (int nShown = 0; nShown < 4; ++nShown) {
            TestRecord rec = Shown(bEnglish, nShown & 1, nShown >> 1);
            std::string strExpected =
                bEnglish ? "STOPPED - Wind Speed:  0.0 MPH., Lift: +0.000 lbs., Drag: 0.000 lbs."
                         : "STOPPED - Wind Speed:  0.0 KPH., Lift: +0.000 kg., Drag: 0.000 kg.";
            strExpected += ((nShown & 1) ? strCd : "") + ((nShown >> 1) ? strLD : "");
            // The paint, a redraw and the print each leave it.
            CRecordingPane pane;
            QImage image(400, 300, QImage::Format_RGB32);
            {
                CGraphDC dc(image);
                PaintPass(rec, dc, pane, false);
                RedrawAll(rec, dc, pane, false);
            }
            {
                CGraphDC dc(image, true);
                PrintPass(rec, dc, pane, false);
            }
            EXPECT_EQ(pane.m_texts, std::vector<std::string>(3, strExpected));
        }
    }
    // Byte for byte as the console has always shown it.
    EXPECT_EQ(FormatStatus(Shown(1, 1, 1), false, 0, 0, 0, 0, NOT_COMPUTABLE),
              "STOPPED - Wind Speed:  0.0 MPH., Lift: +0.000 lbs., Drag: 0.000 lbs., Cd: 0.0000, "
              "L/D: ******");
}

TEST(StatusLine, ReadingsAsTheLinePrintsThem) {
    TestRecord english = Shown(1, 1, 1);
    EXPECT_EQ(FormatStatus(english, true, 42.25, -0.0625, 0.1875, 0.03125, 3.0),
              "RUNNING - Wind Speed: 42.3 MPH., Lift: -0.063 lbs., Drag: 0.188 lbs., Cd: 0.0313, "
              "L/D: 3.0000");
    EXPECT_EQ(FormatStatus(english, false, 4.9, 0.004, 0.001, 0, 0),
              "STOPPED - Wind Speed:  4.9 MPH., Lift: +0.004 lbs., Drag: 0.001 lbs., Cd: 0.0000, "
              "L/D: 0.0000");
    EXPECT_EQ(FormatStatus(english, true, 125.0, 12.5, 1.25, 2.0, -20.0),
              "RUNNING - Wind Speed: 125.0 MPH., Lift: +12.500 lbs., Drag: 1.250 lbs., Cd: 2.0000, "
              "L/D: -20.0000");
    // At or above the marker, and numbers that are not numbers, show as asterisks.
    EXPECT_EQ(FormatStatus(english, true, 1, 0, 0, NOT_COMPUTABLE, 99999.8),
              "RUNNING - Wind Speed:  1.0 MPH., Lift: +0.000 lbs., Drag: 0.000 lbs., Cd: ******, "
              "L/D: 99999.8000");
    EXPECT_EQ(FormatStatus(english, true, 1, 0, 0, std::numeric_limits<double>::quiet_NaN(),
                           std::numeric_limits<double>::infinity()),
              "RUNNING - Wind Speed:  1.0 MPH., Lift: +0.000 lbs., Drag: 0.000 lbs., Cd: ******, "
              "L/D: ******");
    // Cd hidden, L/D shown: L/D straight after the drag.
    EXPECT_EQ(FormatStatus(Shown(1, 0, 1), false, 30, 0.15, 0.05, 0.2, 3),
              "STOPPED - Wind Speed: 30.0 MPH., Lift: +0.150 lbs., Drag: 0.050 lbs., L/D: 3.0000");
    EXPECT_EQ(FormatStatus(Shown(0, 0, 0), true, 64.3736, 0.0226796, 0.0226796, 0.1, 1),
              "RUNNING - Wind Speed: 64.4 KPH., Lift: +0.023 kg., Drag: 0.023 kg.");
}

TEST(StatusLine, RecordedPointsRefreshItAtMostEvery200Milliseconds) {
    TestRecord rec = Shown(1, 0, 1);
    std::int64_t tNow = 1000;
    rec.m_fnClock = [&] { return tNow; };
    bool bRunning = true;
    CRecordingPane pane;
    QImage image(400, 300, QImage::Format_RGB32);
    CGraphDC dc(image);
    CWindowDrawing live(dc, pane, [&] { return bRunning; });
    auto reading = [&](std::int64_t t, double dWind) {
        tNow = t;
        rec.RecordPoint(live, 0.15, 0.05, dWind, RECORD_READING);
    };
    reading(1000, 30.0);
    reading(1150, 30.5);  // 150 ms later: no change
    ASSERT_EQ(pane.m_texts.size(), 1u);
    EXPECT_EQ(pane.m_texts[0],
              "RUNNING - Wind Speed: 30.0 MPH., Lift: +0.150 lbs., Drag: 0.050 lbs., L/D: 3.0000");
    bRunning = false;     // the link's flag, read when the line is made
    reading(1300, 31.0);  // 300 ms after the first
    ASSERT_EQ(pane.m_texts.size(), 2u);
    EXPECT_EQ(pane.Last(),
              "STOPPED - Wind Speed: 31.0 MPH., Lift: +0.150 lbs., Drag: 0.050 lbs., L/D: 3.0000");
    reading(1100, 31.5);  // a clock 200 ms behind counts too
    EXPECT_EQ(pane.m_texts.size(), 3u);
    reading(1101, 4.0);  // below 5: Cd and L/D are 0, not asterisks
    reading(1400, 4.0);
    EXPECT_EQ(pane.Last(),
              "STOPPED - Wind Speed:  4.0 MPH., Lift: +0.150 lbs., Drag: 0.050 lbs., L/D: 0.0000");
}

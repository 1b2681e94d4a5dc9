#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "RecordingDrawing.h"
#include "run/TestRecord.h"
#include "run/Units.h"

using Calls = std::vector<std::string>;

namespace {

// An English record as the console holds it after its first draw and initial update.
class RecordTest : public ::testing::Test {
protected:
    void SetUp() override {
        rec.m_fnClock = [this] { return tNow; };
        rec.ApplyUnitScales();
        rec.RecordPoint(dc, 0, 0, 0, RECORD_CLEAR);
        TestRecord::ClearOverlayTable(rec.m_lift);
        dc.Take();
    }
    void Record(double dWind, double dLift = 0.5, double dDrag = 0.1) {
        rec.RecordPoint(dc, dLift, dDrag, dWind, RECORD_READING);
    }
    std::vector<int> RecordedSlots() const {
        std::vector<int> slots;
        for (int i = 0; i < SLOT_COUNT; ++i) {
            if (rec.IsRecorded(i)) {
                slots.push_back(i);
            }
        }
        return slots;
    }
    bool AllFourEmpty(int nSlot) const {
        return rec.m_lift.m_dValue[nSlot] == EMPTY_SLOT && rec.m_drag.m_dValue[nSlot] == EMPTY_SLOT &&
               rec.m_cd.m_dValue[nSlot] == EMPTY_SLOT && rec.m_ld.m_dValue[nSlot] == EMPTY_SLOT;
    }

    std::int64_t tNow = 0;
    TestRecord rec{1, 80.0};
    CRecordingDrawing dc;
};

}  // namespace

TEST(TestRecordInit, FieldsAsTheConsoleStarts) {
    TestRecord rec(0, 62.0);
    EXPECT_EQ(rec.m_bEnglish, 0);
    EXPECT_EQ(rec.m_dMaxSpeed, 62.0);
    EXPECT_EQ(rec.m_rcPlot, (CRect{80, 15, 985, 920}));
    EXPECT_EQ(rec.m_axisWind.m_rcArea, (CRect{80, 920, 985, 990}));
    EXPECT_EQ(rec.m_axisForce.m_rcArea, (CRect{0, 15, 80, 920}));
    EXPECT_EQ(rec.m_axisCd.m_rcArea, (CRect{905, 15, 985, 920}));
    EXPECT_EQ(rec.m_axisLD.m_rcArea, (CRect{905, 15, 985, 920}));
    EXPECT_EQ(rec.m_axisWind.m_dFullScale, 80.0);  // until the first draw applies the units
    EXPECT_EQ(rec.m_axisForce.m_dFullScale, 2.0);
    EXPECT_EQ(rec.m_axisCd.m_dFullScale, 2.0);
    EXPECT_EQ(rec.m_axisLD.m_dFullScale, 20.0);
    EXPECT_EQ(rec.m_axisWind.m_nRange, 1);
    EXPECT_EQ(rec.m_axisForce.m_nRange, 2);
    EXPECT_EQ(rec.m_axisCd.m_nRange, 1);
    EXPECT_EQ(rec.m_axisLD.m_nRange, 1);
    EXPECT_EQ(rec.m_axisWind.m_nScale, 1);
    EXPECT_EQ(rec.m_axisForce.m_nScale, 10000);
    EXPECT_EQ(rec.m_axisCd.m_nScale, 1000);
    EXPECT_EQ(rec.m_axisLD.m_nScale, 100);
    EXPECT_EQ(rec.m_axisForce.m_dMajorStep, 0.05);  // metric force, range 2
    EXPECT_EQ(rec.m_lift.m_crValue, RGB(255, 0, 0));
    EXPECT_EQ(rec.m_lift.m_crOverlay, RGB(128, 0, 0));
    EXPECT_EQ(rec.m_drag.m_crValue, RGB(0, 0, 255));
    EXPECT_EQ(rec.m_drag.m_crOverlay, RGB(0, 0, 128));
    EXPECT_EQ(rec.m_cd.m_crValue, RGB(0, 255, 0));
    EXPECT_EQ(rec.m_cd.m_crOverlay, RGB(0, 128, 0));
    EXPECT_EQ(rec.m_ld.m_crValue, RGB(0, 255, 255));
    EXPECT_EQ(rec.m_ld.m_crOverlay, RGB(0, 128, 128));
    EXPECT_TRUE(rec.m_lift.m_bVisible && rec.m_drag.m_bVisible);
    EXPECT_FALSE(rec.m_cd.m_bVisible || rec.m_ld.m_bVisible);
    EXPECT_EQ(rec.m_dCdArea, 1.0);
    EXPECT_EQ(rec.m_nLastSlot, 0);
    EXPECT_EQ(rec.m_tLastStatus, 0);
    EXPECT_EQ(rec.m_bMarkerShown, 0);
    EXPECT_EQ(rec.m_dMarkerSpeed, EMPTY_SLOT);
}

TEST_F(RecordTest, RisingThenFallingSweepReplacesWhatItPassesOver) {
    Record(10.0);
    EXPECT_EQ(dc.Take(), (Calls{"erase 0-100", "draw 0-100", "marker 10 1"}));
    Record(12.0);
    EXPECT_EQ(dc.Take(), (Calls{"erase 100-120", "draw 100-120", "marker 12 1"}));
    EXPECT_EQ(RecordedSlots(), (std::vector<int>{0, 100, 120}));
    // The wind falls to 11: slots 110..119 go, 120 stays, and 100 -> 110 -> 120 is redrawn.
    Record(11.0, 0.7);
    EXPECT_EQ(dc.Take(), (Calls{"erase 100-120", "draw 100-120", "marker 11 1"}));
    EXPECT_EQ(RecordedSlots(), (std::vector<int>{0, 100, 110, 120}));
    EXPECT_EQ(rec.m_lift.m_dValue[110], 0.7);
    EXPECT_EQ(rec.m_nLastSlot, 110);
}

TEST_F(RecordTest, FallBackInsideAnEarlierSweepEmptiesUpToTheLastSlot) {
    Record(10.0);
    Record(15.0);
    EXPECT_TRUE(AllFourEmpty(101) && AllFourEmpty(149));
    dc.Take();
    Record(12.0);
    EXPECT_EQ(dc.Take(), (Calls{"erase 100-150", "draw 100-150", "marker 12 1"}));
    for (int i = 121; i < 150; ++i) {
        ASSERT_TRUE(AllFourEmpty(i)) << i;
    }
    EXPECT_EQ(RecordedSlots(), (std::vector<int>{0, 100, 120, 150}));

    // A far fall: 30.0 after the last reading at 50.0 empties 30.0 .. 49.9 and keeps 50.0.
    Record(50.0);
    Record(55.0);
    Record(50.0);
    dc.Take();
    Record(30.0);
    EXPECT_EQ(dc.Take(), (Calls{"erase 120-500", "draw 120-500", "marker 30 1"}));
    for (int i = 301; i < 500; ++i) {
        ASSERT_TRUE(AllFourEmpty(i)) << i;
    }
    EXPECT_TRUE(rec.IsRecorded(500));
    EXPECT_TRUE(rec.IsRecorded(300));
}

TEST_F(RecordTest, SameSlotReplacesTheReadingWithoutMovingTheMarker) {
    Record(20.0, 0.3);
    Record(30.0, 0.4);
    dc.Take();
    Record(30.05, 0.45, 0.2);
    EXPECT_EQ(dc.Take(), (Calls{"erase 200-300", "draw 200-300"}));
    EXPECT_EQ(rec.m_lift.m_dValue[300], 0.45);
    EXPECT_EQ(rec.m_drag.m_dValue[300], 0.2);
    EXPECT_EQ(rec.m_cd.m_dValue[300], rec.DragCoefficient(30.05, 0.2));
    EXPECT_EQ(rec.m_ld.m_dValue[300], LiftDragRatio(0.45, 0.2));
}

TEST_F(RecordTest, BelowFiveDerivedQuantitiesAreZeroNotEmpty) {
    Record(4.9, 0.05, 0.01);
    EXPECT_EQ(rec.m_cd.m_dValue[49], 0.0);
    EXPECT_EQ(rec.m_ld.m_dValue[49], 0.0);
    EXPECT_EQ(rec.m_lift.m_dValue[49], 0.05);
    Record(5.0, 0.05, 0.01);
    EXPECT_GT(rec.m_cd.m_dValue[50], 0.0);
    EXPECT_EQ(rec.m_ld.m_dValue[50], 5.0);
}

TEST_F(RecordTest, StopThenANewSweepStartsFromZero) {
    Record(40.0);
    Record(50.0);
    dc.Take();
    rec.RecordPoint(dc, 0, 0, 0, RECORD_STOP);
    EXPECT_EQ(dc.Take(), (Calls{"marker 0 1"}));
    EXPECT_EQ(rec.m_nLastSlot, 0);
    EXPECT_TRUE(rec.IsRecorded(400) && rec.IsRecorded(500));  // a stop keeps the tables
    Record(3.0);
    EXPECT_EQ(dc.Take(), (Calls{"erase 0-400", "draw 0-400", "marker 3 1"}));
    EXPECT_EQ(RecordedSlots(), (std::vector<int>{0, 30, 400, 500}));
}

TEST_F(RecordTest, ClearEmptiesTheTestAndCommentsButNotTheOverlay) {
    Record(40.0);
    rec.m_strComment[0] = "wing A";
    rec.m_strComment[9] = "flap 10";
    rec.m_drag.m_dOverlay[77] = 0.25;
    dc.Take();
    rec.RecordPoint(dc, 0, 0, 0, RECORD_CLEAR);
    EXPECT_EQ(dc.Take(), (Calls{"marker 0 0"}));
    EXPECT_EQ(RecordedSlots(), (std::vector<int>{0}));
    for (const CurveTable* p : {&rec.m_lift, &rec.m_drag, &rec.m_cd, &rec.m_ld}) {
        EXPECT_EQ(p->m_dValue[0], 0.0);
    }
    EXPECT_TRUE(AllFourEmpty(400));
    EXPECT_EQ(rec.m_nLastSlot, 0);
    for (const auto& str : rec.m_strComment) {
        EXPECT_TRUE(str.empty());
    }
    EXPECT_EQ(rec.m_drag.m_dOverlay[77], 0.25);
}

TEST_F(RecordTest, OverlayTakesTheWholeTestAndLeavesNothingCurrent) {
    Record(40.0, 0.6, 0.2);
    rec.m_strComment[2] = "kept";
    rec.SetOverlay();
    EXPECT_TRUE(RecordedSlots().empty());  // slot 0 included
    EXPECT_EQ(rec.m_lift.m_dOverlay[400], 0.6);
    EXPECT_EQ(rec.m_drag.m_dOverlay[0], 0.0);
    EXPECT_EQ(rec.m_nLastSlot, 400);
    EXPECT_EQ(rec.m_strComment[2], "kept");
    rec.ClearOverlay();
    for (const CurveTable* p : {&rec.m_lift, &rec.m_drag, &rec.m_cd, &rec.m_ld}) {
        for (double d : p->m_dOverlay) {
            ASSERT_EQ(d, EMPTY_SLOT);
        }
    }
}

TEST_F(RecordTest, StatusLineIsThrottledTo200Milliseconds) {
    tNow = 0;
    Record(10.0);  // |0 - 0| < 200
    tNow = 250;
    Record(11.0);
    tNow = 400;
    Record(12.0);
    tNow = 550;
    Record(13.0);
    tNow = 300;  // a clock reading far enough behind also counts
    Record(14.0);
    Calls statuses;
    for (const auto& s : dc.Take()) {
        if (s.rfind("status", 0) == 0) {
            statuses.push_back(s);
        }
    }
    EXPECT_EQ(statuses, (Calls{"status 11", "status 13", "status 14"}));
}

TEST_F(RecordTest, ReadingsWithoutAPlaceAreRefused) {
    Record(20.0);
    dc.Take();
    const double dNan = std::numeric_limits<double>::quiet_NaN();
    const double dInf = std::numeric_limits<double>::infinity();
    for (auto [dWind, dLift, dDrag] : {std::tuple{-0.2, 0.1, 0.1}, std::tuple{140.1, 0.1, 0.1},
                                       std::tuple{1e300, 0.1, 0.1}, std::tuple{dNan, 0.1, 0.1},
                                       std::tuple{30.0, dNan, 0.1}, std::tuple{30.0, 0.1, dInf},
                                       std::tuple{-dInf, 0.1, 0.1}}) {
        Record(dWind, dLift, dDrag);
    }
    EXPECT_TRUE(dc.Take().empty());
    EXPECT_EQ(RecordedSlots(), (std::vector<int>{0, 200}));
    EXPECT_EQ(rec.m_nLastSlot, 200);
    Record(140.05);  // still slot 1400
    EXPECT_TRUE(rec.IsRecorded(LAST_SLOT));
}

TEST_F(RecordTest, NeighbourSearchStaysInsideTheTableAtAnyRange) {
    // Range 0 would put the top of the wind scale at 170 mph, beyond the last slot.
    rec.SetSpeedRange(0);
    Record(139.0);
    Record(140.0);
    Record(139.5);
    EXPECT_EQ(dc.Take().size(), 9u);
    EXPECT_EQ(RecordedSlots(), (std::vector<int>{0, 1390, 1395, 1400}));
    rec.SetSpeedRange(-40);
    Record(140.0);
    EXPECT_EQ(rec.FirstRecordedSlot(), 1390);
}

TEST_F(RecordTest, TopOfTheDisplayedRangeBoundsTheUpperNeighbour) {
    // At English range 1 the scale shows 0..85 mph: slot 849 is the last one shown.
    Record(84.9);
    EXPECT_EQ(dc.Take()[0], "erase 0-849");
    Record(70.0);
    dc.Take();
    Record(84.9);
    EXPECT_EQ(dc.Take()[0], "erase 700-849");
    rec.RecordPoint(dc, 0, 0, 0, RECORD_CLEAR);
    rec.m_lift.m_dValue[950] = 0.2;  // beyond the scale: never a neighbour
    Record(90.0);
    EXPECT_EQ(dc.Take()[1], "erase 0-900");
    Record(80.0);
    EXPECT_EQ(dc.Take()[0], "erase 0-900");
}

TEST_F(RecordTest, FirstRecordedSlotLooksOnlyAtWhatIsInView) {
    EXPECT_EQ(rec.FirstRecordedSlot(), 850);  // only slot 0: not in view (850 is not < 850)
    rec.m_lift.m_dValue[1] = 0.1;
    EXPECT_EQ(rec.FirstRecordedSlot(), 1);
    rec.m_lift.m_dValue[1] = EMPTY_SLOT;
    rec.m_lift.m_dValue[849] = 0.1;
    EXPECT_EQ(rec.FirstRecordedSlot(), 849);
    rec.m_lift.m_dValue[849] = EMPTY_SLOT;
    rec.m_lift.m_dValue[850] = 0.1;
    EXPECT_EQ(rec.FirstRecordedSlot(), 850);
    rec.SetSpeedRange(3);  // top 21.25 mph
    rec.m_lift.m_dValue[300] = 0.1;
    EXPECT_EQ(rec.FirstRecordedSlot(), 213);
}

TEST(AxisRanges, TickStepsAndDisplayedTopsByRange) {
    struct Row {
        double windMajor, windMinor, forceMajor, forceMinor;
    };
    const Row english[5] = {{10, 1, 0.2, 0.02}, {5, 1, 0.1, 0.01}, {2, 0.2, 0.05, 0.005},
                            {1, 0.1, 0.02, 0.005}, {0.5, 0.1, 0.01, 0.002}};
    const Row metric[5] = {{20, 2, 0.1, 0.01}, {10, 2, 0.05, 0.005}, {5, 1, 0.02, 0.002},
                           {2, 0.1, 0.01, 0.001}, {1, 0.1, 0.005, 0.001}};
    const double cd[5][2] = {{0.2, 0.02}, {0.1, 0.01}, {0.05, 0.005}, {0.02, 0.005}, {0.01, 0.002}};
    const double ld[5][2] = {{2, 0.2}, {1, 0.1}, {0.5, 0.05}, {0.2, 0.05}, {0.1, 0.02}};
    const double windTops[2][5] = {{85, 42.5, 21.25, 10.625, 5.3125}, {140, 70, 35, 17.5, 8.75}};
    for (int bEnglish : {1, 0}) {
        TestRecord rec(bEnglish, 80);
        rec.ApplyUnitScales();
        for (int r = 1; r <= 5; ++r) {
            const Row& row = bEnglish ? english[r - 1] : metric[r - 1];
            rec.SetSpeedRange(r);
            rec.SetForceRange(r);
            rec.SetCdRange(r);
            rec.SetLDRange(r);
            EXPECT_EQ(rec.m_axisWind.m_dMajorStep, row.windMajor);
            EXPECT_EQ(rec.m_axisWind.m_dMinorStep, row.windMinor);
            EXPECT_EQ(rec.m_axisForce.m_dMajorStep, row.forceMajor);
            EXPECT_EQ(rec.m_axisForce.m_dMinorStep, row.forceMinor);
            EXPECT_EQ(rec.m_axisCd.m_dMajorStep, cd[r - 1][0]);
            EXPECT_EQ(rec.m_axisCd.m_dMinorStep, cd[r - 1][1]);
            EXPECT_EQ(rec.m_axisLD.m_dMajorStep, ld[r - 1][0]);
            EXPECT_EQ(rec.m_axisLD.m_dMinorStep, ld[r - 1][1]);
            EXPECT_EQ(DisplayedTop(rec.m_axisWind), windTops[bEnglish ? 0 : 1][r - 1]);
            EXPECT_EQ(DisplayedTop(rec.m_axisForce), (bEnglish ? 2.0 : 1.0) / (1 << (r - 1)));
            EXPECT_EQ(DisplayedTop(rec.m_axisLD), 20.0 / (1 << (r - 1)));
        }
        // Range 6 halves once more and keeps the steps of range 5.
        rec.SetSpeedRange(6);
        EXPECT_EQ(rec.m_axisWind.m_nRange, 6);
        EXPECT_EQ(rec.m_axisWind.m_dMajorStep, bEnglish ? 0.5 : 1.0);
        EXPECT_EQ(DisplayedTop(rec.m_axisWind), windTops[bEnglish ? 0 : 1][4] / 2);
        // Even absurd ranges give a finite top.
        rec.SetSpeedRange(100000);
        EXPECT_TRUE(std::isfinite(DisplayedTop(rec.m_axisWind)));
    }
}

TEST(AxisRanges, ApplyUnitScalesFollowsTheUnitSystemAndKeepsTheForceRange) {
    TestRecord rec(1, 80);
    rec.SetForceRange(4);
    rec.ApplyUnitScales();
    EXPECT_EQ(rec.m_axisWind.m_dFullScale, 85.0);
    EXPECT_EQ(rec.m_axisForce.m_dFullScale, 2.0);
    EXPECT_EQ(rec.m_axisForce.m_nRange, 4);
    EXPECT_EQ(rec.m_axisForce.m_dMajorStep, 0.02);
    rec.m_bEnglish = 0;
    rec.ApplyUnitScales();
    EXPECT_EQ(rec.m_axisWind.m_dFullScale, 140.0);
    EXPECT_EQ(rec.m_axisForce.m_dFullScale, 1.0);
    EXPECT_EQ(rec.m_axisForce.m_nRange, 4);
    EXPECT_EQ(rec.m_axisForce.m_dMajorStep, 0.01);
}

TEST(RangeFromText, EveryListEntryGivesItsOwnRange) {
    const struct {
        double dBase;
        std::vector<const char*> entries;
    } lists[] = {
        {85.0, {"80.0", "40.0", "20.0", "10.0"}},
        {140.0, {"140", "70", "35", "15"}},
        {2.0, {"2.0", "1.0", "0.5", "0.25", "0.125"}},
        {1.0, {"1.0", "0.5", "0.25", "0.125", "0.0625"}},
        {2.0, {"2.0", "1.0", "0.5", "0.25"}},
        {20.0, {"20", "10", "5", "2.5"}},
    };
    for (const auto& list : lists) {
        for (std::size_t n = 0; n < list.entries.size(); ++n) {
            EXPECT_EQ(RangeFromText(list.dBase, list.entries[n], 9), static_cast<int>(n + 1))
                << list.entries[n];
        }
    }
}

TEST(RangeFromText, TypedNumbersAndWhatTheBoxesShow) {
    EXPECT_EQ(RangeFromText(2.0, "0.3", 2), 3);
    EXPECT_EQ(RangeFromText(85.0, "15.0", 1), 3);
    EXPECT_EQ(RangeFromText(1.0, "0.063", 1), 4);
    EXPECT_EQ(RangeFromText(140.0, "130", 3), 1);
    EXPECT_EQ(RangeFromText(140.0, " 8", 3), 5);
    EXPECT_EQ(RangeFromText(2.0, "0.13", 5), 4);
    EXPECT_EQ(RangeFromText(20.0, "1.3", 5), 4);
    EXPECT_EQ(RangeFromText(85.0, "5.0", 1), 5);
    EXPECT_EQ(RangeFromText(2.0, "0.05", 1), 6);  // halves further, as typed
}

TEST(RangeFromText, UnusableTextKeepsTheRangeAndLargeNumbersGiveRangeOne) {
    EXPECT_EQ(RangeFromText(85.0, "100", 3), 1);
    EXPECT_EQ(RangeFromText(85.0, "1e999", 3), 1);
    for (const char* text : {"0", "-5", "abc", "", "  ", "1e-12", "0.0000000001"}) {
        EXPECT_EQ(RangeFromText(85.0, text, 3), 3) << text;
    }
    // The largest ratio that still fits 32 bits gives range 31, and a finite top.
    EXPECT_EQ(RangeFromText(1.0, "4.656612873077394e-10", 2), 31);
    EXPECT_EQ(RangeFromText(1.0, "4.656612873077393e-10", 2), 2);
}

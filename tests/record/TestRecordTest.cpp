#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <ranges>

#include "RecordingDrawing.h"
#include "core/link/Poll.h"
#include "core/record/TestRecord.h"
#include "core/record/TestSettings.h"
#include "core/record/Units.h"

using Calls = std::vector<std::string>;
using Slots = std::vector<int>;
constexpr int R = RECORD_READING, S = RECORD_STOP, C = RECORD_CLEAR;

TEST(RecordPoint, SweepsRedrawWhatTheyPassOverAndTheNeighbourSearchStaysInTheTable) {
    // An English record as the console holds it after its first draw and initial update.
    TestRecord rec(1, 80.0);
    CRecordingDrawing dc;
    std::int64_t tNow = 0;
    // The poll's limit on the status line, on the test's clock.
    CPollState poll;
    poll.m_fnClock = [&] { return tNow; };
    CStatusThrottle live(dc, poll);
    rec.ApplyUnitScales();
    rec.RecordPoint(dc, 0, 0, 0, RECORD_CLEAR);
    dc.Take();
    auto Recorded = [&rec] {
        Slots filled;
        std::ranges::copy_if(std::views::iota(0, SLOT_COUNT), std::back_inserter(filled),
                             [&rec](int i) { return rec.IsRecorded(i); });
        return filled;
    };
    const Slots fell{0, 100, 120, 150}, kept{0, 49, 50, 100, 120, 150};
    // The time (ms); a reading (wind, lift, drag), stop or clear; the drawing asked for, with a
    // status line at most every 200 ms; the slots after.
    // clang-format off
    const std::tuple<int, double, double, double, int, Calls, Slots> steps[] = {
        {0, 10.0, 5, 1, R, {"erase 0-100", "draw 0-100", "marker 10 1"}, {0, 100}},
        {199, 14.9, 6, 1, R, {"erase 100-149", "draw 100-149", "marker 14.9 1"}, {0, 100, 149}},
        {200, 15.0, 7, 2, R, {"erase 149-150", "draw 149-150", "marker 15 1", "status 15"},
         {0, 100, 149, 150}},
        // A fall empties from its slot up to, not including, the last reading.
        {399, 12.0, 4, 1, R, {"erase 100-150", "draw 100-150", "marker 12 1"}, fell},
        {400, 12.05, 3, 2, R, {"erase 100-150", "draw 100-150", "status 12.05"}, fell},
        {0, 0, 0, 0, S, {"marker 0 1"}, fell},  // a stop keeps the tables
        {200, 4.9, 5, 1, R, {"erase 0-100", "draw 0-100", "marker 4.9 1", "status 4.9"},
         {0, 49, 100, 120, 150}},  // a clock 200 ms behind counts too
        {300, 5.0, 5, 1, R, {"erase 49-100", "draw 49-100", "marker 5 1"}, kept},
        // Readings without a slot, or that are not numbers, are refused.
        {0, -0.2, 1, 1, R, {}, kept}, {0, 140.1, 1, 1, R, {}, kept}, {0, NAN, 1, 1, R, {}, kept},
        {0, 30.0, NAN, 1, R, {}, kept}, {0, 30.0, 1, HUGE_VAL, R, {}, kept},
        {900, 0, 0, 0, C, {"marker 0 0"}, {0}},
        {900, 2.0, 1, 1, R, {"erase 0-20", "draw 0-20", "marker 2 1", "status 2"}, {0, 20}}};
    // clang-format on
    for (const auto& [t, dWind, dLift, dDrag, nMode, calls, filled] : steps) {
        tNow = t;
        rec.RecordPoint(live, dLift, dDrag, dWind, nMode);
        SCOPED_TRACE(testing::Message() << "wind " << dWind << " mode " << nMode);
        EXPECT_EQ(dc.Take(), calls);
        EXPECT_EQ(Recorded(), filled);
        if (nMode == R && !calls.empty()) {
            // Below 5, Cd and L/D are zero, not empty. From 5 up, every drag here on the record's
            // 1 sq. in. gives Cd its cap of 2 (1 lb at 10 mph is Cd 571), and L/D is lift over
            // drag: 5 / 1, 6 / 1, 7 / 2 = 3.5, 4 / 1, 3 / 2 = 1.5.
            const int g = SlotOfSpeed(dWind), bHigh = dWind >= DERIVED_MIN_SPEED;
            EXPECT_EQ(std::tuple(rec.m_lift.m_dValue[g], rec.m_drag.m_dValue[g],
                                 rec.m_cd.m_dValue[g], rec.m_ld.m_dValue[g]),
                      std::tuple(dLift, dDrag, bHigh * 2.0, bHigh * dLift / dDrag));
        }
    }

    // Range 0 puts the top of the wind scale at 170 mph, beyond the last slot.
    rec.RecordPoint(dc, 0, 0, 0, RECORD_CLEAR);
    rec.SetSpeedRange(0);
    for (double dWind : {139.0, 140.05, 139.5})
        rec.RecordPoint(dc, 0.5, 0.1, dWind, RECORD_READING);
    EXPECT_EQ(Recorded(), (Slots{0, 1390, 1395, 1400}));
    // The first recorded slot above 0 in view (85 mph at range 1, 21.25 at 3), else past it.
    const int cases[][3] = {{-40, 0, 1390}, {1, 0, 850}, {1, 1, 1}, {1, 849, 849}, {3, 0, 213}};
    for (const auto& [nRange, nSlot, nFirst] : cases) {
        TestRecord view = rec;
        view.SetSpeedRange(nRange);
        view.m_lift.m_dValue[nSlot] = 0.1;
        EXPECT_EQ(view.FirstRecordedSlot(), nFirst) << nRange << " " << nSlot;
    }
}

TEST(RangeFromText, UnusableTextKeepsTheRange) {
    // A listed top gives its range (the dialogs' tests work the lists), one above the base range
    // 1; no number above 0, or base / x beyond 32 bits, keeps the range (9).
    const std::tuple<double, const char*, int> cases[] = {
        {85, "10.0", 4}, {2, "0.125", 5}, {85, "100", 1}, {85, "1e999", 1}, {85, "0", 9},
        {85, "-5", 9},   {85, "abc", 9},  {85, "", 9},    {85, "1e-12", 9}};
    for (const auto& [dBase, pText, nRange] : cases)
        EXPECT_EQ(RangeFromText(dBase, pText, 9), nRange) << pText;
}

// The Configure dialog's area box as its unit buttons move: the same area in the other unit,
// with the dialog's three decimals (12.5 x 6.4516 = 80.645; 16.129 x 0.15500031 = 2.500);
// text with no number first, or none a double holds, stays.
TEST(TestSettings, TheAreaBoxKeepsItsAreaWhenTheUnitChanges) {
    const std::tuple<const char*, int, int, const char*> cases[] = {
        {"12.5", 0, 1, "80.645"},       {"80.645", 1, 0, "12.500"},
        {"100", 0, 1, "645.160"},       {"16.129", 1, 0, "2.500"},
        {" 2.5 sq in", 0, 1, "16.129"}, {"12.5", 0, 0, "12.5"},
        {"wing", 0, 1, "wing"},         {"", 1, 0, ""},
        {"1e400", 0, 1, "1e400"}};
    for (const auto& [pText, nFrom, nTo, pShown] : cases)
        EXPECT_EQ(ConvertCdAreaText(pText, nFrom, nTo), pShown) << pText << ' ' << nFrom;
}

// The operator kept an English test when asked on a switch to Metric: the dialog's km/h and
// square centimetres are taken in mph and square inches, and Cd follows in English units. At
// 30 mph (44 ft/s) on 12.5 sq. in., a drag of 0.075 lb gives
// Cd = 0.075 x 32 / (0.0375 x 44^2 x 12.5 / 144) = 345.6 / 907.5 = 0.380826.
TEST(TestSettings, ValuesInTheOtherUnitsApplyToATestThatKeepsItsOwn) {
    TestRecord rec(1, 50.0);
    rec.ApplyUnitScales();
    rec.m_lift.m_dValue[300] = 0.02;
    rec.m_drag.m_dValue[300] = 0.075;
    ApplyTestConfig(rec, {1, 120, "80.645"}, false);
    EXPECT_EQ(rec.m_bEnglish, 1);
    EXPECT_NEAR(rec.m_dMaxSpeed, 74.5647, 1e-4);  // 120 km/h
    EXPECT_NEAR(rec.m_dCdArea, 12.5, 1e-9);
    EXPECT_NEAR(rec.m_cd.m_dValue[300], 0.380826, 1e-6);
    EXPECT_EQ(rec.m_axisWind.m_dFullScale, 85.0);  // the English scales stay
    // Taken with the units, the same values make a Metric test.
    ApplyTestConfig(rec, {1, 130, "80.645"}, true);
    EXPECT_EQ(rec.m_bEnglish, 0);
    EXPECT_EQ(rec.m_dMaxSpeed, 80.0);
    EXPECT_EQ(rec.m_axisWind.m_dFullScale, 140.0);
}

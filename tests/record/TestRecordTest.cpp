#include <gtest/gtest.h>

#include <cmath>

#include "RecordingDrawing.h"
#include "core/link/Poll.h"
#include "core/record/TestRecord.h"
#include "core/record/Units.h"

namespace {

using Calls = std::vector<std::string>;
using Slots = std::vector<int>;
constexpr int R = RECORD_READING, S = RECORD_STOP, C = RECORD_CLEAR;

// An English record as the console holds it after its first draw and initial update.
class RecordTest : public ::testing::Test {
protected:
    void SetUp() override {
        poll.m_fnClock = [this] { return tNow; };
        rec.ApplyUnitScales();
        rec.RecordPoint(live, 0, 0, 0, RECORD_CLEAR);
        dc.Take();
    }
    Slots Recorded() const {
        Slots filled;
        for (int i = 0; i < SLOT_COUNT; ++i) {
            if (rec.IsRecorded(i)) {
                filled.push_back(i);
            }
        }
        return filled;
    }

    TestRecord rec{1, 80.0};
    CRecordingDrawing dc;
    std::int64_t tNow = 0;
    // The poll's limit on the status line, on the test's clock.
    CPollState poll;
    CStatusThrottle live{dc, poll};
};

}  // namespace

TEST_F(RecordTest, SweepsRedrawWhatTheyPassOverAndTheNeighbourSearchStaysInTheTable) {
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
        if (nMode == R && !calls.empty()) {  // below 5, Cd and L/D are zero, not empty
            const int g = static_cast<int>(dWind * 10);
            const bool bLow = dWind < DERIVED_MIN_SPEED;
            EXPECT_EQ(std::pair(rec.m_lift.m_dValue[g], rec.m_drag.m_dValue[g]),
                      std::pair(dLift, dDrag));
            EXPECT_EQ(rec.m_cd.m_dValue[g], bLow ? 0.0 : rec.DragCoefficient(dWind, dDrag));
            EXPECT_EQ(rec.m_ld.m_dValue[g], bLow ? 0.0 : LiftDragRatio(dLift, dDrag));
        }
    }

    // Range 0 puts the top of the wind scale at 170 mph, beyond the last slot.
    rec.RecordPoint(live, 0, 0, 0, RECORD_CLEAR);
    rec.SetSpeedRange(0);
    for (double dWind : {139.0, 140.05, 139.5}) {
        rec.RecordPoint(live, 0.5, 0.1, dWind, RECORD_READING);
    }
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

// English range 3 ends at 21.25 mph: slot 212 is the last the curves draw. Readings above it are
// recorded, but the live update neither erases nor draws past it.
TEST_F(RecordTest, LiveUpdatesStopAtTheLastSlotBelowAFractionalTop) {
    rec.SetSpeedRange(3);
    // clang-format off
    const std::tuple<double, int, Calls, Slots> steps[] = {
        {21.3, R, {"erase 0-212", "draw 0-212", "marker 21.3 1"}, {0, 213}},
        {0, S, {"marker 0 1"}, {0, 213}},
        {20.5, R, {"erase 0-205", "draw 0-205", "marker 20.5 1"}, {0, 205, 213}},
        {21.4, R, {"erase 205-212", "draw 205-212", "marker 21.4 1"}, {0, 205, 214}},
        {21.2, R, {"erase 205-212", "draw 205-212", "marker 21.2 1"}, {0, 205, 212, 214}}};
    // clang-format on
    for (const auto& [dWind, nMode, calls, filled] : steps) {
        rec.RecordPoint(live, 0.5, 0.1, dWind, nMode);
        EXPECT_EQ(dc.Take(), calls) << dWind;
        EXPECT_EQ(Recorded(), filled) << dWind;
    }
}

TEST(RangeFromText, EveryListEntryGivesItsOwnRangeAndUnusableTextKeepsTheRange) {
    // clang-format off
    const std::pair<double, std::vector<const char*>> lists[] = {
        {85.0, {"80.0", "40.0", "20.0", "10.0"}}, {140.0, {"140", "70", "35", "15"}},
        {2.0, {"2.0", "1.0", "0.5", "0.25", "0.125"}}, {20.0, {"20", "10", "5", "2.5"}}};
    // clang-format on
    for (const auto& [dBase, entries] : lists) {
        for (std::size_t n = 0; n < entries.size(); ++n) {
            EXPECT_EQ(RangeFromText(dBase, entries[n], 9), int(n + 1)) << entries[n];
        }
    }
    // Above the base: range 1; no number above 0, or base / x beyond 32 bits: the range stays.
    const std::pair<const char*, int> texts[] = {{"100", 1}, {"1e999", 1}, {"0", 3},    {"-5", 3},
                                                 {"abc", 3}, {"", 3},      {"1e-12", 3}};
    for (const auto& [pText, nRange] : texts) {
        EXPECT_EQ(RangeFromText(85.0, pText, 3), nRange) << pText;
    }
}

// The lab sheet's numbers: Student's t, the Cd fitted through the origin, and the summary.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "core/record/LabSummary.h"
#include "core/record/TestRecord.h"
#include "core/record/Units.h"

namespace {

struct Reading {
    double dWind, dLift, dDrag;
};

// A test of the readings, as Open leaves one: the zero point, then each in its slot.
TestRecord Recorded(bool bEnglish, double dArea, const std::vector<Reading>& readings) {
    TestRecord rec(bEnglish ? 1 : 0, 80.0);
    rec.m_dCdArea = dArea;
    for (CurveTable* pTable : {&rec.m_lift, &rec.m_drag, &rec.m_cd, &rec.m_ld}) {
        pTable->m_dValue.fill(EMPTY_SLOT);
    }
    rec.StoreReading(0, 0, 0, 0);
    for (const Reading& r : readings) {
        rec.StoreReading(SlotOfSpeed(r.dWind), r.dWind, r.dLift, r.dDrag);
    }
    return rec;
}

}  // namespace

TEST(StudentT, TheTableAndTheExpansionBeyondItGiveThePublishedQuantiles) {
    // t(0.975, n) as printed in statistical tables, to six decimals.
    const std::vector<std::pair<int, double>> cases = {
        {1, 12.706205}, {2, 4.302653}, {5, 2.570582}, {10, 2.228139}, {29, 2.045230},
        {30, 2.042272}, {31, 2.039513}, {40, 2.021075}, {60, 2.000298}, {120, 1.979930},
        {1000, 1.962339}, {1000000, 1.959966}};
    for (const auto& [n, t] : cases) {
        EXPECT_NEAR(StudentT975(n), t, 6e-7) << n << " degrees";
    }
    EXPECT_TRUE(std::isnan(StudentT975(0)));
}

TEST(CdFit, ThroughTheOriginWithItsIntervalOnAWorkedExample) {
    // 1 sq. ft (144 sq. in.) at 15, 30 and 45 mph, that is 22, 44 and 66 ft/s: q * A is
    // 0.0375 * v^2 / 32 = 0.5671875, 2.26875 and 5.1046875 lb (1 : 4 : 9).
    // Drags 0.3, 1.1 and 2.6 lb: Cd = (0.3 + 4 * 1.1 + 9 * 2.6) / (0.5671875 * (1 + 16 + 81))
    // = 28.1 / 55.584375 = 0.5055378. Residuals 0.0132653, -0.0469388, 0.0193878, squares
    // 0.0027551 over 2 degrees; se = sqrt(0.00137755) / (0.5671875 * sqrt(98)) = 0.0066102;
    // half-width 4.302653 * 0.0066102 = 0.0284414. The point below 5 mph is not fitted.
    const TestRecord rec =
        Recorded(true, 144.0, {{4.9, 0.1, 0.9}, {15, 0, 0.3}, {30, 0, 1.1}, {45, 0, 2.6}});
    const CdFit fit = FitDragCoefficient(rec);
    EXPECT_EQ(fit.nAbove, 3);
    EXPECT_EQ(fit.nPoints, 3);
    EXPECT_TRUE(fit.bFitted && fit.bInterval);
    EXPECT_NEAR(fit.dCd, 0.5055378, 1e-7);
    EXPECT_NEAR(fit.dHalfWidth, 0.0284414, 1e-7);
}

TEST(CdFit, AgreesWithThePerPointCdOnExactDataInEitherUnitSystem) {
    for (const bool bEnglish : {true, false}) {
        // Drags that give a Cd of 0.8 at every point, found from the per-point Cd of a
        // thousandth of a pound (or kg), which is linear in the drag below its ceiling.
        TestRecord rec = Recorded(bEnglish, 20.0, {});
        for (double dWind : {5.0, 12.3, 40.0, 77.7}) {
            const double dDrag = 0.8e-3 / DragCoefficient(bEnglish, 20.0, dWind, 1e-3);
            rec.StoreReading(SlotOfSpeed(dWind), dWind, 0.1, dDrag);
            EXPECT_NEAR(rec.m_cd.m_dValue[SlotOfSpeed(dWind)], 0.8, 1e-12);
        }
        const CdFit fit = FitDragCoefficient(rec);
        EXPECT_EQ(fit.nPoints, 4);
        EXPECT_NEAR(fit.dCd, 0.8, 1e-12) << (bEnglish ? "English" : "Metric");
        EXPECT_NEAR(fit.dHalfWidth, 0.0, 1e-12);
    }
}

TEST(CdFit, TestsWithoutASpreadOrWithoutAnythingToFit) {
    struct Case {
        const char* pWhat;
        double dArea;
        std::vector<Reading> readings;
        int nAbove, nPoints;
        bool bFitted, bInterval;
        double dCd;
    };
    // One point at 30 mph on 1 sq. ft: q * A 2.26875 lb, so 1.1 lb is a Cd of 0.4848485.
    const std::vector<Case> cases = {
        {"all drags zero", 144.0, {{10, 1, 0}, {20, 2, 0}, {30, 3, 0}}, 3, 3, true, true, 0.0},
        {"one point", 144.0, {{2, 1, 0.5}, {30, 1, 1.1}}, 1, 1, true, false, 0.4848485},
        {"nothing at 5 or above", 144.0, {{1, 1, 1}, {4.9, 1, 1}}, 0, 0, false, false, 0.0},
        {"no Cd area", 0.0, {{10, 1, 1}, {20, 1, 2}}, 2, 0, false, false, 0.0},
        {"an area below 0", -5.0, {{10, 1, 1}, {20, 1, 2}}, 2, 0, false, false, 0.0},
        {"an empty test", 144.0, {}, 0, 0, false, false, 0.0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pWhat);
        const CdFit fit = FitDragCoefficient(Recorded(true, c.dArea, c.readings));
        EXPECT_EQ(fit.nAbove, c.nAbove);
        EXPECT_EQ(fit.nPoints, c.nPoints);
        EXPECT_EQ(fit.bFitted, c.bFitted);
        EXPECT_EQ(fit.bInterval, c.bInterval);
        EXPECT_NEAR(fit.dCd, c.dCd, 1e-7);
        EXPECT_EQ(fit.dHalfWidth, 0.0);
    }
}

TEST(TestSummary, RangeLargestLiftTopDragAndBestLiftDragOfAWing) {
    // The wing of the test data. L/D: 4.6667 at 10, 5.125 at 20.3, 5.0408 at 35.5, 4.9588 at
    // 50, 4.9378 at 79.9; the point at 4.9 mph has none. Lift 0.3 at 12 and 14 mph: the lower
    // wind is named for equals.
    const TestRecord rec = Recorded(true, 12.5,
                                {{4.9, 0.004, 0.001}, {10, 0.021, 0.0045}, {20.3, 0.082, 0.016},
                                 {35.5, 0.247, 0.049}, {50, 0.481, 0.097}, {79.9, 1.19, 0.241}});
    const TestSummary sum = SummarizeTest(rec);
    EXPECT_EQ(sum.nPoints, 7);
    EXPECT_EQ(sum.dWindMin, 0.0);
    EXPECT_DOUBLE_EQ(sum.dWindMax, 79.9);
    EXPECT_EQ(sum.dMaxLift, 1.19);
    EXPECT_DOUBLE_EQ(sum.dMaxLiftWind, 79.9);
    EXPECT_EQ(sum.dTopWindDrag, 0.241);
    EXPECT_TRUE(sum.bBestLD);
    EXPECT_DOUBLE_EQ(sum.dBestLD, 0.082 / 0.016);
    EXPECT_DOUBLE_EQ(sum.dBestLDWind, 20.3);
    EXPECT_EQ(sum.fit.nPoints, 5);

    const TestSummary ties = SummarizeTest(Recorded(true, 1, {{12, 0.3, 0.1}, {14, 0.3, 0.1}}));
    EXPECT_DOUBLE_EQ(ties.dMaxLiftWind, 12.0);
    EXPECT_DOUBLE_EQ(ties.dBestLDWind, 12.0);
    // Below 5 mph no point has an L/D to be the best.
    const TestSummary slow = SummarizeTest(Recorded(true, 1, {{3, -0.2, 0.1}, {4, -0.1, 0.2}}));
    EXPECT_FALSE(slow.bBestLD);
    EXPECT_EQ(slow.dMaxLift, 0.0);  // the zero point's
    EXPECT_EQ(slow.dTopWindDrag, 0.2);
}

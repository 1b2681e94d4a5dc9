#include <gtest/gtest.h>

#include "run/Units.h"

TEST(DragCoefficient, WorkedExampleInBothUnitSystems) {
    // 40 mph is 58.666 ft/s; 10 sq. in. at q = 0.0375 v^2 gives a denominator of 8.96296.
    const double dEnglish = DragCoefficient(true, 10.0, 40.0, 0.05);
    EXPECT_NEAR(dEnglish, 0.05 * 32 / 8.962962962962962, 1e-12);
    EXPECT_NEAR(dEnglish, 0.178512, 1e-6);
    // The same point measured in km/h and kg, with the area still held in square inches.
    EXPECT_NEAR(DragCoefficient(false, 10.0, 64.3736, 0.0226796), dEnglish, 1e-9);
}

TEST(DragCoefficient, LimitsAndDegenerateInputs) {
    EXPECT_EQ(DragCoefficient(true, 1.0, 0.0, 0.5), 0.0);    // no wind
    EXPECT_EQ(DragCoefficient(true, 0.0, 40.0, 0.5), 0.0);   // no area
    EXPECT_EQ(DragCoefficient(true, -3.0, 40.0, 0.5), 0.0);  // nonsense area
    EXPECT_EQ(DragCoefficient(true, 1.0, 30.0, 0.1), 2.0);   // raw 6.347 is capped
    EXPECT_LT(DragCoefficient(true, 10.0, 40.0, -0.05), 0.0);  // no lower clamp
    EXPECT_NEAR(DragCoefficient(true, 10.0, 40.0, -0.05), -0.178512, 1e-6);
}

TEST(LiftDragRatio, FloorAndLimits) {
    EXPECT_EQ(LiftDragRatio(1.0, 0.002), 0.0);
    EXPECT_EQ(LiftDragRatio(1.0, 0.0), 0.0);
    EXPECT_EQ(LiftDragRatio(1.0, -0.5), 0.0);
    EXPECT_EQ(LiftDragRatio(1.0, 0.0021), 20.0);
    EXPECT_EQ(LiftDragRatio(-1.0, 0.01), -20.0);
    EXPECT_EQ(LiftDragRatio(0.5, 0.25), 2.0);
    EXPECT_EQ(LiftDragRatio(-0.3, 0.1), -0.3 / 0.1);
}

TEST(SmoothReading, ApproachesAConstantReadingByThirds) {
    double d = 0.0;
    const double expected[] = {10.0, 16.666666666666668, 21.111111111111111};
    for (double e : expected) {
        d = SmoothReading(30.0, d, SMOOTHING_DIVISOR);
        EXPECT_DOUBLE_EQ(d, e);
    }
    for (int i = 0; i < 100; ++i) {
        d = SmoothReading(30.0, d, SMOOTHING_DIVISOR);
    }
    EXPECT_NEAR(d, 30.0, 1e-9);
    // The stated order of evaluation, bit for bit.
    EXPECT_EQ(SmoothReading(0.7, 0.1, 3), 0.7 / 3 + 0.1 - 0.1 / 3);
    EXPECT_EQ(SmoothReading(7.5, 2.0, 1), 7.5);
    EXPECT_EQ(SmoothReading(7.5, 2.0, 0), 7.5);
}

TEST(UnitFactors, AreMutualInverses) {
    EXPECT_NEAR(KMH_PER_MPH * MPH_PER_KMH, 1.0, 1e-5);
    EXPECT_NEAR(KG_PER_LB * LB_PER_KG, 1.0, 1e-12);
    EXPECT_NEAR(SQCM_PER_SQIN * SQIN_PER_SQCM, 1.0, 1e-15);
    EXPECT_DOUBLE_EQ(METRIC_SPEED_STEP_FACTOR, 2 * MPH_PER_KMH);
}

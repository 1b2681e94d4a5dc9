#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <clocale>
#include <cstdio>
#include <random>
#include <tuple>

#include "core/base/NumberText.h"
#include "core/record/Units.h"

TEST(FormatFixed, RoundsExactHalvesAwayFromZeroAndOtherwiseAgreesWithPrintf) {
    // Doubles exactly halfway at the last digit, and the one just below a half.
    // clang-format off
    const std::tuple<double, int, const char*> ties[] = {
        {32.5, 0, "33"}, {0.125, 2, "0.13"}, {0.0625, 3, "0.063"}, {-2.5, 0, "-3"},
        {0.0078125, 6, "0.007813"}, {2500.5, 0, "2501"}, {0.12499999999999999, 2, "0.12"}};
    // clang-format on
    for (const auto& [d, nPrecision, pText] : ties)
        EXPECT_EQ(FormatFixed(d, nPrecision), pText);
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> value(-2000.0, 2000.0);
    for (int i = 0; i < 20000; ++i) {
        const double d = value(rng) / (1 << (i % 12));
        char buf[64];
        std::snprintf(buf, sizeof buf, "%+*.*f", 9, i % 7, d);
        ASSERT_EQ(FormatFixed(d, i % 7, 9, true), buf) << d;
    }
}

TEST(NumberText, IgnoresTheProcessLocale) {
    // A decimal comma must not change what is read or written; the locale is built privately.
    QTemporaryDir dir;
    const std::string strCommand = "localedef -i de_DE -f UTF-8 '" + dir.path().toStdString() +
                                   "/de_DE.UTF-8' >/dev/null 2>&1";
    ASSERT_EQ(std::system(strCommand.c_str()), 0) << "localedef could not build the locale";
    qputenv("LOCPATH", dir.path().toLocal8Bit());
    const std::string strOld = std::setlocale(LC_NUMERIC, nullptr);
    ASSERT_TRUE(std::setlocale(LC_NUMERIC, "de_DE.UTF-8"));
    EXPECT_TRUE(LeadingNumber("0.125") == 0.125 && FormatFixed(0.125, 3) == "0.125");
    EXPECT_EQ(FormatSignedG(12.3), "+12.3");
    std::setlocale(LC_NUMERIC, strOld.c_str());
    qunsetenv("LOCPATH");
}

TEST(DerivedQuantities, WorkedExamplesAndLimits) {
    // 40 mph is 58.67 ft/s; 10 sq. in. at q = 0.0375 v^2 gives a denominator of 8.96296; km/h
    // and kg give the same; 6.35 is capped; no wind or no area gives 0; a negative drag gives a
    // negative Cd however large (0.1 mph is 0.14667 ft/s: 1 sq. in. gives 5.60185e-6, and
    // -0.02 lb a Cd of -0.64 / 5.60185e-6), but a huge drag of either sign no infinity, nor a
    // pressure that overflows too.
    const double dMax = 1.7976931348623157e308, dCd = 1.6 / 8.962962962962962;
    // English (1) or Metric (0), area, speed, drag, Cd, and how near (0: exactly).
    // clang-format off
    const double cases[][6] = {
        {1, 10, 40, 0.05, dCd, 1e-12}, {0, 10, 64.3736, 0.0226796, dCd, 1e-9},
        {1, 1, 30, -0.1, -6.347107, 1e-6}, {1, 1, 0.1, -0.02, -114247.93, 0.01},
        {1, 1, 30, 0.1, 2, 0}, {1, 1, 0, 0.5, 0, 0}, {1, 0, 40, 0.5, 0, 0}, {1, -3, 40, 0.5, 0, 0},
        {1, 1, 18, -dMax, -NOT_COMPUTABLE, 0}, {0, 1, 18, -dMax, -NOT_COMPUTABLE, 0},
        {1, 1, 18, dMax, 2, 0}, {0, 1, 18, dMax, 2, 0}, {1, 1e308, 18, -dMax, 0, 0},
        {0, 1e308, 18, -dMax, 0, 0}};
    // clang-format on
    for (const auto& c : cases)
        EXPECT_NEAR(DragCoefficient(c[0] != 0, c[1], c[2], c[3]), c[4], c[5])
            << c[2] << " " << c[3];
    // L/D: 0 for drag up to 0.002, else clamped to +-20.
    const double ratios[][3] = {{1, 0.002, 0},   {1, 0, 0},       {1, -0.5, 0},
                                {1, 0.0021, 20}, {-1, 0.01, -20}, {0.5, 0.25, 2}};
    for (const auto& r : ratios)
        EXPECT_EQ(LiftDragRatio(r[0], r[1]), r[2]) << r[0] << " / " << r[1];
    // Smoothing moves a third of the way from the last value to the sample: 0.1 toward 0.7 is
    // 0.1 + 0.6 / 3 = 0.3; a balance at rest that reads 0.9 three times shows 0.3, then
    // 0.3 + 0.6 / 3 = 0.5, then 0.5 + 0.4 / 3 = 0.63333; n < 2 takes the sample.
    EXPECT_DOUBLE_EQ(SmoothReading(0.7, 0.1, SMOOTHING_DIVISOR), 0.3);
    double dShown = 0;
    for (double dExpected : {0.3, 0.5, 0.6333333333333333}) {
        dShown = SmoothReading(0.9, dShown, SMOOTHING_DIVISOR);
        EXPECT_DOUBLE_EQ(dShown, dExpected);
    }
    EXPECT_TRUE(SmoothReading(7.5, 2.0, 1) == 7.5 && SmoothReading(7.5, 2.0, 0) == 7.5);
}

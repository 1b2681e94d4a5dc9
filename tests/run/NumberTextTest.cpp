#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <random>

#include "run/NumberText.h"

TEST(FormatFixed, RoundsExactHalvesAwayFromZero) {
    EXPECT_EQ(FormatFixed(32.5, 0, 2), "33");
    EXPECT_EQ(FormatFixed(8.125, 0, 2), " 8");
    EXPECT_EQ(FormatFixed(16.25, 0, 2), "16");
    EXPECT_EQ(FormatFixed(0.125, 2, 2), "0.13");
    EXPECT_EQ(FormatFixed(1.25, 1, 2), "1.3");
    EXPECT_EQ(FormatFixed(0.0625, 3, 2), "0.063");
    EXPECT_EQ(FormatFixed(-2.5, 0), "-3");
    EXPECT_EQ(FormatFixed(0.5, 0), "1");
    EXPECT_EQ(FormatFixed(2.0, 0), "2");
    // Just below a half stays below.
    EXPECT_EQ(FormatFixed(0.12499999999999999, 2), "0.12");
}

TEST(FormatFixed, AgreesWithPrintfWhereNoHalfIsInvolved) {
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> value(-2000.0, 2000.0);
    for (int i = 0; i < 20000; ++i) {
        const double d = value(rng) / (1 << (i % 12));
        const int nPrecision = i % 7;
        char buf[128];
        std::snprintf(buf, sizeof buf, "%+*.*f", 9, nPrecision, d);
        EXPECT_EQ(FormatFixed(d, nPrecision, 9, true), buf) << d;
    }
}

TEST(FormatFixed, SignAndWidthAsPrintf) {
    EXPECT_EQ(FormatFixed(0.0, 3, 4, true), "+0.000");
    EXPECT_EQ(FormatFixed(0.0, 1, 4), " 0.0");
    EXPECT_EQ(FormatFixed(-0.004, 6, 0, true), "-0.004000");
    EXPECT_EQ(FormatFixed(0.1234, 6, 0, true), "+0.123400");
    EXPECT_EQ(FormatFixed(1.0, 6), "1.000000");
}

TEST(FormatSignedG, SlotSpeeds) {
    EXPECT_EQ(FormatSignedG(0 * 0.1), "+0");
    EXPECT_EQ(FormatSignedG(1 * 0.1), "+0.1");
    EXPECT_EQ(FormatSignedG(123 * 0.1), "+12.3");
    EXPECT_EQ(FormatSignedG(1399 * 0.1), "+139.9");
    EXPECT_EQ(FormatSignedG(1400 * 0.1), "+140");
    EXPECT_EQ(FormatSignedG(-0.5), "-0.5");
    for (int i = 0; i <= 1400; ++i) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%+g", i * 0.1);
        ASSERT_EQ(FormatSignedG(i * 0.1), buf);
    }
}

TEST(LeadingNumber, ReadsTheDecimalNumberAtTheStart) {
    size_t nEnd = 0;
    EXPECT_EQ(LeadingNumber("  12.5abc", &nEnd), 12.5);
    EXPECT_EQ(nEnd, 6u);
    EXPECT_EQ(LeadingNumber("-3"), -3.0);
    EXPECT_EQ(LeadingNumber("+.5"), 0.5);
    EXPECT_EQ(LeadingNumber("5."), 5.0);
    EXPECT_EQ(LeadingNumber("1e3x"), 1000.0);
    EXPECT_EQ(LeadingNumber("1e", &nEnd), 1.0);
    EXPECT_EQ(nEnd, 1u);
    EXPECT_EQ(LeadingNumber("0x10"), 0.0);  // hexadecimal is not read
    EXPECT_EQ(LeadingNumber("1e999"), HUGE_VAL);
    EXPECT_FALSE(LeadingNumber(""));
    EXPECT_FALSE(LeadingNumber("abc"));
    EXPECT_FALSE(LeadingNumber("inf"));
    EXPECT_FALSE(LeadingNumber("nan"));
    EXPECT_FALSE(LeadingNumber("-"));
    EXPECT_FALSE(LeadingNumber("."));
    EXPECT_EQ(TextToNumber("word"), 0.0);
}

TEST(NumberText, IgnoresTheProcessLocale) {
    // A desktop locale with a decimal comma must not change what is read or written. Build one
    // in a private folder, so the test does not depend on the machine's generated locales.
    QTemporaryDir dir;
    const QString strLocale = dir.path() + "/de_DE.UTF-8";
    const std::string strCommand =
        "localedef -i de_DE -f UTF-8 '" + strLocale.toStdString() + "' >/dev/null 2>&1";
    if (std::system(strCommand.c_str()) != 0) {
        GTEST_SKIP() << "localedef could not build a locale with a decimal comma";
    }
    qputenv("LOCPATH", dir.path().toLocal8Bit());
    const char* pOld = std::setlocale(LC_NUMERIC, nullptr);
    std::string strOld = pOld ? pOld : "C";
    ASSERT_TRUE(std::setlocale(LC_NUMERIC, "de_DE.UTF-8"));
    char buf[16];
    std::snprintf(buf, sizeof buf, "%.1f", 0.5);
    ASSERT_STREQ(buf, "0,5");  // the locale is really in force
    EXPECT_EQ(LeadingNumber("0.125"), 0.125);
    EXPECT_EQ(FormatFixed(0.125, 3), "0.125");
    EXPECT_EQ(FormatSignedG(12.3), "+12.3");
    std::setlocale(LC_NUMERIC, strOld.c_str());
    qunsetenv("LOCPATH");
}

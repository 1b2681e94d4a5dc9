// Several saved tests listed together: the rows of each file in one unit system, worked out by
// hand from the files' own lines, and files that cannot be read.

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <algorithm>

#include "core/files/CompareTests.h"

namespace {

const QString WING = QStringLiteral(ZEF_TEST_DATA "/zef/english-wing.ZEF");
const QString METRIC = QStringLiteral(ZEF_TEST_DATA "/zef/metric-high-speed.ZEF");

std::vector<CompareTest> Load(const QStringList& paths) {
    std::vector<CompareTest> tests;
    for (const QString& strPath : paths) {
        CompareLoad load = LoadCompareTest(strPath);
        EXPECT_TRUE(load.strProblem.isEmpty()) << load.strProblem.toStdString();
        if (load.test) {
            tests.push_back(std::move(*load.test));
        }
    }
    return tests;
}

// The CSV's rows as cells, the header first.
std::vector<QStringList> Cells(const std::string& strCsv) {
    std::vector<QStringList> rows;
    for (const QString& strLine : QString::fromStdString(strCsv).split('\n', Qt::SkipEmptyParts)) {
        rows.push_back(strLine.split(','));
    }
    return rows;
}

// The row of a file at a point, by the wind as written in the CSV's first digits.
QStringList RowAt(const std::vector<QStringList>& rows, const QString& strFile,
                  const QString& strWindStart) {
    for (const QStringList& row : rows) {
        if (row[0] == strFile && row[1].startsWith(strWindStart)) {
            return row;
        }
    }
    return {};
}

}  // namespace

TEST(CompareTests, RowsInTheUnitsAskedForWithTheOtherSystemsFileConverted) {
    const std::vector<CompareTest> tests = Load({WING, METRIC});
    ASSERT_EQ(tests.size(), 2u);
    EXPECT_EQ(tests[0].strComment, "NACA 0012, chord 4 in.");
    EXPECT_EQ(tests[1].strComment, "metric run");

    // Worked by hand. The wing at 50 mph on 12.5 sq. in.: 50 x 5280 / 3600 = 73.333 ft/s,
    // q A = 0.0375 x 73.333^2 x 12.5 / 144 = 17.506, Cd = 0.097 x 32 / 17.506 = 0.17731;
    // L/D = 0.481 / 0.097 = 4.9588. In Metric: 80.467 km/h, 0.218178 and 0.0439984 kg.
    // The metric run at 64.4 km/h on 1.550003 sq. in.: 40.016404 mph = 58.690726 ft/s,
    // q A = 0.0375 x 58.690726^2 x 1.550003 / 144 = 1.390402; 0.03 kg = 0.0661387 lbs, so
    // Cd = 0.0661387 x 32 / 1.390402 = 1.52218; 0.15 kg = 0.330694 lbs; L/D = 5.
    struct Case {
        bool bEnglish;
        const char* pHeader;
        const char* pFile;
        const char* pWind;  // the row's wind as the CSV begins it
        double dWind, dLift, dDrag, dCd, dLD;
    };
    const Case cases[] = {
        {true, "file,wind (mph),lift (lbs),drag (lbs),cd,ld", "english-wing.ZEF", "50", 50, 0.481,
         0.097, 0.17731, 4.95876},
        {true, "file,wind (mph),lift (lbs),drag (lbs),cd,ld", "metric-high-speed.ZEF", "40.0",
         40.016404, 0.330694, 0.0661387, 1.52218, 5},
        {false, "file,wind (km/h),lift (kg),drag (kg),cd,ld", "english-wing.ZEF", "80.4", 80.467,
         0.218178, 0.0439984, 0.17731, 4.95876},
        {false, "file,wind (km/h),lift (kg),drag (kg),cd,ld", "metric-high-speed.ZEF", "64.4", 64.4,
         0.15, 0.03, 1.52218, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.pFile) + (c.bEnglish ? " in English" : " in Metric"));
        const std::vector<QStringList> rows = Cells(FormatCompareCsv(tests, c.bEnglish));
        ASSERT_EQ(rows.size(), 1u + 7u + 6u);  // the header, then each file's points
        EXPECT_EQ(rows[0].join(','), c.pHeader);
        const QStringList row = RowAt(rows, c.pFile, c.pWind);
        ASSERT_EQ(row.size(), 6);
        const double expected[] = {c.dWind, c.dLift, c.dDrag, c.dCd, c.dLD};
        for (int k = 0; k < 5; ++k) {
            EXPECT_NEAR(row[k + 1].toDouble(), expected[k], 1e-5 * std::max(1.0, expected[k]))
                << "column " << k + 1;
        }
    }
    // File after file, each in the order of its points; the zero point as the file holds it.
    const std::vector<QStringList> rows = Cells(FormatCompareCsv(tests, true));
    EXPECT_EQ(rows[1].join(','), "english-wing.ZEF,0,0,0,0,0");
    EXPECT_EQ(rows[2].join(','), "english-wing.ZEF,4.9,0.004,0.001,0,0");
    EXPECT_EQ(rows[8].join(','), "metric-high-speed.ZEF,0,0,0,0,0");
    EXPECT_EQ(rows[13][0], "metric-high-speed.ZEF");
    // Converted by hand: 35.5 x 1.60934 = 57.13157 km/h, 0.247 and 0.049 x 0.453592 =
    // 0.112037224 and 0.022226008 kg, written as such and not as the binary products' digits.
    EXPECT_EQ(Cells(FormatCompareCsv(tests, false))[5].mid(0, 4).join(',').toStdString(),
              "english-wing.ZEF,57.13157,0.112037224,0.022226008");
}

TEST(CompareTests, ANameThatWouldSplitTheRowIsQuotedAndAFileThatCannotBeReadIsSaidWhy) {
    QTemporaryDir dir;
    const QString strOdd = dir.filePath("wing, \"8\" deg.ZEF");
    ASSERT_TRUE(QFile::copy(WING, strOdd));
    const std::vector<CompareTest> tests = Load({strOdd});
    const std::string strCsv = FormatCompareCsv(tests, true);
    EXPECT_NE(strCsv.find("\n\"wing, \"\"8\"\" deg.ZEF\",50,0.481,0.097,"), std::string::npos)
        << strCsv;

    struct Case {
        QString strPath;
        const char* pProblem;
    };
    const Case cases[] = {
        {QStringLiteral(ZEF_TEST_DATA "/zef/wrong-magic.ZEF"), "not a test file"},
        {dir.filePath("absent.ZEF"), "No such file or directory"},
        {dir.path(), "folder"},
    };
    for (const Case& c : cases) {
        const CompareLoad load = LoadCompareTest(c.strPath);
        EXPECT_FALSE(load.test.has_value()) << c.strPath.toStdString();
        EXPECT_TRUE(load.strProblem.contains(QLatin1String(c.pProblem), Qt::CaseInsensitive))
            << c.strPath.toStdString() << ": " << load.strProblem.toStdString();
    }
}

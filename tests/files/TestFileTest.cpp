#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <random>
#include <sys/resource.h>

#include "RecordingDrawing.h"
#include "files/TestFile.h"
#include "run/NumberText.h"
#include "run/TestRecord.h"
#include "run/Units.h"

namespace {

// A record as the console holds it after start-up: units applied, test cleared.
TestRecord FreshRecord(int bEnglish) {
    TestRecord rec(bEnglish, 80.0);
    CRecordingDrawing dc;
    rec.ApplyUnitScales();
    rec.RecordPoint(dc, 0, 0, 0, RECORD_CLEAR);
    rec.ClearOverlay();
    return rec;
}

std::string Bytes(const QString& strPath) {
    QFile file(strPath);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << strPath.toStdString();
    return file.readAll().toStdString();
}

FileResult ReadBytes(TestRecord& rec, const std::string& strData) {
    CMemoryByteReader reader(strData.data(), strData.size());
    return ReadTestFile(rec, reader);
}

QString DataFile(const char* pName) { return QString(ZEF_TEST_DATA "/zef/") + pName; }

std::vector<int> RecordedSlots(const TestRecord& rec) {
    std::vector<int> nSlots;
    for (int i = 0; i < SLOT_COUNT; ++i) {
        if (rec.IsRecorded(i)) {
            nSlots.push_back(i);
        }
    }
    return nSlots;
}

const std::string HEADER =
    "ZEF\r\nUnits= English\r\nCd Area = 1.000000 sq.in.\r\nComment Text=\r\n[\r\n"
    "\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n]\r\nWind, Lift, Drag=\r\n[\r\n";

}  // namespace

TEST(TestFileWriter, FreshEnglishTestByteForByte) {
    EXPECT_EQ(FormatTestFile(FreshRecord(1)), HEADER + "+0, +0.000000, +0.000000\r\n]\r\n");
}

TEST(TestFileWriter, PointLinesAreSignedAndTheLastSlotIsWritten) {
    TestRecord rec = FreshRecord(0);
    rec.m_dCdArea = 1.23456789;
    rec.m_strComment[0] = "first";
    rec.m_strComment[9] = "tenth";
    rec.m_lift.m_dValue[123] = 0.1234;
    rec.m_drag.m_dValue[123] = 0.05;
    rec.m_lift.m_dValue[1400] = -0.004;
    rec.m_drag.m_dValue[1400] = 0.0078125;  // an exact half at the sixth decimal
    const std::string strText = FormatTestFile(rec);
    EXPECT_EQ(strText.substr(0, 47), "ZEF\r\nUnits= Metric\r\nCd Area = 1.234568 sq.in.\r\n");
    EXPECT_NE(strText.find("[\r\nfirst\r\n\r\n"), std::string::npos);
    EXPECT_NE(strText.find("\r\ntenth\r\n]\r\n"), std::string::npos);
    EXPECT_NE(strText.find("\r\n+12.3, +0.123400, +0.050000\r\n"), std::string::npos);
    EXPECT_NE(strText.find("\r\n+140, -0.004000, +0.007813\r\n]\r\n"), std::string::npos);
}

TEST(TestFileRoundTrip, RandomTestsComeBackSlotForSlot) {
    std::mt19937 rng(2024);
    std::uniform_real_distribution<double> force(-2.0, 2.0);
    std::bernoulli_distribution filled(0.3);
    QTemporaryDir dir;
    for (int nTrial = 0; nTrial < 12; ++nTrial) {
        const int bEnglish = nTrial % 2;
        TestRecord saved = FreshRecord(bEnglish);
        saved.m_dCdArea = std::round(std::uniform_real_distribution<double>(0.1, 50)(rng) * 1e6) / 1e6;
        for (int i = 1; i < SLOT_COUNT; ++i) {
            if (filled(rng) || i == LAST_SLOT) {
                saved.m_lift.m_dValue[i] = force(rng);
                saved.m_drag.m_dValue[i] = force(rng);
            }
        }
        for (int k = 0; k < COMMENT_COUNT; ++k) {
            saved.m_strComment[k] = k % 3 ? "comment " + std::to_string(k * nTrial) : "";
        }
        saved.m_strComment[4] = "]";
        const QString strPath = dir.filePath(QString("t%1.ZEF").arg(nTrial));
        ASSERT_TRUE(WriteTestFile(saved, strPath).Ok());

        TestRecord opened = FreshRecord(1 - bEnglish);  // the other unit system before opening
        ASSERT_TRUE(ReadTestFile(opened, strPath).Ok());
        EXPECT_EQ(opened.m_bEnglish, bEnglish);
        EXPECT_EQ(opened.m_dCdArea, saved.m_dCdArea);
        EXPECT_EQ(opened.m_strComment, saved.m_strComment);
        EXPECT_EQ(opened.m_axisWind.m_dFullScale, bEnglish ? 85.0 : 140.0);
        ASSERT_EQ(RecordedSlots(opened), RecordedSlots(saved));
        for (int i : RecordedSlots(saved)) {
            const double dLift = saved.m_lift.m_dValue[i], dDrag = saved.m_drag.m_dValue[i];
            ASSERT_NEAR(opened.m_lift.m_dValue[i], dLift, 5e-7) << i;
            ASSERT_NEAR(opened.m_drag.m_dValue[i], dDrag, 5e-7) << i;
            const double dWind = TextToNumber(FormatSignedG(i * 0.1));  // as the file says
            const double dReadDrag = opened.m_drag.m_dValue[i];
            const double dReadLift = opened.m_lift.m_dValue[i];
            const bool bLow = dWind < DERIVED_MIN_SPEED;
            ASSERT_EQ(opened.m_cd.m_dValue[i], bLow ? 0.0 : opened.DragCoefficient(dWind, dReadDrag));
            ASSERT_EQ(opened.m_ld.m_dValue[i], bLow ? 0.0 : LiftDragRatio(dReadLift, dReadDrag));
        }
    }
}

TEST(TestFileReader, FilesThatAreNotTestFilesChangeNothing) {
    for (const std::string& strData :
         {std::string(""), std::string("ZEF\r"), std::string("ZEF\n"), std::string("zef\r\n"),
          std::string("ZEF \r\n"), std::string("ZEF\n\r\n") + HEADER.substr(5)}) {
        TestRecord rec = FreshRecord(1);
        rec.m_lift.m_dValue[300] = 0.5;
        rec.m_strComment[1] = "kept";
        rec.m_axisWind.m_dMajorStep = 99;  // the ranges are applied again in any case
        EXPECT_EQ(ReadBytes(rec, strData).status, FileStatus::NotTestFile);
        EXPECT_EQ(rec.m_lift.m_dValue[300], 0.5);
        EXPECT_EQ(rec.m_strComment[1], "kept");
        EXPECT_EQ(rec.m_axisWind.m_dMajorStep, 10.0);
    }
    TestRecord rec = FreshRecord(1);
    EXPECT_EQ(ReadTestFile(rec, DataFile("wrong-magic.ZEF")).status, FileStatus::NotTestFile);
    EXPECT_EQ(ReadTestFile(rec, DataFile("no-such-file.ZEF")).status, FileStatus::CannotOpen);
    const FileResult dir = ReadTestFile(rec, QString(ZEF_TEST_DATA));
    EXPECT_EQ(dir.status, FileStatus::CannotOpen);
    EXPECT_FALSE(dir.strError.isEmpty());
}

TEST(TestFileReader, ReadsAHandWrittenFileWithLineFeedsOnly) {
    TestRecord rec = FreshRecord(1);
    rec.m_dCdArea = 7.0;
    ASSERT_TRUE(ReadTestFile(rec, DataFile("lf-only.ZEF")).Ok());
    EXPECT_EQ(rec.m_bEnglish, 0);  // "units= metric": letter case does not matter
    EXPECT_EQ(rec.m_dCdArea, 2.0);  // "Cd Area=2": blanks in the pattern may be missing
    EXPECT_EQ(rec.m_strComment[0], "LF only");
    // "+20 , ..." has a blank before its comma and is no point; trailing words are ignored;
    // the empty line ends the points, so 40 is never read.
    EXPECT_EQ(RecordedSlots(rec), (std::vector<int>{0, 100, 300}));
    EXPECT_EQ(rec.m_lift.m_dValue[300], 0.18);
    EXPECT_EQ(rec.m_drag.m_dValue[300], 0.036);
    EXPECT_EQ(rec.m_axisForce.m_dMajorStep, 0.05);  // metric force steps at range 2
}

TEST(TestFileReader, UnitsAndAreaLines) {
    struct Case {
        const char* pUnits;
        const char* pArea;
        int bEnglish;
        double dArea;
    } cases[] = {
        {"UNITS= METRIC", "Cd Area = 3.5 sq.in.", 0, 3.5},
        {"Units=Metric", "Cd  Area   =4", 1, 4.0},
        {"Units= English", "cd area = 3", 1, 9.0},
        {"", "Cd Area = abc", 1, 9.0},
        {"Units= Metric ", "Cd Area = inf sq.in.", 1, 9.0},
        {"Units= Metric", "Cd Area = 1e999", 0, 9.0},
    };
    for (const Case& c : cases) {
        TestRecord rec = FreshRecord(0);
        rec.m_dCdArea = 9.0;
        ASSERT_TRUE(ReadBytes(rec, std::string("ZEF\r\n") + c.pUnits + "\r\n" + c.pArea + "\r\n").Ok());
        EXPECT_EQ(rec.m_bEnglish, c.bEnglish) << c.pUnits;
        EXPECT_EQ(rec.m_dCdArea, c.dArea) << c.pArea;
    }
}

TEST(TestFileReader, CommentsAreCountedNotBracketed) {
    TestRecord rec = FreshRecord(1);
    ASSERT_TRUE(ReadTestFile(rec, DataFile("metric-high-speed.ZEF")).Ok());
    EXPECT_EQ(rec.m_strComment[0], "metric run");
    EXPECT_EQ(rec.m_strComment[1], "[");
    EXPECT_EQ(rec.m_strComment[2], "]");
    EXPECT_EQ(rec.m_strComment[9], "line ten");
    // Every point of the metric test comes back, also above 80 km/h and in the last slot.
    EXPECT_EQ(RecordedSlots(rec), (std::vector<int>{0, 161, 644, 965, 1399, 1400}));
}

TEST(TestFileReader, PointRules) {
    TestRecord rec = FreshRecord(1);
    ASSERT_TRUE(ReadBytes(rec, HEADER +
                                   "+0, +0.500000, +0.100000\r\n"
                                   "+4.9, +0.004000, +0.001000\r\n"
                                   "-0.05, +0.3, +0.1\r\n"
                                   "+100, +1.5, +0.3\r\n"
                                   "+12.3,+0.1,+0.02\r\n"
                                   "+12.3, +0.2, +0.04\r\n"
                                   "]\r\n"
                                   "+50, +0.5, +0.1\r\n")
                    .Ok());
    // The zero point is always zero; a later line for a slot replaces an earlier one; lines
    // after the closing bracket are still read until the first empty line.
    EXPECT_EQ(RecordedSlots(rec), (std::vector<int>{0, 49, 123, 500, 1000}));
    for (const CurveTable* p : {&rec.m_lift, &rec.m_drag, &rec.m_cd, &rec.m_ld}) {
        EXPECT_EQ(p->m_dValue[0], 0.0);
    }
    EXPECT_EQ(rec.m_cd.m_dValue[49], 0.0);
    EXPECT_EQ(rec.m_ld.m_dValue[49], 0.0);
    EXPECT_EQ(rec.m_lift.m_dValue[123], 0.2);
    EXPECT_EQ(rec.m_ld.m_dValue[123], 5.0);
    EXPECT_EQ(rec.m_lift.m_dValue[1000], 1.5);  // 100 mph: beyond the old 80.0 limit, kept
}

TEST(TestFileReader, NumbersThatAreNotFiniteNeverEnterTheTables) {
    TestRecord rec = FreshRecord(1);
    rec.m_dCdArea = 3.0;
    ASSERT_TRUE(ReadTestFile(rec, DataFile("non-finite.ZEF")).Ok());
    EXPECT_EQ(rec.m_dCdArea, 3.0);
    // The last line has no line end and is read as it stands.
    EXPECT_EQ(RecordedSlots(rec), (std::vector<int>{0, 150, 160}));
    EXPECT_EQ(rec.m_lift.m_dValue[160], 0.3);
    for (const CurveTable* p : {&rec.m_lift, &rec.m_drag, &rec.m_cd, &rec.m_ld}) {
        for (double d : p->m_dValue) {
            ASSERT_TRUE(std::isfinite(d));
        }
    }
}

TEST(TestFileReader, AFileThatEndsEarlyEmptiesWhatIsMissing) {
    TestRecord rec = FreshRecord(0);
    rec.m_lift.m_dValue[200] = 0.4;
    rec.m_strComment[6] = "old";
    ASSERT_TRUE(ReadTestFile(rec, DataFile("early-end.ZEF")).Ok());
    EXPECT_EQ(rec.m_bEnglish, 1);
    EXPECT_EQ(rec.m_strComment[0], "ends early");
    EXPECT_EQ(rec.m_strComment[6], "");
    EXPECT_EQ(RecordedSlots(rec), (std::vector<int>{0}));
}

TEST(TestFileReader, LongLinesAreCutAndReadingGoesOn) {
    TestRecord rec = FreshRecord(1);
    const std::string strLong(150, 'x');
    ASSERT_TRUE(ReadBytes(rec, "ZEF\r\nUnits= Metric\r\nCd Area = 2\r\nComment Text=\r\n[\r\n" +
                                   strLong + "\r\nsecond\r\n")
                    .Ok());
    EXPECT_EQ(rec.m_strComment[0], std::string(LINE_LIMIT, 'x'));
    EXPECT_EQ(rec.m_strComment[1], "second");
    EXPECT_EQ(rec.m_bEnglish, 0);
}

TEST(TestFileReader, EveryWrittenWindMapsBackToItsSlot) {
    for (int i = 0; i < SLOT_COUNT; ++i) {
        ASSERT_EQ(std::trunc(TextToNumber(FormatSignedG(i * 0.1)) * 10), i);
    }
}

TEST(ReadLine, CarriageReturnRules) {
    const std::string strData = "a\r\nb\rc\nd\r\r\ne\n\nlast";
    CMemoryByteReader reader(strData.data(), strData.size());
    std::string strLine;
    std::vector<std::string> lines;
    int n;
    while ((n = ReadLine(reader, strLine)) > 0 || lines.size() < 6) {
        EXPECT_EQ(n, static_cast<int>(strLine.size()));
        lines.push_back(strLine);
        if (lines.size() > 10) break;
    }
    EXPECT_EQ(lines, (std::vector<std::string>{"a", "bc", "d\r", "e", "", "last"}));
    EXPECT_EQ(ReadLine(reader, strLine), 0);
}

namespace {

// Delivers a file's first bytes and then fails, as a disk or network share can.
class CFailingReader : public CByteReader {
public:
    CFailingReader(std::string strData, std::size_t nFailAt)
        : m_strData(std::move(strData)), m_nFailAt(nFailAt) {}

protected:
    std::int64_t ReadChunk(char* pBuf, std::int64_t nMax) override {
        if (m_nPos >= m_nFailAt) {
            return -1;
        }
        std::size_t n = std::min<std::size_t>({static_cast<std::size_t>(nMax), 7, m_nFailAt - m_nPos});
        std::copy_n(m_strData.data() + m_nPos, n, pBuf);
        m_nPos += n;
        return static_cast<std::int64_t>(n);
    }

private:
    std::string m_strData;
    std::size_t m_nFailAt;
    std::size_t m_nPos = 0;
};

}  // namespace

TEST(TestFileReader, AReadErrorLeavesTheCurrentTestWhole) {
    TestRecord source = FreshRecord(0);
    for (int i = 1; i < SLOT_COUNT; i += 7) {
        source.m_lift.m_dValue[i] = 0.01 * (i % 50);
        source.m_drag.m_dValue[i] = 0.002 * (i % 30);
    }
    source.m_strComment[0] = "from the share";
    const std::string strData = FormatTestFile(source);
    for (std::size_t nFailAt : {std::size_t{3}, std::size_t{40}, strData.size() / 2, strData.size() - 1}) {
        TestRecord rec = FreshRecord(1);
        rec.m_lift.m_dValue[333] = 0.25;
        rec.m_strComment[0] = "current";
        CFailingReader reader(strData, nFailAt);
        EXPECT_EQ(ReadTestFile(rec, reader).status, FileStatus::ReadError) << nFailAt;
        EXPECT_EQ(rec.m_bEnglish, 1);
        EXPECT_EQ(rec.m_strComment[0], "current");
        EXPECT_EQ(RecordedSlots(rec), (std::vector<int>{0, 333}));
    }
    TestRecord rec = FreshRecord(1);
    // An error after the empty line that ends the points is never reached.
    CFailingReader whole(strData + "\r\n", strData.size() + 2);
    EXPECT_TRUE(ReadTestFile(rec, whole).Ok());
    EXPECT_EQ(rec.m_strComment[0], "from the share");
}

TEST(TestFileWriter, AFailedSaveKeepsTheEarlierFileAndSaysWhy) {
    QTemporaryDir dir;
    const QString strPath = dir.filePath("wing.ZEF");
    TestRecord small = FreshRecord(1);
    ASSERT_TRUE(WriteTestFile(small, strPath).Ok());
    const std::string strBefore = Bytes(strPath);

    TestRecord big = FreshRecord(1);
    for (int i = 1; i < SLOT_COUNT; ++i) {
        big.m_lift.m_dValue[i] = big.m_drag.m_dValue[i] = 0.5;
    }
    // Let the file system refuse anything beyond 1000 bytes, as a full disk would.
    struct rlimit old {};
    getrlimit(RLIMIT_FSIZE, &old);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit tight = old;
    tight.rlim_cur = 1000;
    setrlimit(RLIMIT_FSIZE, &tight);
    const FileResult result = WriteTestFile(big, strPath);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(result.Ok());
    EXPECT_FALSE(result.strError.isEmpty());
    EXPECT_EQ(Bytes(strPath), strBefore);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"wing.ZEF"});

    const FileResult missing = WriteTestFile(small, dir.filePath("no/such/folder/x.ZEF"));
    EXPECT_EQ(missing.status, FileStatus::CannotOpen);
    EXPECT_FALSE(missing.strError.isEmpty());
}

// Test files: the writer's bytes, what the reader makes of files written by hand, and where a
// file may be opened or written.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QTemporaryDir>
#include <numeric>
#include <random>
#include <tuple>

#include "AsOperator.h"
#include "core/files/Profile.h"
#include "core/files/TestFile.h"
#include "core/record/TestRecord.h"
#include "core/record/Units.h"

namespace {

// Delivers its bytes a few at a time and then, when told to, fails, as a network share can.
struct CShareReader : CMemoryByteReader {
    CShareReader(const std::string& strData, bool bFail)
        : CMemoryByteReader(strData.data(), strData.size()), m_bFail(bFail) {}
    std::int64_t ReadChunk(char* pBuf, std::int64_t nMax) override {
        const std::int64_t n = CMemoryByteReader::ReadChunk(pBuf, std::min<std::int64_t>(nMax, 7));
        return n == 0 && m_bFail ? -1 : n;
    }
    bool m_bFail;
};

// A file (or folder) of the corpus by name, or one by its full path; else the bytes given,
// failing at their end after '!'.
FileResult Open(TestRecord& rec, const std::string& strSource) {
    if (!strSource.empty() && strSource.find_first_of("\r\n") == std::string::npos) {
        const QString strName = QString::fromStdString(strSource);
        return ReadTestFile(rec,
                            strName.startsWith('/') ? strName : ZEF_TEST_DATA "/zef/" + strName);
    }
    const std::string strData = strSource.substr(strSource.starts_with('!'));
    CShareReader reader(strData, strSource.starts_with('!'));
    return ReadTestFile(rec, reader);
}

std::vector<int> RecordedSlots(const TestRecord& rec) {
    std::vector<int> filled;
    for (int i = 0; i < SLOT_COUNT; ++i)
        if (rec.IsRecorded(i))
            filled.push_back(i);
    return filled;
}

const std::string HEADER =
    "ZEF\r\nUnits= English\r\nCd Area = 1.000000 sq.in.\r\nComment Text=\r\n[\r\n"
    "\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n]\r\nWind, Lift, Drag=\r\n[\r\n";

}  // namespace

TEST(TestFile, AFreshTestByteForByteAndRandomTestsInBothUnitSystemsSlotForSlot) {
    TestRecord fresh(1, 80.0);  // as a clear leaves it
    fresh.m_lift.m_dValue[0] = fresh.m_drag.m_dValue[0] = 0.0;
    EXPECT_EQ(FormatTestFile(fresh), HEADER + "+0, +0.000000, +0.000000\r\n]\r\n");
    // Whoever filled the comments, the file keeps its layout: each comment is one line.
    fresh.m_strComment = {"a\r\nb", "\n\n\n", "\r", "t\tu\x7f", "", "", "", "", "", "z"};
    EXPECT_EQ(FormatTestFile(fresh), HEADER.substr(0, HEADER.find('[') + 3) +
                                         "a  b\r\n   \r\n \r\nt u \r\n\r\n\r\n\r\n\r\n\r\nz\r\n" +
                                         HEADER.substr(HEADER.find(']')) +
                                         "+0, +0.000000, +0.000000\r\n]\r\n");
    std::mt19937 rng(2024);
    auto decimals = [&](int nMax) { return int(rng() % (2 * nMax + 1) - nMax) / 1e6; };
    QTemporaryDir dir;
    for (int nTrial = 0; nTrial < 6; ++nTrial) {
        const int bEnglish = nTrial % 2;
        TestRecord saved(bEnglish, 80.0);
        saved.m_dCdArea = std::fabs(decimals(50000000));
        saved.m_strComment = {"", "[", "]", "", std::to_string(rng()), "NACA", "", "x", "", "10"};
        for (int i = 0; i < SLOT_COUNT; ++i) {
            if (i == 0 || i == LAST_SLOT || nTrial == 0 || rng() % 3 == 0) {
                saved.m_lift.m_dValue[i] = i ? decimals(2000000) : 0;
                saved.m_drag.m_dValue[i] = i ? decimals(2000000) : 0;
            }
        }
        const QString strPath = dir.filePath(QString("t%1.ZEF").arg(nTrial));
        ASSERT_TRUE(WriteTestFile(saved, strPath).Ok());
        TestRecord opened(1 - bEnglish, 80.0);  // the other unit system before opening
        ASSERT_TRUE(ReadTestFile(opened, strPath).Ok());
        EXPECT_EQ(opened.m_bEnglish, bEnglish);
        EXPECT_EQ(opened.m_dCdArea, saved.m_dCdArea);
        EXPECT_EQ(opened.m_strComment, saved.m_strComment);
        ASSERT_EQ(RecordedSlots(opened), RecordedSlots(saved));
        for (int i : RecordedSlots(saved)) {
            // Lift and drag exactly as saved; Cd and L/D 0 below 5 (their worked examples below).
            ASSERT_EQ(opened.m_lift.m_dValue[i], saved.m_lift.m_dValue[i]) << i;
            ASSERT_EQ(opened.m_drag.m_dValue[i], saved.m_drag.m_dValue[i]) << i;
            if (i < 50) {
                ASSERT_EQ(std::pair(opened.m_cd.m_dValue[i], opened.m_ld.m_dValue[i]),
                          std::pair(0.0, 0.0)) << i;
            }
        }
    }
    // Cd and L/D are worked out again on opening, in the file's units. Metric, the area (always
    // in sq. in.) 12.4 sq. in. is 0.086111 sq. ft; 80 km/h is 49.710 mph or 72.908 ft/s, q =
    // 0.0375 * 72.908^2 = 199.33; 0.05 kg is 0.110231 lb; Cd = 32 * 0.110231 / (199.33 *
    // 0.086111) = 0.205502, L/D = 0.2 / 0.05 = 4. At 4.9 km/h both are 0.
    TestRecord opened(1, 80.0);
    ASSERT_TRUE(Open(opened, "ZEF\r\nUnits= Metric\r\nCd Area = 12.400000 sq.in.\r\n" +
                                 HEADER.substr(HEADER.find("Comment")) +
                                 "+0, +0.000000, +0.000000\r\n+4.9, +0.2, +0.05\r\n"
                                 "+80, +0.2, +0.05\r\n]\r\n")
                    .Ok());
    EXPECT_NEAR(opened.m_cd.m_dValue[800], 0.205502, 1e-6);
    EXPECT_NEAR(opened.m_ld.m_dValue[800], 4.0, 1e-12);
    EXPECT_EQ(std::pair(opened.m_cd.m_dValue[49], opened.m_ld.m_dValue[49]), std::pair(0.0, 0.0));
}

TEST(TestFile, HandMadeFilesAreReadAsTheConsoleAlwaysHasReadThem) {
    const std::string strLong = "ZEF\r\nUNITS= METRIC\r\nCd  Area   =4\r\nComment Text=\r\n[\r\n" +
                                std::string(150, 'x') + "\r\nb\rc\r\nd\r\r\n";
    // Neither a FIFO without a writer (never waited on) nor a device is opened.
    QTemporaryDir dir;
    const std::string strFifo = dir.filePath("pipe.ZEF").toStdString();
    ASSERT_EQ(mkfifo(strFifo.c_str(), 0600), 0);
    const FileStatus OK = FileStatus::Ok, NOT = FileStatus::NotTestFile,
                     CANNOT = FileStatus::CannotOpen, FAILED = FileStatus::ReadError;
    // The source; what opening it says; the units, area, comments (joined by '|'), recorded
    // slots and the last one's lift after.
    // clang-format off
    std::vector<std::tuple<std::string, FileStatus, int, double, std::string, std::vector<int>,
                           double>> cases = {
        // LF line ends, units in any case, no blanks in the area line; "+20 , ..." (a blank
        // before its comma) is no point, trailing words go, the empty line ends the points.
        {"lf-only.ZEF", OK, 0, 2.0, "LF only|||||||||", {0, 100, 300}, 0.18},
        // An area and numbers that are not finite are passed over; the last line has no end
        // and is not as the writer writes it, so it may have been cut: it is no point.
        {"non-finite.ZEF", OK, 1, 3.0, "|||||||||", {0, 150}, 0.2},
        {"early-end.ZEF", OK, 1, 1.0, "ends early|||||||||", {0}, 0},
        // Lines are cut at 99 characters and reading goes on; a lone CR takes the next byte.
        {strLong, OK, 0, 4.0, std::string(LINE_LIMIT, 'x') + "|bc|d |||||||", {0}, 0},
        // Control characters in a comment become blanks.
        {"ZEF\r\nUnits= English\r\nCd Area = 1\r\nComment Text=\r\n[\r\ntab\tnul\x01\x1b\x7f!\r\n",
         OK, 1, 1.0, "tab nul   !|||||||||", {0}, 0},
        {HEADER + "+0, +0.5, +0.1\r\n", OK, 1, 1.0, "|||||||||", {0}, 0},  // the zero point is 0
        // A later line for a slot replaces the earlier; after "]" points go on to an empty line.
        {HEADER + "+4.9, +0.004, +0.001\r\n+12.3,+0.1,+0.02\r\n+100, +1.5, +0.3\r\n"
                  "+100, +0.2, +0.04\r\n]\r\n+50, +0.5, +0.1\r\n\r\n+60, +0.5, +0.1\r\n",
         OK, 1, 1.0, "|||||||||", {0, 49, 123, 500, 1000}, 0.2}};
    // A file not read whole, a read error part-way included, leaves the test as it was.
    for (const auto& [strSource, status] : std::vector<std::pair<std::string, FileStatus>>{
             {"", NOT}, {"zef\r\n", NOT}, {"ZEF \r\n", NOT}, {"wrong-magic.ZEF", NOT},
             {"ZEF\n\r\n" + HEADER.substr(5), NOT}, {"!ZEF\r", FAILED},
             {"!" + HEADER + "+10, +0.1, +0.02\r\n+20,", FAILED}, {"none.ZEF", CANNOT},
             {".", CANNOT}, {strFifo, CANNOT}, {"/dev/null", CANNOT}})
        cases.emplace_back(strSource, status, 0, 3.0, "||||||old|||", std::vector{333}, 0.25);
    // clang-format on
    for (const auto& [strSource, status, bEnglish, dArea, strComments, filled, dLift] : cases) {
        SCOPED_TRACE(strSource.substr(0, 30));
        TestRecord rec(0, 80.0);
        rec.m_dCdArea = 3.0;
        rec.m_strComment[6] = "old";
        rec.m_lift.m_dValue[333] = 0.25;
        rec.m_axisWind.m_dMajorStep = 99;  // the ranges are applied again in every case
        const FileResult result = Open(rec, strSource);
        EXPECT_EQ(result.status, status);
        EXPECT_EQ(result.strError.isEmpty(), status != CANNOT);  // and says why
        EXPECT_EQ(rec.m_bEnglish, bEnglish);
        EXPECT_EQ(rec.m_axisWind.m_dMajorStep, bEnglish ? 10.0 : 20.0);
        EXPECT_EQ(rec.m_dCdArea, dArea);
        EXPECT_EQ(
            std::accumulate(rec.m_strComment.begin(), rec.m_strComment.end(), std::string(),
                            [](const std::string& a, const std::string& b) { return a + b + "|"; }),
            strComments + "|");
        EXPECT_EQ(RecordedSlots(rec), filled);
        EXPECT_EQ(rec.m_lift.m_dValue[filled.back()], dLift);
    }
}

// Only complete point lines are read: a file cut anywhere says so and never gives a point with
// cut digits, and lines that cannot be read (not numbers, not finite, a NUL, too long, or a value
// whose line the writer could not write back within the reader's limit) are counted.
TEST(TestFile, AFileCutShortOrHoldingUnreadableLinesSaysWhatItLacks) {
    using namespace std::string_literals;
    const std::string strWhole =
        HEADER + "+0, +0.000000, +0.000000\r\n+12.3, +0.241000, +0.050000\r\n";
    auto cut = [&](std::size_t nLess) { return strWhole.substr(0, strWhole.size() - nLess); };
    auto area = [&](const std::string& strArea) {
        std::string str = HEADER;
        return str.replace(str.find("1.000000"), 8, strArea) + "+0, +0.000000, +0.000000\r\n";
    };
    // The source; points read, lines passed over, incomplete, area unread; recorded slots and
    // the last one's drag.
    // clang-format off
    const std::vector<std::tuple<std::string, int, int, bool, bool, std::vector<int>, double>>
        cases = {
        {strWhole + "]\r\n", 2, 0, false, false, {0, 123}, 0.05},
        {strWhole + "]", 2, 0, false, false, {0, 123}, 0.05},
        // Cut at the line end: the last line is what the writer writes, so it is whole.
        {cut(2), 2, 0, true, false, {0, 123}, 0.05},
        {cut(1), 2, 0, true, false, {0, 123}, 0.05},
        // Cut inside the drag (0.050 of 0.050000) or the lift: no point.
        {cut(5), 1, 0, true, false, {0}, 0},
        {cut(20), 1, 0, true, false, {0}, 0},
        {HEADER, 0, 0, true, false, {0}, 0},
        {HEADER.substr(0, HEADER.find("Cd Area") + 14), 0, 0, true, true, {0}, 0},
        {area("nan") + "+10, nan, +0.1\r\n+11, +1e999, +0.1\r\n" + "+20, +0.1, +0.02\0x\r\n"s +
             "+30, +0.5, +" + std::string(95, '0') + "7\r\n+41, +1e36, +1e36\r\n"
             "+139.9, +1e36, +1e36\r\n+140.1, +0.1, +0.1\r\n+50, -999999.9, +0.1\r\n]\r\n",
         2, 8, false, true, {0, 410}, 1e36},
        {area("1e89") + "]\r\n", 1, 1, false, true, {0}, 0}};
    // clang-format on
    for (const auto& [strSource, nPoints, nUnreadable, bIncomplete, bAreaUnread, filled, dDrag] :
         cases) {
        SCOPED_TRACE(strSource.size());
        TestRecord rec(1, 80.0);
        rec.m_dCdArea = 3.0;
        CMemoryByteReader reader(strSource.data(), strSource.size());
        const FileResult result = ReadTestFile(rec, reader);
        ASSERT_TRUE(result.Ok());
        EXPECT_EQ(result.nPoints, nPoints);
        EXPECT_EQ(result.nUnreadable, nUnreadable);
        EXPECT_EQ(result.bIncomplete, bIncomplete);
        EXPECT_EQ(result.bAreaUnread, bAreaUnread);
        EXPECT_EQ(rec.m_dCdArea, bAreaUnread ? 3.0 : 1.0);
        EXPECT_EQ(RecordedSlots(rec), filled);
        EXPECT_EQ(rec.m_drag.m_dValue[filled.back()], dDrag);
    }
    FileResult cutShort;
    cutShort.nPoints = 426;
    cutShort.bIncomplete = true;
    EXPECT_EQ(DescribeShortfall(cutShort).join('|'),
              "It is incomplete: it ends before its closing line.|426 points were read from it.");
    FileResult passedOver;
    passedOver.nPoints = passedOver.nUnreadable = 1;
    passedOver.bAreaUnread = true;
    EXPECT_EQ(DescribeShortfall(passedOver).join('|'),
              "1 point was read from it.|1 line could not be read and was passed over.|"
              "Its Cd area could not be read: the area set before is kept.");
    passedOver.nUnreadable = 3;
    EXPECT_TRUE(DescribeShortfall(passedOver).contains("3 lines could not be read and were passed over."));
    EXPECT_TRUE(DescribeShortfall(FileResult{}).isEmpty());
}

// A file is put in place whole or not at all: in a folder that takes no new file, a test file or
// profile the operator may change is still never rewritten in place (a full disk would cut it),
// and the reason names the folder.
TEST(TestFile, AFolderThatTakesNoNewFileKeepsItsFilesAsTheyAre) {
    QTemporaryDir dir;
    const QString strPath = dir.filePath("old.ZEF"), strProfile = dir.filePath("zef.ini");
    ASSERT_TRUE(WriteTestFile(TestRecord(0, 80.0), strPath).Ok());
    ASSERT_TRUE(WriteBytes(strProfile, "[System]\nUnits=0\n"));
    const std::string strOld = ReadBytes(strPath);
    for (const QString& str : {dir.path(), strPath, strProfile})
        ASSERT_EQ(chmod(QFile::encodeName(str).constData(), str == dir.path() ? 0755 : 0666), 0);
    TestRecord rec(1, 80.0);
    rec.m_lift.m_dValue[100] = rec.m_drag.m_dValue[100] = 0.5;
    const QString strWhy = "The folder \"" + dir.path() + "\" takes no new file (Permission denied).";
    const auto refused = AsOperator([&] {
        CProfile profile(strProfile);
        const FileResult result = WriteTestFile(rec, strPath);
        return result.status == FileStatus::CannotOpen && result.strError.startsWith(strWhy) &&
               !profile.WriteProfileInt("System", "COM Port", 2) &&
               profile.ErrorString().startsWith(strWhy);
    });
    if (!refused)
        GTEST_SKIP() << "cannot act as another user";
    EXPECT_TRUE(*refused);
    EXPECT_EQ(ReadBytes(strPath), strOld);
    EXPECT_EQ(ReadBytes(strProfile), "[System]\nUnits=0\n");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

// The area line is "Cd Area = " and the area with six decimals and " sq.in.": 24 characters
// besides the integer digits and sign, so 75 of them fill the reader's 99. Every area accepted
// reads back as it was written; the next larger, or one that is no number, is refused.
TEST(TestFile, AnAreaFitsWhenItsLineReadsBackWhole) {
    const std::pair<double, bool> areas[] = {{1.0, true},   {1e75, true},      {-1e74, true},
                                             {1e76, false}, {9e75, false},     {-1e75, false},
                                             {1e89, false}, {HUGE_VAL, false}, {NAN, false}};
    for (const auto& [dArea, bFits] : areas) {
        EXPECT_EQ(AreaFitsFileLine(dArea), bFits) << dArea;
        if (!bFits)
            continue;
        TestRecord saved(1, 80.0), opened(1, 80.0);
        saved.m_dCdArea = dArea;
        const std::string strFile = FormatTestFile(saved);
        CMemoryByteReader reader(strFile.data(), strFile.size());
        ASSERT_TRUE(ReadTestFile(opened, reader).Whole());
        EXPECT_EQ(opened.m_dCdArea, dArea);
    }
}

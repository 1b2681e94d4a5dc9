// The unsaved test's copy: when it is written, where, and what start-up makes of what it finds.

#include <gtest/gtest.h>

#include <QDateTime>
#include <QTemporaryDir>

#include "AsOperator.h"
#include "core/files/Recovery.h"
#include "core/files/TestFile.h"
#include "core/record/TestRecord.h"

namespace {

class RecoveryTest : public ::testing::Test {
protected:
    // A test with readings at rest and at 1.0 to 3.0, and a comment.
    static TestRecord Run() {
        TestRecord rec(1, 80.0);
        rec.m_lift.m_dValue[0] = -0.002037;
        rec.m_drag.m_dValue[0] = 0.000852;
        for (int i = 10; i <= 30; ++i)
            rec.m_lift.m_dValue[i] = i / 1000.0, rec.m_drag.m_dValue[i] = -i / 3000.0;
        rec.m_strComment[0] = "wing A";
        return rec;
    }
    std::string Bytes() const { return ReadBytes(m_recovery.Path()); }
    QStringList Files() const {
        return QDir(m_dir.filePath(QStringLiteral("zef"))).entryList(QDir::Files, QDir::Name);
    }

    QTemporaryDir m_dir;
    std::int64_t m_tNow = 5000;
    CRecovery m_recovery{m_dir.filePath(QStringLiteral("zef/unsaved.ZEF")),
                         [this] { return m_tNow; }};
};

// (The console's test follows the copy through readings, a stop, a comment and a Clear.) Once
// saved, a later write of the same test (a stop) puts nothing back, nor does a test without
// readings; a test replaced by another one, or held while the operator is asked about it,
// leaves the copy as it is.
TEST_F(RecoveryTest, ASavedTestIsNotWrittenAndAReplacedOrHeldCopyStays) {
    TestRecord rec = Run();
    m_recovery.Changed();
    m_recovery.Saved();
    EXPECT_TRUE(m_recovery.Write(rec));
    m_recovery.Changed();  // unsaved again, but a test without readings is never written
    EXPECT_TRUE(m_recovery.Write(TestRecord(1, 80.0)));
    EXPECT_EQ(Bytes(), "(none)");
    ASSERT_TRUE(m_recovery.Write(rec));
    m_recovery.Replaced();
    rec.m_strComment[0] = "wing B";
    EXPECT_TRUE(m_recovery.Write(rec));
    m_recovery.Hold(true);
    m_recovery.Changed();
    EXPECT_TRUE(m_recovery.Write(rec));
    m_recovery.Saved();
    EXPECT_NE(Bytes().find("wing A"), std::string::npos);
}

// What start-up finds: a whole test is offered; one without readings is removed; anything else
// is renamed with its time, a second one beside the first, and the reason given.
TEST_F(RecoveryTest, StartUpOffersAWholeTestAndKeepsAsideWhatCannotBeRead) {
    TestRecord found(1, 80.0);
    EXPECT_EQ(m_recovery.Look(found).kind, CRecovery::Found::NOTHING);
    const std::string strWhole = FormatTestFile(Run());
    ASSERT_TRUE(WriteBytes(m_recovery.Path(), strWhole));
    ASSERT_EQ(m_recovery.Look(found).kind, CRecovery::Found::TEST);
    TestRecord opened = Run();  // as Open reads it: the reading at rest is zero
    opened.m_lift.m_dValue[0] = opened.m_drag.m_dValue[0] = 0.0;
    EXPECT_EQ(FormatTestFile(found), FormatTestFile(opened));
    EXPECT_EQ(Files(), QStringList{"unsaved.ZEF"});  // kept until the operator answers

    TestRecord fresh(1, 80.0);
    fresh.m_lift.m_dValue[0] = fresh.m_drag.m_dValue[0] = 0.0;
    ASSERT_TRUE(WriteBytes(m_recovery.Path(), FormatTestFile(fresh)));
    EXPECT_EQ(m_recovery.Look(found).kind, CRecovery::Found::NOTHING);
    EXPECT_TRUE(Files().isEmpty());

    std::string strGarbled = strWhole;
    strGarbled.replace(strGarbled.find("+1.5"), 4, "+1#5");
    const std::string DAMAGED = "It is incomplete or damaged.";
    const std::pair<std::string, std::string> bad[] = {
        {strWhole.substr(0, strWhole.size() - 3), DAMAGED},  // no "]"
        {strWhole.substr(0, strWhole.find("+2.2") + 6), DAMAGED},
        {strGarbled, DAMAGED},
        {"\x89PNG\r\n\x1a\n", "It is not a Zefron test file."}};
    QStringList aside;
    for (const auto& [strBytes, strReason] : bad) {
        TestRecord untouched(1, 80.0);
        ASSERT_TRUE(WriteBytes(m_recovery.Path(), strBytes));
        const QDateTime tWritten = QFileInfo(m_recovery.Path()).lastModified();
        const CRecovery::Found result = m_recovery.Look(untouched);
        EXPECT_EQ(result.kind, CRecovery::Found::KEPT_ASIDE) << strReason;
        EXPECT_EQ(result.strReason.toStdString(), strReason);
        EXPECT_EQ(FormatTestFile(untouched), FormatTestFile(TestRecord(1, 80.0)));
        EXPECT_EQ(Bytes(), "(none)");
        EXPECT_EQ(ReadBytes(result.strKeptAs), strBytes);
        // Its time in its name; several kept in the same second get a count.
        const QString strName = QFileInfo(result.strKeptAs).fileName();
        EXPECT_TRUE(strName.startsWith("unsaved" + tWritten.toString("-yyyyMMdd-HHmmss")))
            << strName.toStdString();
        aside.push_back(strName);
    }
    aside.removeDuplicates();
    EXPECT_EQ(aside.size(), 4);
    EXPECT_EQ(Files().size(), 4);
}

}  // namespace

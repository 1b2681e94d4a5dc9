// The unsaved test's copy: when it is written, where, and what start-up makes of what it finds.

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

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
        for (int i = 10; i <= 30; ++i) {
            rec.m_lift.m_dValue[i] = i / 1000.0;
            rec.m_drag.m_dValue[i] = -i / 3000.0;
        }
        rec.m_strComment[0] = "wing A";
        return rec;
    }
    std::string Bytes() const {
        QFile file(Path());
        return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : "(none)";
    }
    void Put(const std::string& strBytes) const {
        QDir().mkpath(m_dir.filePath(QStringLiteral("zef")));
        QFile file(Path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(strBytes.data(), static_cast<qint64>(strBytes.size()));
    }
    QString Path() const { return m_recovery.Path(); }
    QStringList Files() const {
        return QDir(m_dir.filePath(QStringLiteral("zef"))).entryList(QDir::Files, QDir::Name);
    }

    QTemporaryDir m_dir;
    std::int64_t m_tNow = 5000;
    CRecovery m_recovery{m_dir.filePath(QStringLiteral("zef/unsaved.ZEF")),
                         [this] { return m_tNow; }};
};

TEST_F(RecoveryTest, ThePlaceFollowsTheStateFolderOrTheHomeFolder) {
    const QByteArray old = qgetenv("XDG_STATE_HOME");
    const struct {
        const char* pState;
        QString strExpected;
    } cases[] = {
        {"/var/lab/state", QStringLiteral("/var/lab/state/zef/unsaved.ZEF")},
        {"", QDir::homePath() + "/.local/state/zef/unsaved.ZEF"},
        {"relative/state", QDir::homePath() + "/.local/state/zef/unsaved.ZEF"},
    };
    for (const auto& c : cases) {
        qputenv("XDG_STATE_HOME", c.pState);
        EXPECT_EQ(CRecovery::DefaultPath(), c.strExpected) << c.pState;
    }
    qputenv("XDG_STATE_HOME", old);
}

// A reading sets a deadline (not pushed back by later ones); the write comes when it has passed,
// holds the test byte for byte, and only a test with unsaved readings is written.
TEST_F(RecoveryTest, ReadingsAreWrittenByTheirDeadlineAndOnlyWhileUnsaved) {
    TestRecord rec = Run();
    EXPECT_FALSE(m_recovery.Due());
    m_recovery.PointRecorded();
    m_tNow += 600;
    m_recovery.PointRecorded();  // the first reading's deadline stands
    m_tNow += CRecovery::WRITE_DELAY_MS - 601;
    EXPECT_FALSE(m_recovery.Due());
    m_tNow += 1;
    ASSERT_TRUE(m_recovery.Due());
    ASSERT_TRUE(m_recovery.Write(rec));
    EXPECT_FALSE(m_recovery.Due());
    EXPECT_EQ(Bytes(), FormatTestFile(rec));

    // Saved: the copy goes, and a later write of the same test (a stop) puts nothing back.
    m_recovery.Saved();
    EXPECT_FALSE(QFileInfo::exists(Path()));
    EXPECT_TRUE(m_recovery.Write(rec));
    EXPECT_FALSE(QFileInfo::exists(Path()));

    // A changed comment makes it unsaved again; a test without readings is never written.
    m_recovery.Changed();
    TestRecord empty(1, 80.0);
    EXPECT_TRUE(m_recovery.Write(empty));
    EXPECT_FALSE(QFileInfo::exists(Path()));
    EXPECT_TRUE(m_recovery.Write(rec));
    EXPECT_EQ(Bytes(), FormatTestFile(rec));

    // Replaced by another test: not unsaved, and the copy of the earlier one stays.
    m_recovery.Replaced();
    rec.m_strComment[0] = "wing B";
    EXPECT_TRUE(m_recovery.Write(rec));
    EXPECT_NE(Bytes().find("wing A"), std::string::npos);

    // Held while the operator is asked about it: neither replaced nor removed.
    m_recovery.Hold(true);
    m_recovery.Changed();
    EXPECT_TRUE(m_recovery.Write(rec));
    m_recovery.Saved();
    EXPECT_NE(Bytes().find("wing A"), std::string::npos);
}

TEST_F(RecoveryTest, AFailedWriteSaysWhyAndLeavesTheEarlierCopy) {
    const TestRecord rec = Run();
    m_recovery.Changed();
    ASSERT_TRUE(m_recovery.Write(rec));
    const std::string strBefore = Bytes();
    TestRecord changed = rec;
    for (int i = 31; i < 200; ++i)
        changed.m_lift.m_dValue[i] = changed.m_drag.m_dValue[i] = 0.5;
    // The file system refuses anything beyond 1000 bytes, as a full disk would.
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit tight = old;
    tight.rlim_cur = 1000;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &tight);
    const bool bWritten = m_recovery.Write(changed);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(bWritten);
    EXPECT_FALSE(m_recovery.LastError().isEmpty());
    EXPECT_EQ(Bytes(), strBefore);
}

// What start-up finds: a whole test is offered; one without readings is removed; anything else
// is renamed with its time, a second one beside the first, and the reason given.
TEST_F(RecoveryTest, StartUpOffersAWholeTestAndKeepsAsideWhatCannotBeRead) {
    TestRecord found(1, 80.0);
    EXPECT_EQ(m_recovery.Look(found).kind, CRecovery::Found::NOTHING);

    const std::string strWhole = FormatTestFile(Run());
    Put(strWhole);
    ASSERT_EQ(m_recovery.Look(found).kind, CRecovery::Found::TEST);
    TestRecord opened = Run();  // as Open reads it: the reading at rest is zero
    opened.m_lift.m_dValue[0] = opened.m_drag.m_dValue[0] = 0.0;
    EXPECT_EQ(FormatTestFile(found), FormatTestFile(opened));
    EXPECT_EQ(Files(), QStringList{"unsaved.ZEF"});  // kept until the operator answers

    TestRecord fresh(1, 80.0);
    fresh.m_lift.m_dValue[0] = fresh.m_drag.m_dValue[0] = 0.0;
    Put(FormatTestFile(fresh));
    EXPECT_EQ(m_recovery.Look(found).kind, CRecovery::Found::NOTHING);
    EXPECT_TRUE(Files().isEmpty());

    std::string strGarbled = strWhole;
    strGarbled.replace(strGarbled.find("+1.5"), 4, "+1#5");
    const struct {
        std::string strBytes;
        const char* pReason;
    } bad[] = {
        {strWhole.substr(0, strWhole.size() - 3), "It is incomplete or damaged."},  // no "]"
        {strWhole.substr(0, strWhole.find("+2.2") + 6), "It is incomplete or damaged."},
        {strGarbled, "It is incomplete or damaged."},
        {"\x89PNG\r\n\x1a\n", "It is not a Zefron test file."},
    };
    QStringList aside;
    for (const auto& c : bad) {
        TestRecord untouched(1, 80.0);
        const std::string strBefore = FormatTestFile(untouched);
        Put(c.strBytes);
        const QDateTime tWritten = QFileInfo(Path()).lastModified();
        const CRecovery::Found result = m_recovery.Look(untouched);
        EXPECT_EQ(result.kind, CRecovery::Found::KEPT_ASIDE) << c.pReason;
        EXPECT_EQ(result.strReason, c.pReason);
        EXPECT_EQ(FormatTestFile(untouched), strBefore);
        ASSERT_FALSE(QFileInfo::exists(Path()));
        QFile kept(result.strKeptAs);
        ASSERT_TRUE(kept.open(QIODevice::ReadOnly)) << result.strKeptAs.toStdString();
        EXPECT_EQ(kept.readAll().toStdString(), c.strBytes);
        // Its time in its name; several kept in the same second get a count.
        const QString strName = QFileInfo(result.strKeptAs).fileName();
        EXPECT_TRUE(
            strName.startsWith("unsaved" + tWritten.toString(QStringLiteral("-yyyyMMdd-HHmmss"))))
            << strName.toStdString();
        aside.push_back(strName);
    }
    aside.removeDuplicates();
    EXPECT_EQ(aside.size(), 4);
    EXPECT_EQ(Files().size(), 4);
}

}  // namespace

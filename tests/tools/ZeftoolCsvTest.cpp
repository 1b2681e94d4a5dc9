#include <gtest/gtest.h>

#include <QProcess>

namespace {

struct ToolRun {
    int nExit;
    QString strOut;
    QString strErr;
};

ToolRun Zeftool(const QStringList& args) {
    QProcess process;
    process.start(ZEF_ZEFTOOL, args);
    EXPECT_TRUE(process.waitForFinished(30000));
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

}  // namespace

TEST(ZeftoolCsv, OneRowPerRecordedSlotInSlotOrder) {
    const ToolRun run = Zeftool({"csv", ZEF_TEST_DATA "/zef/english-wing.ZEF"});
    ASSERT_EQ(run.nExit, 0) << run.strErr.toStdString();
    const QStringList rows = run.strOut.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(rows.size(), 8);
    EXPECT_EQ(rows[0], "wind,lift,drag,cd,ld");
    EXPECT_EQ(rows[1], "0.0,0,0,0,0");
    EXPECT_EQ(rows[2], "4.9,0.004,0.001,0,0");  // below 5: Cd and L/D are 0
    const QStringList at50 = rows[6].split(',');
    ASSERT_EQ(at50.size(), 5);
    EXPECT_EQ(at50[0], "50.0");
    EXPECT_EQ(at50[1], "0.481");
    EXPECT_EQ(at50[2], "0.097");
    EXPECT_NEAR(at50[4].toDouble(), 0.481 / 0.097, 1e-12);
    // Cd of 0.097 lb at 50 mph on 12.5 sq. in.
    const double v = 50 * 5280 / 3600.0;
    EXPECT_NEAR(at50[3].toDouble(), 0.097 * 32 / (12.5 / 144 * v * v * 0.0375), 1e-9);
    EXPECT_EQ(rows[7].split(',')[0], "79.9");
}

TEST(ZeftoolCsv, RefusesWhatIsNotATestFile) {
    for (const char* pFile : {ZEF_TEST_DATA "/zef/wrong-magic.ZEF", ZEF_TEST_DATA "/zef/none.ZEF"}) {
        const ToolRun run = Zeftool({"csv", pFile});
        EXPECT_NE(run.nExit, 0);
        EXPECT_TRUE(run.strOut.isEmpty());
        EXPECT_EQ(run.strErr.count('\n'), 1) << run.strErr.toStdString();
        EXPECT_TRUE(run.strErr.contains(pFile));
    }
    EXPECT_NE(Zeftool({"csv"}).nExit, 0);
}

// The command-line tool: test files as CSV rows, graphs drawn into files, and its failures. That
// its pictures are the window's is checked with the console's Export, which compares the two.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "core/record/Units.h"

namespace {

// The exit status, standard output and standard error of a run; with strStdout, standard output
// goes to that file.
std::tuple<int, QString, QString> Zeftool(const QStringList& args, const QString& strStdout = {}) {
    QProcess process;
    if (!strStdout.isEmpty()) {
        process.setStandardOutputFile(strStdout);
    }
    process.start(ZEF_ZEFTOOL, args);
    EXPECT_TRUE(process.waitForFinished(60000));
    return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
}

const QString WING = ZEF_TEST_DATA "/zef/english-wing.ZEF";

}  // namespace

TEST(Zeftool, WritesCsvRowsInSlotOrderAndEachPictureOrSaysWhyNotOnOneLine) {
    const QStringList rows = std::get<1>(Zeftool({"csv", WING})).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(rows.size(), 8);
    EXPECT_EQ(rows.mid(0, 3),
              (QStringList{"wind,lift,drag,cd,ld", "0.0,0,0,0,0", "4.9,0.004,0.001,0,0"}));
    const QStringList at50 = rows[6].split(',');  // 0.097 lb at 50 mph on 12.5 sq. in.
    EXPECT_EQ(at50.mid(0, 3), (QStringList{"50.0", "0.481", "0.097"}));
    EXPECT_EQ(at50[3].toDouble(), DragCoefficient(true, 12.5, 50, 0.097));
    EXPECT_EQ(at50[4].toDouble(), 0.481 / 0.097);
    // Each picture format, or why not on one line.
    QTemporaryDir dir;
    for (const char* pName : {"w.png", "w.svg", "w.pdf"}) {
        EXPECT_EQ(Zeftool({"render", WING, "-o", dir.filePath(pName)}),
                  std::tuple(0, QString(), QString()));
    }
    QFile svg(dir.filePath("w.svg")), pdf(dir.filePath("w.pdf"));
    EXPECT_TRUE(svg.open(QIODevice::ReadOnly) && svg.readAll().contains("#c0c0c0"));  // grey plot
    EXPECT_TRUE(pdf.open(QIODevice::ReadOnly) &&
                pdf.readAll().contains("/MediaBox [0 0 842.000000 595.000000]"));
    // Output that cannot be written is a failure, said as one.
    EXPECT_EQ(
        Zeftool({"csv", WING}, "/dev/full"),
        std::tuple(1, QString(), QString("zeftool: standard output: No space left on device\n")));
    const QString strPng = dir.filePath("out.png"), strBad = ZEF_TEST_DATA "/zef/wrong-magic.ZEF";
    // A FIFO with no writer is refused at once, not waited on.
    const QString strFifo = dir.filePath("fifo.ZEF");
    ASSERT_EQ(mkfifo(QFile::encodeName(strFifo).constData(), 0600), 0);
    // clang-format off
    const QList<QStringList> failures = {
        {"csv", strBad}, {"csv", strPng}, {"render", strBad, "-o", strPng}, {"render", WING, "-o"},
        {"render", WING, "-o", strPng, "--overlay", strBad}, {"render", WING, WING, "-o", strPng},
        {"render", WING, "-o", "/no/out.png"}, {"render", WING, "-o", "out.jpg"},
        {"render", WING, "-o", strPng, "--size", "99999x100"},
        {"render", WING, "-o", strPng, "--show", "x"},
        {"render", WING, "-o", strPng, "--colour", "red"}, {"csv", strFifo},
        {"render", strFifo, "-o", strPng}, {"render", WING, "-o", strPng, "--overlay", strFifo}};
    // clang-format on
    for (const QStringList& args : failures) {
        const auto [nExit, strOut, strErr] = Zeftool(args);
        SCOPED_TRACE(args.join(' ').toStdString() + ": " + strErr.toStdString());
        EXPECT_NE(nExit, 0);
        EXPECT_TRUE(strOut.isEmpty() && strErr.startsWith("zeftool: ") && strErr.count('\n') == 1);
        EXPECT_FALSE(QFile::exists(strPng));
        EXPECT_EQ(args.contains(strFifo), strErr.contains("It is not a regular file."));
    }
}

TEST(Zeftool, ComparesWhatCanBeReadNamesWhatCannotAndRefusesBadOptions) {
    QTemporaryDir dir;
    const QString strCsv = dir.filePath("c.csv"), strPng = dir.filePath("c.png");
    const QString strMetric = ZEF_TEST_DATA "/zef/metric-high-speed.ZEF";
    const QString strBad = ZEF_TEST_DATA "/zef/wrong-magic.ZEF";
    // The wing's 50 mph point in km/h and kg: 50 x 1.60934, 0.481 and 0.097 x 0.453592.
    EXPECT_EQ(Zeftool({"compare", WING, strMetric, "-o", strCsv, "--units", "METRIC"}),
              std::tuple(0, QString(), QString()));
    QFile csv(strCsv);
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    const QStringList rows = QString::fromUtf8(csv.readAll()).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(rows.size(), 1 + 7 + 6);
    EXPECT_EQ(rows[0], "file,wind (km/h),lift (kg),drag (kg),cd,ld");
    const QStringList at50 = rows[6].split(',');
    EXPECT_EQ(at50[0], "english-wing.ZEF");
    EXPECT_NEAR(at50[1].toDouble(), 80.467, 1e-9);
    EXPECT_NEAR(at50[2].toDouble(), 0.218177752, 1e-12);
    EXPECT_NEAR(at50[3].toDouble(), 0.043998424, 1e-12);
    EXPECT_TRUE(rows[9].startsWith("metric-high-speed.ZEF,16.1,0.01,0.002,"))
        << rows[9].toStdString();
    csv.close();

    // A file that is not a test is named and left out; the others are still drawn or listed,
    // and the status says not everything was.
    for (const QString& strOut : {strCsv, strPng}) {
        QFile::remove(strOut);
        const auto [nExit, strStdout, strErr] =
            Zeftool({"compare", WING, strBad, strMetric, "-o", strOut});
        EXPECT_EQ(nExit, 1);
        EXPECT_EQ(strErr, "zeftool: " + strBad + ": not a test file (left out)\n");
        EXPECT_TRUE(QFile::exists(strOut));
    }
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(csv.readAll()).count('\n'), 1 + 7 + 6);

    // clang-format off
    const QList<QStringList> refused = {
        {"compare", WING}, {"compare", "-o", strPng}, {"compare", WING, "-o", "c.jpg"},
        {"compare", WING, "-o", strPng, "--show", "lift,x"},
        {"compare", WING, "-o", strPng, "--units", "imperial"},
        {"compare", WING, "-o", strPng, "--size", "0x10"}};
    // clang-format on
    for (const QStringList& args : refused) {
        const auto [nExit, strOut, strErr] = Zeftool(args);
        SCOPED_TRACE(args.join(' ').toStdString() + ": " + strErr.toStdString());
        EXPECT_EQ(nExit, 2);
        EXPECT_TRUE(strErr.startsWith("zeftool: ") && strErr.count('\n') == 1);
    }
}

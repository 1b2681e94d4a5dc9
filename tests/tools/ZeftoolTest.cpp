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
    // 50 mph is 73.333 ft/s; q = 0.0375 * 73.333^2 = 201.67 on 12.5 / 144 sq. ft is 17.506;
    // Cd = 32 * 0.097 / 17.506 = 0.177313. L/D = 0.481 / 0.097 = 4.958763.
    EXPECT_NEAR(at50[3].toDouble(), 0.177313, 1e-6);
    EXPECT_NEAR(at50[4].toDouble(), 4.958763, 1e-6);
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

// A file that ends early or holds lines that cannot be read: what was read is written, and one
// line on standard error and a status of its own tell scripts it was not whole.
TEST(Zeftool, AFileReadInPartIsUsedAndSaidWithAStatusOfItsOwn) {
    QFile wing(WING);
    ASSERT_TRUE(wing.open(QIODevice::ReadOnly));
    const QByteArray whole = wing.readAll();
    QTemporaryDir dir;
    const QString strCut = dir.filePath("cut.ZEF"), strNan = dir.filePath("nan.ZEF");
    QFile cut(strCut), nan(strNan);
    // Cut inside the drag of its last point (+0.241000 at 79.9 mph); a "nan" among the points.
    ASSERT_TRUE(cut.open(QIODevice::WriteOnly) &&
                cut.write(whole.left(whole.size() - 9)) == whole.size() - 9);
    QByteArray withNan = whole;
    withNan.insert(whole.indexOf("+79.9"), "+60, nan, +0.1\r\n");
    ASSERT_TRUE(nan.open(QIODevice::WriteOnly) && nan.write(withNan) == withNan.size());
    cut.close(), nan.close();
    const auto [nExit, strOut, strErr] = Zeftool({"csv", strCut});
    EXPECT_EQ(nExit, 3);
    const QStringList rows = strOut.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(rows.size(), 7);  // the header and 6 points
    EXPECT_TRUE(rows.last().startsWith("50.0,0.481,0.097,")) << rows.last().toStdString();
    EXPECT_EQ(strErr, "zeftool: " + strCut +
                          ": not read whole. It is incomplete: it ends before its closing line. "
                          "6 points were read from it.\n");
    const QString strPng = dir.filePath("out.png");
    const auto [nRender, strNone, strWhy] =
        Zeftool({"render", strNan, "-o", strPng, "--overlay", strCut});
    EXPECT_EQ(nRender, 3);
    EXPECT_TRUE(QFile::exists(strPng));
    EXPECT_EQ(strWhy.count('\n'), 2);
    EXPECT_TRUE(strWhy.contains(strNan + ": not read whole. 7 points were read from it. 1 line "
                                         "could not be read and was passed over.\n"))
        << strWhy.toStdString();
    // The lab sheet of a cut file is made of what was read, and said the same way.
    const QString strPdf = dir.filePath("cut.pdf");
    const auto [nSheet, strNothing, strSheetWhy] = Zeftool({"sheet", strCut, "-o", strPdf});
    EXPECT_EQ(nSheet, 3);
    EXPECT_TRUE(QFile::exists(strPdf));
    EXPECT_EQ(strSheetWhy, strErr);
    // Compared with a whole file, the cut one is listed for what was read, and said.
    const QString strCsv = dir.filePath("cmp.csv");
    const auto [nCompare, strNoOut, strCompareWhy] =
        Zeftool({"compare", WING, strCut, "-o", strCsv});
    EXPECT_EQ(nCompare, 3);
    EXPECT_EQ(strCompareWhy, strErr.chopped(1) + " (what was read is compared)\n");
    QFile listed(strCsv);
    ASSERT_TRUE(listed.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(listed.readAll()).count('\n'), 1 + 7 + 6);
}

TEST(Zeftool, WritesTheLabSheetOfAFileOrSaysWhyNot) {
    QTemporaryDir dir;
    const QString strPdf = dir.filePath("wing.pdf");
    EXPECT_EQ(Zeftool({"sheet", WING, "-o", strPdf}), std::tuple(0, QString(), QString()));
    QProcess text;
    text.start("pdftotext", {"-layout", strPdf, "-"});
    ASSERT_TRUE(text.waitForFinished(60000));
    const QString strText = QString::fromUtf8(text.readAllStandardOutput()).simplified();
    // The file's name, its seven points, and the last of its two pages.
    for (const char* pText : {"File: english-wing.ZEF", "Points: 7", "79.9 1.190 0.241",
                              "Page 2 of 2"}) {
        EXPECT_TRUE(strText.contains(pText)) << pText;
    }
    const QString strBad = ZEF_TEST_DATA "/zef/wrong-magic.ZEF", strOther = dir.filePath("o.pdf");
    const QList<std::pair<QStringList, int>> failures = {
        {{"sheet", strBad, "-o", strOther}, 1}, {{"sheet", WING, "-o", "/no/out.pdf"}, 1},
        {{"sheet", WING}, 2}, {{"sheet", WING, "-o", dir.filePath("out.png")}, 2},
        {{"sheet", WING, WING, "-o", strOther}, 2}, {{"sheet", WING, "--size", "1x1"}, 2}};
    for (const auto& [args, nStatus] : failures) {
        const auto [nExit, strOut, strErr] = Zeftool(args);
        SCOPED_TRACE(args.join(' ').toStdString() + ": " + strErr.toStdString());
        EXPECT_EQ(nExit, nStatus);
        EXPECT_TRUE(strOut.isEmpty() && strErr.startsWith("zeftool: ") && strErr.count('\n') == 1);
    }
    EXPECT_FALSE(QFile::exists(strOther));
    EXPECT_FALSE(QFile::exists(dir.filePath("out.png")));
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

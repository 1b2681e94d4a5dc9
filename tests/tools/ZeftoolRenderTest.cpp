#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

namespace {

struct ToolRun {
    int nExit;
    QString strErr;
};

ToolRun Zeftool(const QStringList& args) {
    QProcess process;
    process.start(ZEF_ZEFTOOL, args);
    EXPECT_TRUE(process.waitForFinished(60000));
    EXPECT_TRUE(process.readAllStandardOutput().isEmpty());
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardError())};
}

const QString WING = ZEF_TEST_DATA "/zef/english-wing.ZEF";
const QString METRIC = ZEF_TEST_DATA "/zef/metric-high-speed.ZEF";

int Count(const QImage& image, QRgb rgb) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            n += image.pixel(x, y) == rgb ? 1 : 0;
        }
    }
    return n;
}

QByteArray Contents(const QString& strPath) {
    QFile file(strPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

TEST(ZeftoolRender, PngAsTheWindowShowsIt) {
    QTemporaryDir dir;
    const QString strOut = dir.filePath("wing.png");
    ToolRun run = Zeftool({"render", WING, "-o", strOut});
    ASSERT_EQ(run.nExit, 0) << run.strErr.toStdString();
    EXPECT_TRUE(run.strErr.isEmpty()) << run.strErr.toStdString();
    QImage image(strOut);
    ASSERT_EQ(image.size(), QSize(1024, 768));
    EXPECT_EQ(image.pixel(512, 300), qRgb(192, 192, 192));
    // Lift and drag shown, as at start; no overlay.
    EXPECT_GT(Count(image, qRgb(255, 0, 0)), 500);
    EXPECT_GT(Count(image, qRgb(0, 0, 255)), 500);
    EXPECT_EQ(Count(image, qRgb(0, 255, 0)) + Count(image, qRgb(128, 0, 0)), 0);

    // Options in any order; --show picks the curves, the overlay's among them.
    run = Zeftool(
        {"render", "--size", "640x480", "--show", "cd", "-o", strOut, "--overlay", METRIC, WING});
    ASSERT_EQ(run.nExit, 0) << run.strErr.toStdString();
    image = QImage(strOut);
    ASSERT_EQ(image.size(), QSize(640, 480));
    EXPECT_EQ(Count(image, qRgb(255, 0, 0)) + Count(image, qRgb(128, 0, 0)), 0);
    EXPECT_GT(Count(image, qRgb(0, 255, 0)), 300);
    EXPECT_GT(Count(image, qRgb(0, 128, 0)), 100);
    ASSERT_EQ(Zeftool({"render", WING, "-o", strOut, "--overlay", METRIC}).nExit, 0);
    EXPECT_GT(Count(QImage(strOut), qRgb(128, 0, 0)), 100);
}

TEST(ZeftoolRender, SvgAsOnScreenPdfAsOnPaper) {
    QTemporaryDir dir;
    ASSERT_EQ(Zeftool({"render", WING, "-o", dir.filePath("w.SVG"), "--size", "800x600"}).nExit, 0);
    const QByteArray svg = Contents(dir.filePath("w.SVG"));
    EXPECT_TRUE(svg.contains("viewBox=\"0 0 800 600\""));
    EXPECT_TRUE(svg.contains("#c0c0c0"));  // the light grey plot
    ASSERT_EQ(Zeftool({"render", WING, "-o", dir.filePath("w.pdf")}).nExit, 0);
    const QByteArray pdf = Contents(dir.filePath("w.pdf"));
    EXPECT_TRUE(pdf.startsWith("%PDF-"));
    EXPECT_TRUE(pdf.contains("/MediaBox [0 0 842.000000 595.000000]"));  // A4 landscape
    EXPECT_EQ(pdf.count("/Type /Page\n"), 1);
    ASSERT_EQ(Zeftool({"render", WING, "-o", dir.filePath("l.pdf"), "--size", "612x792"}).nExit, 0);
    EXPECT_TRUE(Contents(dir.filePath("l.pdf")).contains("/MediaBox [0 0 612.000000 792.000000]"));
}

TEST(ZeftoolRender, FailuresSayWhyOnOneLine) {
    QTemporaryDir dir;
    const QString strOut = dir.filePath("out.png");
    const QList<QStringList> failures = {
        {"render", ZEF_TEST_DATA "/zef/none.ZEF", "-o", strOut},
        {"render", ZEF_TEST_DATA "/zef/wrong-magic.ZEF", "-o", strOut},
        {"render", WING, "-o", strOut, "--overlay", ZEF_TEST_DATA "/zef/wrong-magic.ZEF"},
        {"render", WING, "-o", dir.filePath("no/such/dir/out.png")},
        {"render", WING, "-o", dir.filePath("out.jpg")},
        {"render", WING, "-o", strOut, "--size", "0x100"},
        {"render", WING, "-o", strOut, "--size", "800"},
        {"render", WING, "-o", strOut, "--size", "99999x100"},
        {"render", WING, "-o", strOut, "--show", "lift,thrust"},
        {"render", WING, "-o", strOut, "--colour", "red"},
        {"render", WING, WING, "-o", strOut},
        {"render", WING},
        {"render", WING, "-o"},
    };
    for (const QStringList& args : failures) {
        const ToolRun run = Zeftool(args);
        SCOPED_TRACE(args.join(' ').toStdString());
        EXPECT_NE(run.nExit, 0);
        EXPECT_EQ(run.strErr.count('\n'), 1) << run.strErr.toStdString();
        EXPECT_TRUE(run.strErr.startsWith("zeftool: ")) << run.strErr.toStdString();
        EXPECT_FALSE(QFile::exists(strOut));
    }
    EXPECT_TRUE(Zeftool({"render", ZEF_TEST_DATA "/zef/wrong-magic.ZEF", "-o", strOut})
                    .strErr.contains("wrong-magic.ZEF: not a test file"));
}

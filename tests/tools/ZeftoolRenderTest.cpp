#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

namespace {

struct ToolRun {
    int nExit;
    QString strOut;
    QString strErr;
};

ToolRun Zeftool(const QStringList& args) {
    QProcess process;
    process.start(ZEF_ZEFTOOL, args);
    EXPECT_TRUE(process.waitForFinished(60000));
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
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

}  // namespace

TEST(ZeftoolRender, PngAsTheWindowShowsIt) {
    QTemporaryDir dir;
    const QString strOut = dir.filePath("wing.png");
    ToolRun run = Zeftool({"render", WING, "-o", strOut});
    ASSERT_EQ(run.nExit, 0) << run.strErr.toStdString();
    EXPECT_TRUE(run.strErr.isEmpty()) << run.strErr.toStdString();
    EXPECT_TRUE(run.strOut.isEmpty());
    QImage image(strOut);
    ASSERT_EQ(image.size(), QSize(1024, 768));  // the default size
    EXPECT_EQ(image.pixel(512, 300), qRgb(192, 192, 192));
    EXPECT_EQ(image.pixel(5, 5), qRgb(255, 255, 255));
    // Lift and drag shown, as at start; no overlay.
    EXPECT_GT(Count(image, qRgb(255, 0, 0)), 500);
    EXPECT_GT(Count(image, qRgb(0, 0, 255)), 500);
    EXPECT_EQ(Count(image, qRgb(0, 255, 0)), 0);
    EXPECT_EQ(Count(image, qRgb(128, 0, 0)), 0);

    // Options in any order; --show picks the curves and with them the right-hand scale.
    run = Zeftool(
        {"render", "--size", "640x480", "--show", "cd", "-o", strOut, "--overlay", METRIC, WING});
    ASSERT_EQ(run.nExit, 0) << run.strErr.toStdString();
    image = QImage(strOut);
    ASSERT_EQ(image.size(), QSize(640, 480));
    EXPECT_EQ(Count(image, qRgb(255, 0, 0)), 0);
    EXPECT_GT(Count(image, qRgb(0, 255, 0)), 300);
    EXPECT_GT(Count(image, qRgb(0, 128, 0)), 100);  // the overlay's Cd
    EXPECT_EQ(Count(image, qRgb(128, 0, 0)), 0);    // its lift is hidden

    run = Zeftool({"render", WING, "-o", strOut, "--show", "lift,drag", "--overlay", METRIC});
    ASSERT_EQ(run.nExit, 0) << run.strErr.toStdString();
    EXPECT_GT(Count(QImage(strOut), qRgb(128, 0, 0)), 100);
    run = Zeftool({"render", WING, "-o", strOut, "--show", ""});
    ASSERT_EQ(run.nExit, 0) << run.strErr.toStdString();
    image = QImage(strOut);
    EXPECT_EQ(Count(image, qRgb(255, 0, 0)) + Count(image, qRgb(0, 0, 255)), 0);
}

TEST(ZeftoolRender, SvgAndPdf) {
    QTemporaryDir dir;
    ToolRun run = Zeftool({"render", WING, "-o", dir.filePath("wing.SVG"), "--size", "800x600"});
    ASSERT_EQ(run.nExit, 0) << run.strErr.toStdString();
    QFile svg(dir.filePath("wing.SVG"));
    ASSERT_TRUE(svg.open(QIODevice::ReadOnly));
    const QByteArray svgBytes = svg.readAll();
    EXPECT_TRUE(svgBytes.contains("<svg"));
    EXPECT_TRUE(svgBytes.contains("viewBox=\"0 0 800 600\""));
    EXPECT_TRUE(svgBytes.contains("#c0c0c0"));  // the light grey plot

    run = Zeftool({"render", WING, "-o", dir.filePath("wing.pdf")});
    ASSERT_EQ(run.nExit, 0) << run.strErr.toStdString();
    QFile pdf(dir.filePath("wing.pdf"));
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    const QByteArray pdfBytes = pdf.readAll();
    EXPECT_TRUE(pdfBytes.startsWith("%PDF-"));
    EXPECT_TRUE(pdfBytes.contains("/MediaBox [0 0 842.000000 595.000000]"));  // A4 landscape
    EXPECT_EQ(pdfBytes.count("/Type /Page\n") + pdfBytes.count("/Type /Page\r"), 1);
    run = Zeftool({"render", WING, "-o", dir.filePath("letter.pdf"), "--size", "612x792"});
    ASSERT_EQ(run.nExit, 0) << run.strErr.toStdString();
    QFile letter(dir.filePath("letter.pdf"));
    ASSERT_TRUE(letter.open(QIODevice::ReadOnly));
    EXPECT_TRUE(letter.readAll().contains("/MediaBox [0 0 612.000000 792.000000]"));
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
        {"render", "-o", strOut},
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
    // The reason names the file that failed.
    EXPECT_TRUE(Zeftool({"render", ZEF_TEST_DATA "/zef/wrong-magic.ZEF", "-o", strOut})
                    .strErr.contains("wrong-magic.ZEF"));
}

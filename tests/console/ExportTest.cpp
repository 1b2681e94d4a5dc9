// File > Export: each type as zeftool writes it for the same test, and failures told.

#include <QRegularExpression>

#include "ConsoleHarness.h"
#include "console/Export.h"
#include "graph/GraphRender.h"

namespace {

QByteArray Zeftool(const QStringList& args) {
    QProcess process;
    process.start(ZEF_ZEFTOOL, args);
    EXPECT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    return process.readAllStandardOutput();
}

QByteArray Bytes(const QString& strPath) {
    QFile file(strPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

// A PDF less the moment it was made.
QByteArray Timeless(QByteArray pdf) {
    static const QRegularExpression date(QStringLiteral("/CreationDate \\(D:[^)]*\\)"));
    return QString::fromLatin1(pdf).remove(date).toLatin1();
}

const QString WING = QStringLiteral(ZEF_TEST_DATA "/zef/english-wing.ZEF");

class ExportCommand : public CStartedConsoleTest {
protected:
    void TearDown() override {
        QLocale::setDefault(m_locale);
        CStartedConsoleTest::TearDown();
    }
    // The dialog as the operator works it: a filter picked from its list, a name typed, Save.
    void Export(const char* pszName, int nFilter) {
        ChooseExport(pszName, nFilter);
        Frame().OnCommand(ID_FILE_EXPORT);
    }
    void ChooseExport(const char* pszName, int nFilter) {
        Answer<QFileDialog>([this, pszName, nFilter](QFileDialog& dlg) {
            EXPECT_EQ(dlg.windowTitle(), "Export");
            EXPECT_EQ(dlg.nameFilters(), QStringList({"CSV Files (*.csv)", "PNG Images (*.png)",
                                                      "SVG Images (*.svg)", "PDF Files (*.pdf)"}));
            dlg.setDirectory(m_files.path());
            auto* pTypes = dlg.findChild<QComboBox*>("fileTypeCombo");
            pTypes->setCurrentIndex(nFilter);
            emit pTypes->activated(nFilter);
            emit pTypes->textActivated(pTypes->currentText());
            QTest::keyClicks(dlg.findChild<QLineEdit*>("fileNameEdit"), QLatin1String(pszName));
            OK(dlg);
        });
    }
    QString Path(const char* pszName) const { return m_files.filePath(pszName); }

    QLocale m_locale;
};

}  // namespace

TEST(ExportFormat, TheExtensionDecidesElseTheFilterAndPaperFollowsTheLocale) {
    const std::vector<std::tuple<const char*, int, ExportFormat>> cases = {
        {"run.csv", 1, ExportFormat::Csv}, {"run.PNG", 0, ExportFormat::Png},
        {"run.Svg", 3, ExportFormat::Svg}, {"run.pdf", 0, ExportFormat::Pdf},
        {"run", 2, ExportFormat::Svg},     {"run.txt", 3, ExportFormat::Pdf},
        {"a.csv/run", 1, ExportFormat::Png}};
    for (const auto& [pszName, nFilter, format] : cases)
        EXPECT_EQ(ExportFormatFor(pszName, nFilter), format) << pszName;
    EXPECT_EQ(LandscapePageFor(QLocale(QLocale::English, QLocale::UnitedStates)), QSize(792, 612));
    EXPECT_EQ(LandscapePageFor(QLocale(QLocale::English, QLocale::UnitedKingdom)), QSize(842, 595));
    EXPECT_EQ(LandscapePageFor(QLocale(QLocale::German, QLocale::Germany)), QSize(842, 595));
}

TEST_F(ExportCommand, EachTypeIsWhatZeftoolWritesForTheSameTest) {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    View().OpenTestFile(WING);
    // Drawing a picture leaves the window's own layout alone.
    const CRect rcClient = View().Screen().m_rcClient;
    Export("points", 0);
    Export("graph", 1);
    Export("graph.svg", 1);  // the name's extension wins over the filter
    Export("page", 3);
    EXPECT_EQ(View().Screen().m_rcClient, rcClient);
    EXPECT_TRUE(m_boxes.TakeTexts().empty());

    EXPECT_EQ(Bytes(Path("points.csv")), Zeftool({"csv", WING}));
    const QString strSize = QStringLiteral("%1x%2").arg(View().width()).arg(View().height());
    for (const char* pszName : {"z.png", "z.svg"})
        Zeftool({"render", WING, "-o", Path(pszName), "--size", strSize});
    EXPECT_EQ(Bytes(Path("graph.png")), Bytes(Path("z.png")));
    EXPECT_EQ(Bytes(Path("graph.svg")), Bytes(Path("z.svg")));
    // The picture is the window's.
    EXPECT_EQ(QImage(Path("graph.png")).convertToFormat(QImage::Format_RGB32), View().Image());
    // Letter, landscape, for a US locale.
    Zeftool({"render", WING, "-o", Path("z.pdf"), "--size", "792x612"});
    const QByteArray pdf = Timeless(Bytes(Path("page.pdf")));
    EXPECT_TRUE(pdf.contains("/MediaBox [0 0 792.000000 612.000000]"));
    EXPECT_EQ(pdf, Timeless(Bytes(Path("z.pdf"))));
}

TEST_F(ExportCommand, APngTakesTheScreensPixelRatio) {
    View().OpenTestFile(WING);
    QString strError;
    const ExportTarget target{QSize(300, 200), 2.0, QLocale()};
    ASSERT_TRUE(ExportTest(Rec(), Path("hi.png"), ExportFormat::Png, target, strError));
    TestRecord rec = Rec();
    QImage expected(600, 400, QImage::Format_RGB32);
    expected.setDevicePixelRatio(2.0);
    CGraphDC dc(expected);
    PaintPass(rec, dc, Frame().MessagePane(), false);
    EXPECT_EQ(QImage(Path("hi.png")).convertToFormat(QImage::Format_RGB32), expected);
}

TEST_F(ExportCommand, AFailureNamesTheFileAndTheReasonAndKeepsTheFileThere) {
    m_boxes.m_answers = {IDOK, IDOK};
    OnAFullDisk(100, [&] { Export("new.png", 1); });
    EXPECT_FALSE(QFile::exists(Path("new.png")));
    QFile old(Path("old.csv"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly) && old.write("earlier") == 7);
    old.close();
    ChooseExport("old.csv", 1);
    Answer<QMessageBox>([](QMessageBox& box) { box.button(QMessageBox::Yes)->click(); });
    OnAFullDisk(10, [&] { Frame().OnCommand(ID_FILE_EXPORT); });
    EXPECT_EQ(Bytes(Path("old.csv")), "earlier");
    const QString strReason = QStringLiteral("File too large");
    EXPECT_EQ(m_boxes.TakeTexts(),
              (Strings{QStringLiteral("Cannot export to \"%1\":\r%2")
                           .arg(Path("new.png"), strReason)
                           .toStdString(),
                       QStringLiteral("Cannot export to \"%1\":\r%2\rThe file already there is "
                                      "unchanged.")
                           .arg(Path("old.csv"), strReason)
                           .toStdString()}));
}

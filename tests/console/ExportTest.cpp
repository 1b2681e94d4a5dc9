// File > Export: each type as zeftool writes it for the same test, and failures told.

#include <QRegularExpression>

#include "ConsoleHarness.h"
#include "console/Export.h"
#include "graph/GraphRender.h"

namespace {

const QString WING = QStringLiteral(ZEF_TEST_DATA "/zef/english-wing.ZEF");

std::string Zeftool(const QStringList& args) {
    QProcess process;
    process.start(ZEF_ZEFTOOL, args);
    EXPECT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    return process.readAllStandardOutput().toStdString();
}

// A PDF less the moment it was made.
std::string Timeless(const std::string& strPdf) {
    static const QRegularExpression date(QStringLiteral("/CreationDate \\(D:[^)]*\\)"));
    return QString::fromLatin1(strPdf).remove(date).toLatin1().toStdString();
}

class ExportCommand : public CStartedConsoleTest {
protected:
    void TearDown() override {
        QLocale::setDefault(m_locale);
        CStartedConsoleTest::TearDown();
    }
    // The dialog as the operator works it: a filter picked from its list, a name typed, Save;
    // a file already there replaced when asked, on a disk that takes nDisk bytes (0: any).
    void Export(const char* pszName, int nFilter, bool bReplace = false, rlim_t nDisk = 0) {
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
        if (bReplace)
            Answer<QMessageBox>([](QMessageBox& box) { box.button(QMessageBox::Yes)->click(); });
        if (nDisk)
            OnAFullDisk(nDisk, [this] { Frame().OnCommand(ID_FILE_EXPORT); });
        else
            Frame().OnCommand(ID_FILE_EXPORT);
    }
    QString Path(const QString& strName) const { return m_files.filePath(strName); }

    QLocale m_locale;
};

}  // namespace

TEST(ExportFormat, TheExtensionDecidesElseTheFilterAndPaperFollowsTheLocale) {
    const std::vector<std::tuple<const char*, int, ExportFormat>> cases = {
        {"run.csv", 1, ExportFormat::Csv},  {"run.PNG", 0, ExportFormat::Png},
        {"run.Svg", 3, ExportFormat::Svg},  {"run.pdf", 0, ExportFormat::Pdf},
        {"run", 2, ExportFormat::Svg},      {"run.txt", 3, ExportFormat::Pdf},
        {"a.csv/run", 1, ExportFormat::Png}};
    for (const auto& [pszName, nFilter, format] : cases)
        EXPECT_EQ(ExportFormatFor(pszName, nFilter), format) << pszName;
    EXPECT_EQ(LandscapePageFor(QLocale(QLocale::English, QLocale::UnitedStates)), QSize(792, 612));
    EXPECT_EQ(LandscapePageFor(QLocale(QLocale::English, QLocale::UnitedKingdom)), QSize(842, 595));
    EXPECT_EQ(LandscapePageFor(QLocale(QLocale::German, QLocale::Germany)), QSize(842, 595));
}

TEST_F(ExportCommand, EachTypeIsWhatZeftoolWritesForTheSameTestAndAPngTakesTheScreensScale) {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    View().OpenTestFile(WING);
    // A picture leaves the window's own layout alone.
    const CRect rcClient = View().Screen().m_rcClient;
    Export("points", 0);
    Export("graph", 1);
    Export("graph.svg", 1);  // the name's extension wins over the filter
    Export("page", 3);
    EXPECT_EQ(View().Screen().m_rcClient, rcClient);
    EXPECT_TRUE(m_boxes.TakeTexts().empty());
    EXPECT_EQ(ReadBytes(Path("points.csv")), Zeftool({"csv", WING}));
    const QString strSize = QStringLiteral("%1x%2").arg(View().width()).arg(View().height());
    for (const QString strType : {"png", "svg"}) {
        Zeftool({"render", WING, "-o", Path("z." + strType), "--size", strSize});
        EXPECT_EQ(ReadBytes(Path("graph." + strType)), ReadBytes(Path("z." + strType)));
    }
    // The picture is the window's; the page is Letter, landscape, for a US locale.
    EXPECT_EQ(QImage(Path("graph.png")).convertToFormat(QImage::Format_RGB32), View().Image());
    Zeftool({"render", WING, "-o", Path("z.pdf"), "--size", "792x612"});
    const std::string strPdf = Timeless(ReadBytes(Path("page.pdf")));
    EXPECT_NE(strPdf.find("/MediaBox [0 0 792.000000 612.000000]"), std::string::npos);
    EXPECT_EQ(strPdf, Timeless(ReadBytes(Path("z.pdf"))));
    // On a scaled screen a PNG holds the screen's pixels, its lines one pixel of the picture wide.
    QString strError;
    ASSERT_TRUE(
        ExportTest(Rec(), Path("hi.png"), ExportFormat::Png, {QSize(300, 200), 2.0, {}}, strError));
    TestRecord rec = Rec();
    QImage expected(600, 400, QImage::Format_RGB32);
    expected.setDevicePixelRatio(2.0);
    CGraphDC dc(static_cast<QPaintDevice&>(expected), false);
    PaintPass(rec, dc, Frame().MessagePane(), false);
    EXPECT_EQ(QImage(Path("hi.png")).convertToFormat(QImage::Format_RGB32), expected);
}

TEST_F(ExportCommand, AFailureNamesTheFileAndTheReasonAndKeepsTheFileThere) {
    ASSERT_TRUE(WriteBytes(Path("old.csv"), "earlier"));
    m_boxes.m_answers = {IDOK, IDOK};
    Export("new.png", 1, false, 100);
    Export("old.csv", 1, true, 10);
    EXPECT_FALSE(QFile::exists(Path("new.png")));
    EXPECT_EQ(ReadBytes(Path("old.csv")), "earlier");
    const QString strWhy = QStringLiteral("Cannot export to \"%1\":\rFile too large");
    EXPECT_EQ(m_boxes.TakeTexts(),
              (Strings{strWhy.arg(Path("new.png")).toStdString(),
                       (strWhy.arg(Path("old.csv")) + "\rThe file already there is unchanged.")
                           .toStdString()}));
}

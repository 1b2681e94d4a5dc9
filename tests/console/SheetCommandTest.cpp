// File > Lab Sheet: the sheet zeftool writes for the same file, the test's file named only while
// it holds the test, and a failure told.

#include <QPrintDialog>
#include <QPrinter>

#include "ConsoleHarness.h"
#include "console/SheetCommand.h"

namespace {

// The text of a PDF as a reader sees it, runs of blanks made one.
QString PdfText(const QString& strPdf) {
    QProcess process;
    process.start("pdftotext", {"-layout", strPdf, "-"});
    EXPECT_TRUE(process.waitForFinished(60000));
    return QString::fromUtf8(process.readAllStandardOutput()).simplified();
}

class SheetCommand : public CStartedConsoleTest {
protected:
    // The command, its dialog accepted as it opens: returns the file it offered.
    QString LabSheet() {
        QString strOffered;
        Answer<QPrintDialog>([&strOffered](QPrintDialog& dlg) {
            EXPECT_EQ(dlg.windowTitle(), "Lab Sheet");
            EXPECT_EQ(dlg.printer()->outputFormat(), QPrinter::PdfFormat);
            strOffered = dlg.printer()->outputFileName();
            OK(dlg);
        });
        Frame().OnCommand(ID_FILE_LAB_SHEET);
        return strOffered;
    }
    QString Path(const QString& strName) const { return m_files.filePath(strName); }
};

}  // namespace

TEST_F(SheetCommand, BesideTheTestsFileAsZeftoolWritesItAndUnsavedOnceChanged) {
    const QString strTest = Path("wing.ZEF");
    ASSERT_TRUE(QFile::copy(ZEF_TEST_DATA "/zef/english-wing.ZEF", strTest));
    ASSERT_TRUE(View().OpenTestFile(strTest));
    EXPECT_EQ(LabSheet(), Path("wing.pdf"));
    QProcess zeftool;
    zeftool.start(ZEF_ZEFTOOL, {"sheet", strTest, "-o", Path("z.pdf")});
    ASSERT_TRUE(zeftool.waitForFinished(60000));
    // As a reader sees them (the order the fonts are embedded in follows what the process
    // drew before).
    EXPECT_EQ(PdfText(Path("wing.pdf")), PdfText(Path("z.pdf")));
    EXPECT_TRUE(PdfText(Path("wing.pdf")).contains("File: wing.ZEF Saved: "));

    // Cleared, the test is in no file: the sheet says so, and is offered in the same folder.
    Frame().OnCommand(ID_CLEAR_GRAPH);
    ASSERT_TRUE(QFile::remove(Path("wing.pdf")));
    EXPECT_EQ(LabSheet(), Path("wing.pdf"));
    const QString strText = PdfText(Path("wing.pdf"));
    EXPECT_TRUE(strText.contains("File: none (the test as it stands is not saved)"));
    EXPECT_TRUE(strText.contains("Points: 1"));
    EXPECT_TRUE(m_boxes.TakeTexts().empty());
}

TEST_F(SheetCommand, AFailureNamesTheFileAndTheReason) {
    View().m_strTestFile = Path("gone/wing.ZEF");  // its folder removed since
    m_boxes.m_answers = {IDOK};
    EXPECT_EQ(LabSheet(), Path("gone/wing.pdf"));
    const Strings texts = m_boxes.TakeTexts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_TRUE(QString::fromStdString(texts[0]).startsWith(
        "Cannot write the lab sheet to \"" + Path("gone/wing.pdf") + "\":\r"));
    EXPECT_FALSE(QFile::exists(Path("gone/wing.pdf")));
}

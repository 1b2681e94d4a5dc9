// File Open and Save As through the console's own file dialogs.

#include <sys/stat.h>

#include "ConsoleHarness.h"

namespace {

class FileCommands : public CStartedConsoleTest {
protected:
    QString Path(const char* pName) const { return m_files.filePath(QLatin1String(pName)); }
    void Open(const char* pszName) {
        ChooseFile(pszName);
        Key(Qt::Key_O, Qt::ControlModifier);
    }
};

TEST_F(FileCommands, TestFilesAreFoundWhateverTheCaseOfTheirExtension) {
    for (const char* pName : {"lower.zef", "Mixed.Zef", "notes.txt"})
        QFile(Path(pName)).open(QIODevice::WriteOnly);
    QFile::copy(QStringLiteral(ZEF_TEST_DATA "/zef/english-wing.ZEF"), Path("wing.zef"));
    QStringList listed;
    Work<QFileDialog>(ID_FILE_OPEN, [&](QFileDialog& dlg) {
        dlg.setDirectory(m_files.path());
        auto* pModel = dlg.findChild<QFileSystemModel*>();
        const QModelIndex root = pModel->index(m_files.path());
        // Read in the background; what the filter passes over is left out.
        (void)QTest::qWaitFor([&] { return pModel->rowCount(root) >= 3; }, 3000);
        for (int i = 0; i < pModel->rowCount(root); ++i)
            listed << pModel->index(i, 0, root).data().toString();
        dlg.reject();
    });
    listed.sort();
    EXPECT_EQ(listed, QStringList({"Mixed.Zef", "lower.zef", "wing.zef"}));
    Open("wing");  // typed without its extension
    EXPECT_EQ(Rec().m_strComment[0].rfind("NACA 0012", 0), 0u);
    EXPECT_TRUE(ShowsTheRecord());
}

// The one box names the file and says why; the test is as it was, and the window shows it.
TEST_F(FileCommands, AFileThatIsNotATestFileOrCannotBeOpenedIsNamedAndTheTestStays) {
    Record(100, 120);
    Rec().m_strComment[0] = "flat plate";
    View().RedrawAll();
    const TestRecord before = Rec();
    QFile::copy(QStringLiteral(ZEF_TEST_DATA "/zef/wrong-magic.ZEF"), Path("other.ZEF"));
    ASSERT_EQ(mkfifo(QFile::encodeName(Path("pipe.ZEF")).constData(), 0600), 0);  // no writer
    m_boxes.m_answers = {IDOK, IDOK, IDOK};
    Rec().m_ld.m_bVisible = 1;  // a change the window has not drawn yet: it is drawn all the same
    Open("other");
    Open("missing");
    Open("pipe");
    auto why = [](const QString& strWhy) {
        return (strWhy + "\rThe current test is unchanged.").toStdString();
    };
    EXPECT_EQ(
        m_boxes.TakeTexts(),
        (Strings{why('"' + Path("other.ZEF") + "\" is not a Zefron test file."),
                 why("Cannot open \"" + Path("missing.ZEF") + "\":\rNo such file or directory"),
                 why("Cannot open \"" + Path("pipe.ZEF") + "\":\rIt is not a regular file.")}));
    EXPECT_EQ(Rec().m_strComment, before.m_strComment);
    EXPECT_EQ(Rec().m_lift.m_dValue, before.m_lift.m_dValue);
    EXPECT_TRUE(ShowsTheRecord());
}

TEST_F(FileCommands, AFailedSaveNamesTheFileAndKeepsTheEarlierOne) {
    QFile earlier(Path("wing.ZEF"));
    ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
    earlier.write("an earlier file\r\n");
    earlier.close();
    m_boxes.m_answers = {IDOK};
    ChooseFile("wing.ZEF");
    Answer<QMessageBox>([](QMessageBox& box) { box.button(QMessageBox::Yes)->click(); });
    OnAFullDisk(64, [this] { Key(Qt::Key_S, Qt::ControlModifier); });
    const QString strText = QString::fromStdString(m_boxes.TakeTexts().at(0));
    EXPECT_TRUE(strText.startsWith("Cannot save the test to \"" + Path("wing.ZEF") + "\":\r"));
    EXPECT_TRUE(strText.endsWith("The file already there is unchanged.")) << strText.toStdString();
    ASSERT_TRUE(earlier.open(QIODevice::ReadOnly));
    EXPECT_EQ(earlier.readAll(), "an earlier file\r\n");
    EXPECT_EQ(QDir(m_files.path()).entryList(QDir::Files), QStringList{"wing.ZEF"});
}

}  // namespace

// File Open and Save As through the console's own file dialogs.

#include <signal.h>
#include <sys/resource.h>

#include "ConsoleHarness.h"

namespace {

class FileCommands : public CStartedConsoleTest {
protected:
    void SetUp() override {
        CStartedConsoleTest::SetUp();
        Record(100, 120);
        Rec().m_strComment[0] = "flat plate";
        View().RedrawAll();
    }
    QString Path(const char* pName) const { return m_files.filePath(QLatin1String(pName)); }
    void Open(const char* pszName) {
        ChooseFile(pszName);
        Frame().OnCommand(ID_FILE_OPEN);
        EXPECT_TRUE(ModalDone());
    }
    // The one box names the file and says why; the test is as it was.
    void ExpectRefused(const QString& strWhy, const TestRecord& before) {
        ASSERT_EQ(m_boxes.m_shown.size(), 1u);
        EXPECT_EQ(QString::fromStdString(m_boxes.TakeTexts()[0]),
                  strWhy + "\rThe current test is unchanged.");
        EXPECT_EQ(Rec().m_strComment, before.m_strComment);
        EXPECT_EQ(Rec().m_lift.m_dValue, before.m_lift.m_dValue);
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

TEST_F(FileCommands, AFileThatIsNotATestFileOrCannotBeOpenedIsNamedAndTheTestStays) {
    const TestRecord before = Rec();
    QFile::copy(QStringLiteral(ZEF_TEST_DATA "/zef/wrong-magic.ZEF"), Path("other.ZEF"));
    m_boxes.m_answers = {IDOK, IDOK};
    Rec().m_ld.m_bVisible = 1;  // a change the window has not drawn yet: it is drawn all the same
    Open("other");
    ExpectRefused("\"" + Path("other.ZEF") + "\" is not a Zefron test file.", before);
    Open("missing");
    ExpectRefused("Cannot open \"" + Path("missing.ZEF") + "\":\rNo such file or directory",
                  before);
    EXPECT_TRUE(ShowsTheRecord());
}

TEST_F(FileCommands, AFailedSaveNamesTheFileAndKeepsTheEarlierOne) {
    // The disk fills while writing (a file-size limit stands in for it).
    QFile earlier(Path("wing.ZEF"));
    ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
    earlier.write("an earlier file\r\n");
    earlier.close();
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit tight = old;
    tight.rlim_cur = 64;
    const sighandler_t oldHandler = signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &tight);
    m_boxes.m_answers = {IDOK};
    ChooseFile("wing.ZEF", true);
    Key(Qt::Key_S, Qt::ControlModifier);
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, oldHandler);
    const QString strText = QString::fromStdString(m_boxes.TakeTexts().at(0));
    EXPECT_TRUE(strText.startsWith("Cannot save the test to \"" + Path("wing.ZEF") + "\":\r"));
    EXPECT_TRUE(strText.endsWith("The file already there is unchanged.")) << strText.toStdString();
    ASSERT_TRUE(earlier.open(QIODevice::ReadOnly));
    EXPECT_EQ(earlier.readAll(), "an earlier file\r\n");
    EXPECT_EQ(QDir(m_files.path()).entryList(QDir::Files), QStringList{"wing.ZEF"});
}

}  // namespace

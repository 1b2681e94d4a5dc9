// File Open and Save As through the console's own file dialogs.

#include <sys/stat.h>

#include "ConsoleHarness.h"

namespace {

class FileCommands : public CStartedConsoleTest {
protected:
    QString Path(const char* pName) const { return m_files.filePath(QLatin1String(pName)); }
    // The names the dialog lists in its folder, once its background reading has settled.
    static QStringList Listed(QFileDialog& dlg, int nAtLeast) {
        auto* pModel = dlg.findChild<QFileSystemModel*>();
        const QModelIndex root = pModel->index(dlg.directory().absolutePath());
        (void)QTest::qWaitFor([&] { return pModel->rowCount(root) >= nAtLeast; }, 3000);
        QTest::qWait(50);  // and nothing more comes
        QStringList listed;
        for (int i = 0; i < pModel->rowCount(root); ++i)
            listed << pModel->index(i, 0, root).data().toString();
        listed.sort();
        return listed;
    }
    static QLineEdit* Name(QFileDialog& dlg) { return dlg.findChild<QLineEdit*>("fileNameEdit"); }
    // "All Files" chosen from the keyboard, as the operator would.
    static void AllFiles(QFileDialog& dlg) {
        auto* pTypes = dlg.findChild<QComboBox*>("fileTypeCombo");
        QTest::keyClick(pTypes, Qt::Key_Down);
        ASSERT_EQ(dlg.selectedNameFilter(), "All Files (*.*)");
    }
};

// Both dialogs start in the folder last used, with "*.ZEF" to type over, which lists test files
// whatever the case of their extension; "All Files" lists every file, one without an extension
// too, and leaves a name being typed as it is; a name with a wildcard lists what it matches.
// Among all files the name given is the file opened, or the name saved.
TEST_F(FileCommands, DialogsStartInTheLastFolderAndAllFilesListsNamesWithoutAnExtension) {
    for (const char* pName : {"notes.txt", "Mixed.Zef", "lower.zef"})
        QFile(Path(pName)).open(QIODevice::WriteOnly);
    QFile::copy(QStringLiteral(ZEF_TEST_DATA "/zef/english-wing.ZEF"), Path("wing"));
    m_profile.WriteProfileString(PROFILE_SYSTEM, PROFILE_TEST_FOLDER,
                                 '"' + m_files.path().toStdString() + '"');
    for (bool bSave : {false, true}) {
        Work<QFileDialog>(bSave ? ID_FILE_SAVE_AS : ID_FILE_OPEN, [&](QFileDialog& dlg) {
            EXPECT_EQ(dlg.directory().absolutePath(), m_files.path());
            EXPECT_EQ(Name(dlg)->text(), "*.ZEF");
            EXPECT_EQ(dlg.nameFilters(), QStringList({"ZEF Files (*.ZEF)", "All Files (*.*)"}));
            EXPECT_EQ(Listed(dlg, 2), QStringList({"Mixed.Zef", "lower.zef"}));
            QTest::keyClicks(Name(dlg), QStringLiteral("kept.ZEF"));
            AllFiles(dlg);
            EXPECT_EQ(Name(dlg)->text(), "kept.ZEF");
            EXPECT_EQ(Listed(dlg, 4), QStringList({"Mixed.Zef", "lower.zef", "notes.txt", "wing"}));
            Name(dlg)->setText(QStringLiteral("*.t?t"));
            QTest::keyClick(Name(dlg), Qt::Key_Return);
            EXPECT_TRUE(dlg.isVisible());
            EXPECT_EQ(Listed(dlg, 1), QStringList({"notes.txt"}));
            Name(dlg)->setText(bSave ? QStringLiteral("kept.ZEF") : QStringLiteral("wing"));
            QTest::keyClick(Name(dlg), Qt::Key_Return);
        });
    }
    EXPECT_EQ(Rec().m_strComment[0].rfind("NACA 0012", 0), 0u);
    EXPECT_TRUE(QFile::exists(Path("kept.ZEF")));
    EXPECT_EQ(QDir(m_files.path()).entryList(QDir::Files).size(), 5);
}

// The folder is kept only once a test was read or written there, and only when the profile can
// give its name back as it is; a name typed without its extension opens the test file whatever
// the case of the extension.
TEST_F(FileCommands, TheFolderIsKeptAfterASuccessfulOpenOrSaveOnly) {
    QFile::copy(QStringLiteral(ZEF_TEST_DATA "/zef/english-wing.ZEF"), Path("wing.zef"));
    QFile::copy(QStringLiteral(ZEF_TEST_DATA "/zef/wrong-magic.ZEF"), Path("other.ZEF"));
    for (const char* pOdd : {"two\nlines", "a ;b"})
        ASSERT_TRUE(QDir(m_files.path()).mkdir(QLatin1String(pOdd)));
    const std::string strKept = "Test Folder=\"" + m_files.path().toStdString() + "\"\r\n";
    // Save or Open, the name typed, whether that works, and whether the folder is kept after.
    const std::tuple<bool, const char*, bool, bool> cases[] = {
        {false, "other", false, false},      {false, "missing", false, false},
        {false, "wing", true, true},         {true, "copy", true, true},
        {true, "sub/none.ZEF", false, true}, {true, "two\nlines/t", true, true},
        {true, "a ;b/t", true, true}};
    for (const auto& [bSave, pName, bOk, bKept] : cases) {
        SCOPED_TRACE(pName);
        m_boxes.m_answers.assign(bOk ? 0 : 1, IDOK);
        Answer<QFileDialog>([&, pName = pName](QFileDialog& dlg) {
            dlg.setDirectory(m_files.path());
            Name(dlg)->setText(QString::fromUtf8(pName));
            OK(dlg);
        });
        Key(bSave ? Qt::Key_S : Qt::Key_O, Qt::ControlModifier);
        EXPECT_EQ(m_boxes.TakeTexts().size(), bOk ? 0u : 1u);
        EXPECT_EQ(ReadProfile(), "[System]\r\nCOM Port=1\r\n" + (bKept ? strKept : ""));
    }
    EXPECT_TRUE(QFile::exists(Path("two\nlines/t.ZEF")));
}

// The one box names the file and says why; the test is as it was, and the window shows it. A
// failed save keeps the file already there.
TEST_F(FileCommands, AFileThatCannotBeOpenedOrSavedIsNamedAndTheTestAndFileStay) {
    Record(100, 120);
    Rec().m_strComment[0] = "flat plate";
    View().RedrawAll();
    const TestRecord before = Rec();
    QFile::copy(QStringLiteral(ZEF_TEST_DATA "/zef/wrong-magic.ZEF"), Path("other.ZEF"));
    ASSERT_EQ(mkfifo(QFile::encodeName(Path("pipe.ZEF")).constData(), 0600), 0);  // no writer
    // Two links that lead to each other: named without an extension, it is still that name.
    ASSERT_TRUE(QFile::link(Path("loopB"), Path("loopA")) && QFile::link(Path("loopA"), Path("loopB")));
    m_boxes.m_answers = {IDOK, IDOK, IDOK, IDOK};
    Rec().m_ld.m_bVisible = 1;  // a change the window has not drawn yet: it is drawn all the same
    for (const char* pszName : {"other", "missing", "pipe", "loopA"}) {
        ChooseFile(pszName);
        Key(Qt::Key_O, Qt::ControlModifier);
    }
    auto why = [](const QString& strWhy) {
        return (strWhy + "\rThe current test is unchanged.").toStdString();
    };
    EXPECT_EQ(
        m_boxes.TakeTexts(),
        (Strings{why('"' + Path("other.ZEF") + "\" is not a Zefron test file."),
                 why("Cannot open \"" + Path("missing.ZEF") + "\":\rNo such file or directory"),
                 why("Cannot open \"" + Path("pipe.ZEF") + "\":\rIt is not a regular file."),
                 why("Cannot open \"" + Path("loopA") +
                     "\":\rToo many levels of symbolic links")}));
    EXPECT_EQ(Rec().m_strComment, before.m_strComment);
    EXPECT_EQ(Rec().m_lift.m_dValue, before.m_lift.m_dValue);
    EXPECT_TRUE(ShowsTheRecord());

    ASSERT_TRUE(WriteBytes(Path("wing.ZEF"), "an earlier file\r\n"));
    m_boxes.m_answers = {IDOK};
    ChooseFile("wing.ZEF");
    Answer<QMessageBox>([](QMessageBox& box) { box.button(QMessageBox::Yes)->click(); });
    OnAFullDisk(64, [this] { Key(Qt::Key_S, Qt::ControlModifier); });
    const QString strText = QString::fromStdString(m_boxes.TakeTexts().at(0));
    EXPECT_TRUE(strText.startsWith("Cannot save the test to \"" + Path("wing.ZEF") + "\":\r"));
    EXPECT_TRUE(strText.endsWith("The file already there is unchanged.")) << strText.toStdString();
    EXPECT_EQ(ReadBytes(Path("wing.ZEF")), "an earlier file\r\n");
    EXPECT_EQ(QDir(m_files.path()).entryList(QDir::Files, QDir::Name),
              QStringList({"other.ZEF", "wing.ZEF"}));
}

// A file cut short opens with what it holds, and the box says so; Undo brings back the test.
TEST_F(FileCommands, AFileCutShortOpensWithItsPointsAndABoxThatSaysSo) {
    Record(100, 120);
    const TestRecord before = Rec();
    QFile wing(QStringLiteral(ZEF_TEST_DATA "/zef/english-wing.ZEF"));
    ASSERT_TRUE(wing.open(QIODevice::ReadOnly));
    const QByteArray whole = wing.readAll();
    ASSERT_TRUE(WriteBytes(Path("cut.ZEF"), whole.left(whole.size() - 9).toStdString()));
    m_boxes.m_answers = {IDOK};
    ChooseFile("cut");
    Key(Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(m_boxes.TakeTexts(),
              Strings{('"' + Path("cut.ZEF") +
                       "\" was not read whole.\rIt is incomplete: it ends before its closing line."
                       "\r6 points were read from it.\rThe points read are now the current test; "
                       "Undo brings back the test shown before.")
                          .toStdString()});
    // Up to 50 mph as saved, none at 79.9 where the file was cut.
    EXPECT_EQ(Rec().m_drag.m_dValue[500], 0.097);
    EXPECT_EQ(Rec().m_lift.m_dValue[799], EMPTY_SLOT);
    EXPECT_EQ(Rec().m_lift.m_dValue[110], EMPTY_SLOT);
    EXPECT_TRUE(ShowsTheRecord());
    Key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Rec().m_lift.m_dValue, before.m_lift.m_dValue);
}

}  // namespace

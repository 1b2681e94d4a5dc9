// File Open and Save As through the console's own file dialogs.

#include <signal.h>
#include <sys/resource.h>

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QMessageBox>
#include <functional>

#include "ConsoleTestSupport.h"
#include "files/TestFile.h"

namespace {

QByteArray Contents(const QString& strPath) {
    QFile file(strPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(cannot read)");
}

void Write(const QString& strPath, const QByteArray& bytes) {
    QFile file(strPath);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QString DataFile(const char* pName) {
    return QStringLiteral(ZEF_TEST_DATA "/zef/") + QLatin1String(pName);
}

// The file size limit of the process lowered for a while, so that writes fail as on a full disk
// (the one failure that even the superuser meets).
class CFileSizeLimit {
public:
    explicit CFileSizeLimit(rlim_t nBytes) {
        getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_old;
        limit.rlim_cur = nBytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~CFileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &m_old);
        signal(SIGXFSZ, m_oldHandler);
    }

private:
    rlimit m_old{};
    sighandler_t m_oldHandler;
};

class FileCommands : public CConsoleViewTest {
protected:
    void SetUp() override {
        CConsoleViewTest::SetUp();
        ASSERT_TRUE(m_files.isValid());
    }
    QString Path(const char* pName) const { return m_files.filePath(QLatin1String(pName)); }

    // Runs a file command; the handler works its dialog.
    void Work(int nCommand, std::function<void(QFileDialog&)> fnWork) {
        m_modal.Then([fnWork](QWidget* pWidget) {
            auto* pDialog = qobject_cast<QFileDialog*>(pWidget);
            ASSERT_NE(pDialog, nullptr)
                << "another window: " << pWidget->windowTitle().toStdString();
            fnWork(*pDialog);
            if (pDialog->isVisible()) {
                pDialog->reject();
            }
        });
        m_pFrame->OnCommand(nCommand);
        EXPECT_TRUE(m_modal.Done());
    }
    // Types a name in the dialog's folder, as the operator would, and presses the dialog's
    // Open or Save.
    void Choose(QFileDialog& dlg, const QString& strName) {
        dlg.setDirectory(m_files.path());
        auto* pEdit = dlg.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(pEdit, nullptr);
        pEdit->clear();
        QTest::keyClicks(pEdit, strName);
        QDialog& base = dlg;  // the dialog's Open or Save button
        base.accept();
    }
    // The names the dialog lists in its folder, once it shows as many as expected (it reads
    // and filters the folder in the background) or after a while.
    QStringList Listed(QFileDialog& dlg, int nExpected) {
        auto* pModel = dlg.findChild<QFileSystemModel*>();
        EXPECT_NE(pModel, nullptr);
        if (!pModel)
            return {};
        const QModelIndex root = pModel->index(m_files.path());
        QStringList names;
        auto list = [&] {
            names.clear();
            for (int i = 0; i < pModel->rowCount(root); ++i) {
                const QModelIndex index = pModel->index(i, 0, root);
                if (index.flags() & Qt::ItemIsEnabled) {
                    names << index.data().toString();
                }
            }
            names.sort();
            return names.size() == nExpected;
        };
        if (!QTest::qWaitFor(list, 3000)) {
            list();
        }
        return names;
    }
    // A test of our own in the record.
    void SomeTest() {
        RecordRange(0, 0);
        RecordRange(100, 120);
        Record({400});
        Rec().m_lift.m_dValue[0] = Rec().m_drag.m_dValue[0] = 0.0;
        Rec().m_strComment[0] = "flat plate";
        Rec().m_strComment[9] = "tenth line";
        Rec().m_dCdArea = 2.5;
    }

    QTemporaryDir m_files;
};

TEST_F(FileCommands, BothDialogsOfferTheTestFilesFilterAndTheDefaultExtension) {
    for (int nCommand : {ID_FILE_OPEN, ID_FILE_SAVE_AS}) {
        Work(nCommand, [&](QFileDialog& dlg) {
            EXPECT_EQ(dlg.acceptMode(),
                      nCommand == ID_FILE_OPEN ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
            EXPECT_EQ(dlg.fileMode(), QFileDialog::AnyFile);
            EXPECT_EQ(dlg.defaultSuffix(), "ZEF");
            EXPECT_EQ(dlg.nameFilters(), QStringList({"ZEF Files (*.ZEF)", "All Files (*.*)"}));
            EXPECT_EQ(dlg.selectedNameFilter(), "ZEF Files (*.ZEF)");
            EXPECT_TRUE(dlg.testOption(QFileDialog::DontUseNativeDialog));
            EXPECT_FALSE(dlg.testOption(QFileDialog::DontConfirmOverwrite));
            dlg.reject();
        });
    }
}

TEST_F(FileCommands, TheTestFilesFilterAlsoShowsLowerCaseNames) {
    for (const char* pName : {"wing.ZEF", "lower.zef", "Mixed.Zef", "notes.txt", "zef"}) {
        Write(Path(pName), "ZEF\r\n");
    }
    Work(ID_FILE_OPEN, [&](QFileDialog& dlg) {
        dlg.setDirectory(m_files.path());
        EXPECT_EQ(Listed(dlg, 3), QStringList({"Mixed.Zef", "lower.zef", "wing.ZEF"}));
        dlg.selectNameFilter(QStringLiteral("All Files (*.*)"));
        EXPECT_EQ(Listed(dlg, 4), QStringList({"Mixed.Zef", "lower.zef", "notes.txt", "wing.ZEF"}));
        dlg.reject();
    });
}

TEST_F(FileCommands, SaveAsWritesTheTestAndAsksBeforeReplacingAFile) {
    SomeTest();
    Work(ID_FILE_SAVE_AS, [&](QFileDialog& dlg) { Choose(dlg, QStringLiteral("wing")); });
    const QByteArray saved = QByteArray::fromStdString(FormatTestFile(Rec()));
    EXPECT_EQ(Contents(Path("wing.ZEF")), saved);
    EXPECT_TRUE(QDir(m_files.path()).entryList(QDir::Files) == QStringList{"wing.ZEF"});

    // Onto the same name: No keeps the file, Yes replaces it.
    Rec().m_strComment[0] = "second run";
    QString strQuestion;
    Work(ID_FILE_SAVE_AS, [&](QFileDialog& dlg) {
        m_modal.Then([&](QWidget* pBox) {
            strQuestion = static_cast<QMessageBox*>(pBox)->text();
            static_cast<QMessageBox*>(pBox)->button(QMessageBox::No)->click();
        });
        Choose(dlg, QStringLiteral("wing.ZEF"));
        EXPECT_TRUE(dlg.isVisible());
        dlg.reject();
    });
    EXPECT_TRUE(strQuestion.contains(QStringLiteral("wing.ZEF")));
    EXPECT_EQ(Contents(Path("wing.ZEF")), saved);
    Work(ID_FILE_SAVE_AS, [&](QFileDialog& dlg) {
        m_modal.Then([](QWidget* pBox) {
            static_cast<QMessageBox*>(pBox)->button(QMessageBox::Yes)->click();
        });
        Choose(dlg, QStringLiteral("wing.ZEF"));
    });
    EXPECT_EQ(Contents(Path("wing.ZEF")), QByteArray::fromStdString(FormatTestFile(Rec())));
    // Saving changes nothing in the test.
    EXPECT_EQ(Rec().m_strComment[0], "second run");
    EXPECT_TRUE(Rec().IsRecorded(400));
    EXPECT_TRUE(m_boxes.m_shown.empty());
}

TEST_F(FileCommands, OpenReadsTheTestReappliesTheRangesAndRedraws) {
    // A Metric test opened into an English one: the scales follow the file's units.
    SomeTest();
    Rec().SetSpeedRange(2);
    Rec().SetForceRange(3);
    Rec().SetCdRange(2);
    Rec().SetLDRange(4);
    Rec().m_lift.m_dOverlay[50] = 0.3;
    Rec().m_dTargetSpeed = 12;
    TestRecord metric(0, 80.0);
    metric.ApplyUnitScales();
    metric.m_lift.m_dValue.fill(EMPTY_SLOT);
    metric.m_drag.m_dValue.fill(EMPTY_SLOT);
    metric.m_lift.m_dValue[0] = metric.m_drag.m_dValue[0] = 0.0;
    metric.m_lift.m_dValue[640] = 0.12;
    metric.m_drag.m_dValue[640] = 0.02;
    metric.m_strComment[4] = "metric run";
    metric.m_dCdArea = 4.0;
    Write(Path("metric.ZEF"), QByteArray::fromStdString(FormatTestFile(metric)));

    Work(ID_FILE_OPEN, [&](QFileDialog& dlg) { Choose(dlg, QStringLiteral("metric.ZEF")); });
    EXPECT_EQ(Rec().m_bEnglish, 0);
    EXPECT_EQ(Rec().m_dCdArea, 4.0);
    EXPECT_EQ(Rec().m_strComment[0], "");
    EXPECT_EQ(Rec().m_strComment[4], "metric run");
    EXPECT_EQ(Rec().m_lift.m_dValue[640], 0.12);
    EXPECT_FALSE(Rec().IsRecorded(400));
    EXPECT_EQ(Rec().m_cd.m_dValue[640], Rec().DragCoefficient(64.0, 0.02));
    EXPECT_EQ(Rec().m_lift.m_dOverlay[50], 0.3);  // the overlay stays
    EXPECT_EQ(Rec().m_dTargetSpeed, 12);
    // Same ranges, with the Metric scales' tick steps.
    TestRecord ref(0, 80.0);
    ref.ApplyUnitScales();
    ref.SetSpeedRange(2);
    ref.SetForceRange(3);
    EXPECT_EQ(Rec().m_axisWind.m_nRange, 2);
    EXPECT_EQ(Rec().m_axisForce.m_nRange, 3);
    EXPECT_EQ(Rec().m_axisCd.m_nRange, 2);
    EXPECT_EQ(Rec().m_axisLD.m_nRange, 4);
    EXPECT_EQ(Rec().m_axisWind.m_dMajorStep, ref.m_axisWind.m_dMajorStep);
    EXPECT_EQ(Rec().m_axisWind.m_dMinorStep, ref.m_axisWind.m_dMinorStep);
    EXPECT_EQ(Rec().m_axisForce.m_dMajorStep, ref.m_axisForce.m_dMajorStep);
    EXPECT_TRUE(PictureIsCurrent());
    EXPECT_TRUE(m_boxes.m_shown.empty());

    // Cancel: nothing is read and nothing redrawn.
    Rec().m_strComment[0] = "behind the window's back";
    const QImage shown = View().Image();
    Work(ID_FILE_OPEN, [](QFileDialog& dlg) { dlg.reject(); });
    EXPECT_EQ(Rec().m_strComment[0], "behind the window's back");
    EXPECT_EQ(View().Image(), shown);
}

TEST_F(FileCommands, ANameTypedWithoutItsExtensionFindsALowerCaseTestFile) {
    QFile::copy(DataFile("english-wing.ZEF"), Path("wing.zef"));
    Work(ID_FILE_OPEN, [&](QFileDialog& dlg) { Choose(dlg, QStringLiteral("wing")); });
    EXPECT_TRUE(m_boxes.m_shown.empty());
    EXPECT_EQ(Rec().m_strComment[0].rfind("NACA 0012", 0), 0u);

    // Two files that differ only there: the operator must say which.
    QFile::copy(DataFile("english-wing.ZEF"), Path("wing.Zef"));
    m_boxes.m_answers = {IDOK};
    Work(ID_FILE_OPEN, [&](QFileDialog& dlg) { Choose(dlg, QStringLiteral("wing")); });
    EXPECT_EQ(m_boxes.TakeTexts(),
              Strings{("Cannot open \"" + Path("wing.ZEF") +
                       "\":\rNo such file or directory\rThe current test is unchanged.")
                          .toStdString()});
}

TEST_F(FileCommands, AFileThatCannotBeOpenedIsNamedAndTheTestStays) {
    SomeTest();
    Rec().SetSpeedRange(3);
    View().RedrawAll();
    const TestRecord before = Rec();
    QFile::copy(DataFile("wrong-magic.ZEF"), Path("other.ZEF"));
    QDir(m_files.path()).mkdir(QStringLiteral("folder.ZEF"));
    // The open dialog goes into a folder it is given; the command can still be handed one.
    auto openFolder = [this] { View().OpenTestFile(Path("folder.ZEF")); };
    struct Case {
        std::function<void()> fnOpen;
        QString strMessage;
    };
    const Case cases[] = {
        {[this] {
             Work(ID_FILE_OPEN, [&](QFileDialog& dlg) { Choose(dlg, QStringLiteral("other")); });
         },
         "\"" + Path("other.ZEF") +
             "\" is not a Zefron test file.\rThe current test is unchanged."},
        {[this] {
             Work(ID_FILE_OPEN, [&](QFileDialog& dlg) { Choose(dlg, QStringLiteral("missing")); });
         },
         "Cannot open \"" + Path("missing.ZEF") +
             "\":\rNo such file or directory\rThe current test is unchanged."},
        {openFolder, "Cannot open \"" + Path("folder.ZEF") +
                         "\":\rIt is a folder, not a file.\rThe current test is unchanged."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.strMessage.toStdString());
        // The window is drawn again all the same; show that by a change it has not drawn yet.
        Rec().m_ld.m_bVisible = !Rec().m_ld.m_bVisible;
        m_boxes.m_answers = {IDOK};
        c.fnOpen();
        ASSERT_EQ(m_boxes.m_shown.size(), 1u);
        EXPECT_EQ(QString::fromStdString(m_boxes.m_shown[0].strText), c.strMessage);
        EXPECT_EQ(m_boxes.m_shown[0].nType, MB_OK | MB_ICONEXCLAMATION);
        m_boxes.m_shown.clear();
        EXPECT_EQ(Rec().m_strComment, before.m_strComment);
        EXPECT_EQ(Rec().m_lift.m_dValue, before.m_lift.m_dValue);
        EXPECT_EQ(Rec().m_dCdArea, before.m_dCdArea);
        EXPECT_EQ(Rec().m_axisWind.m_nRange, 3);
        EXPECT_TRUE(PictureIsCurrent());
    }
}

TEST_F(FileCommands, AFailedSaveSaysWhyAndLeavesTheEarlierFile) {
    SomeTest();
    // A folder that is not there.
    m_boxes.m_answers = {IDOK};
    View().SaveTestFile(Path("gone/wing.ZEF"));
    ASSERT_EQ(m_boxes.m_shown.size(), 1u);
    const QString strText = QString::fromStdString(m_boxes.m_shown[0].strText);
    EXPECT_TRUE(strText.startsWith("Cannot save the test to \"" + Path("gone/wing.ZEF") + "\":\r"))
        << strText.toStdString();
    EXPECT_TRUE(strText.endsWith("\rThe test was not saved.")) << strText.toStdString();
    m_boxes.m_shown.clear();

    // The disk fills while writing: the earlier file of that name is still there, whole.
    const QByteArray earlier = "an earlier file\r\n";
    Write(Path("wing.ZEF"), earlier);
    m_boxes.m_answers = {IDOK};
    {
        CFileSizeLimit limit(64);
        Work(ID_FILE_SAVE_AS, [&](QFileDialog& dlg) {
            m_modal.Then([](QWidget* pBox) {
                static_cast<QMessageBox*>(pBox)->button(QMessageBox::Yes)->click();
            });
            Choose(dlg, QStringLiteral("wing.ZEF"));
        });
    }
    ASSERT_EQ(m_boxes.m_shown.size(), 1u);
    const QString strFull = QString::fromStdString(m_boxes.m_shown[0].strText);
    EXPECT_TRUE(strFull.startsWith("Cannot save the test to \"" + Path("wing.ZEF") + "\":\r"));
    EXPECT_TRUE(strFull.contains("File too large")) << strFull.toStdString();
    EXPECT_TRUE(strFull.endsWith("The file already there is unchanged."));
    EXPECT_EQ(m_boxes.m_shown[0].nType, MB_OK | MB_ICONEXCLAMATION);
    EXPECT_EQ(Contents(Path("wing.ZEF")), earlier);
    EXPECT_EQ(QDir(m_files.path()).entryList(QDir::Files), QStringList{"wing.ZEF"});
}

}  // namespace

// View > Compare Tests: tests added from the dialog, by dropping files and from the console,
// put in order, and written as zeftool compare writes them.

#include "ConsoleHarness.h"
#include "console/CompareWnd.h"

namespace {

const QString WING = QStringLiteral(ZEF_TEST_DATA "/zef/english-wing.ZEF");
const QString METRIC = QStringLiteral(ZEF_TEST_DATA "/zef/metric-high-speed.ZEF");

std::string Zeftool(const QStringList& args) {
    QProcess process;
    process.start(ZEF_ZEFTOOL, args);
    EXPECT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    return process.readAllStandardOutput().toStdString();
}

class CompareWindow : public CStartedConsoleTest {
protected:
    CCompareWnd& Open() {
        Frame().OnCommand(ID_VIEW_COMPARE);
        CCompareWnd* pWnd = Frame().CompareWindow();
        EXPECT_NE(pWnd, nullptr);
        return *pWnd;
    }
    static void Click(CCompareWnd& wnd, const char* pText) {
        for (QPushButton* pButton : wnd.findChildren<QPushButton*>()) {
            if (pButton->text() == QLatin1String(pText)) {
                pButton->click();
                return;
            }
        }
        ADD_FAILURE() << "no button " << pText;
    }
    static QStringList Names(CCompareWnd& wnd) {
        QStringList names;
        for (const CompareTest& test : wnd.View().tests)
            names << test.strName;
        auto* pList = wnd.findChild<QListWidget*>("tests");
        for (int i = 0; i < pList->count(); ++i)
            EXPECT_EQ(pList->item(i)->text(), names.value(i)) << "the list and the graph differ";
        return names;
    }
    // The Export dialog with a name typed in m_files.
    void Export(CCompareWnd& wnd, const char* pName) {
        Answer<QFileDialog>([this, pName](QFileDialog& dlg) {
            EXPECT_EQ(dlg.windowTitle(), "Export Comparison");
            dlg.setDirectory(m_files.path());
            QTest::keyClicks(dlg.findChild<QLineEdit*>("fileNameEdit"), QLatin1String(pName));
            OK(dlg);
        });
        Click(wnd, "&Export...");
    }
    QString Path(const QString& strName) const { return m_files.filePath(strName); }
};

}  // namespace

TEST_F(CompareWindow, TestsComeFromTheDialogADropAndTheConsoleAndAreListedAsZeftoolDoes) {
    ASSERT_TRUE(View().OpenTestFile(WING));
    CCompareWnd& wnd = Open();
    EXPECT_TRUE(wnd.isVisible());
    EXPECT_EQ(wnd.windowTitle(), "Compare Tests");
    ASSERT_TRUE(QFile::copy(METRIC, Path("metric-high-speed.ZEF")));
    ASSERT_TRUE(QFile::copy(ZEF_TEST_DATA "/zef/wrong-magic.ZEF", Path("wrong-magic.ZEF")));

    // Several files chosen at once; the one that is no test is named and left out.
    Answer<QFileDialog>([this](QFileDialog& dlg) {
        EXPECT_EQ(dlg.fileMode(), QFileDialog::ExistingFiles);
        dlg.setDirectory(m_files.path());
        QTest::keyClicks(dlg.findChild<QLineEdit*>("fileNameEdit"),
                         "\"metric-high-speed.ZEF\" \"wrong-magic.ZEF\"");
        OK(dlg);
    });
    Click(wnd, "&Add Files...");
    EXPECT_EQ(Names(wnd), QStringList{"metric-high-speed.ZEF"});
    EXPECT_EQ(wnd.Problems(), "wrong-magic.ZEF: not a test file (left out)");

    // A file dropped from a file manager.
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(WING)});
    QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(&wnd, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &data, Qt::LeftButton, {});
    drop.setAccepted(false);
    QApplication::sendEvent(&wnd, &drop);
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_TRUE(wnd.Problems().isEmpty());
    Click(wnd, "Add &Current Test");
    EXPECT_EQ(Names(wnd),
              (QStringList{"metric-high-speed.ZEF", "english-wing.ZEF", "Current test"}));
    EXPECT_EQ(wnd.View().tests[2].strComment, "NACA 0012, chord 4 in.");

    // Order and removal, on the selected test; a move past either end does nothing.
    Click(wnd, "Move &Up");
    EXPECT_EQ(Names(wnd),
              (QStringList{"metric-high-speed.ZEF", "Current test", "english-wing.ZEF"}));
    wnd.findChild<QListWidget*>("tests")->setCurrentRow(0);
    wnd.MoveSelected(-1);
    Click(wnd, "Move &Down");
    EXPECT_EQ(Names(wnd),
              (QStringList{"Current test", "metric-high-speed.ZEF", "english-wing.ZEF"}));
    wnd.findChild<QListWidget*>("tests")->setCurrentRow(0);
    Click(wnd, "&Remove");
    EXPECT_EQ(Names(wnd), (QStringList{"metric-high-speed.ZEF", "english-wing.ZEF"}));

    // Written as zeftool writes the same files, in the console's units of the moment.
    Export(wnd, "english.csv");
    Rec().m_bEnglish = 0;
    wnd.ConsoleChanged();
    Export(wnd, "metric.csv");
    EXPECT_TRUE(m_boxes.TakeTexts().empty());
    const QString strMetricCopy = Path("metric-high-speed.ZEF");
    Zeftool({"compare", strMetricCopy, WING, "-o", Path("z-english.csv")});
    Zeftool({"compare", strMetricCopy, WING, "-o", Path("z-metric.csv"), "--units", "metric"});
    EXPECT_EQ(ReadBytes(Path("english.csv")), ReadBytes(Path("z-english.csv")));
    EXPECT_EQ(ReadBytes(Path("metric.csv")), ReadBytes(Path("z-metric.csv")));
    EXPECT_NE(ReadBytes(Path("english.csv")), ReadBytes(Path("metric.csv")));

    // The picture is the window's graph, as zeftool draws it at that size.
    wnd.SetQuantity(CompareQuantity::Drag);
    Export(wnd, "drag.png");
    const QSize size = wnd.Canvas()->size();
    Zeftool({"compare", strMetricCopy, WING, "-o", Path("z.png"), "--units", "metric", "--show",
             "drag", "--size", QStringLiteral("%1x%2").arg(size.width()).arg(size.height())});
    EXPECT_EQ(ReadBytes(Path("drag.png")), ReadBytes(Path("z.png")));
    const QImage shown = wnd.Canvas()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    int nBlue = 0, nVermilion = 0;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x) {
            nBlue += (shown.pixel(x, y) & 0xffffff) == 0x0072b2;
            nVermilion += (shown.pixel(x, y) & 0xffffff) == 0xd55e00;
        }
    EXPECT_GT(nBlue, 50);
    EXPECT_GT(nVermilion, 50);

    // Closed and opened again, it still holds its tests.
    wnd.close();
    EXPECT_EQ(&Open(), &wnd);
    EXPECT_EQ(Names(wnd).size(), 2);
}

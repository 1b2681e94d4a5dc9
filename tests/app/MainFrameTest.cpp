// The main window: menus, accelerators, its place, New, printing, About and Help.

#include <QtPrintSupport>

#include "ConsoleHarness.h"

namespace {

class MainFrameTest : public CStartedConsoleTest {};

// Share of the pixels in the middle of an image, where the plot lies, that have this colour.
double ShareOf(const QImage& image, QRgb rgb) {
    const QImage middle = image.copy(image.width() * 3 / 10, image.height() * 3 / 10,
                                     image.width() * 4 / 10, image.height() * 4 / 10);
    int nSame = 0;
    for (int y = 0; y < middle.height(); ++y) {
        for (int x = 0; x < middle.width(); ++x)
            nSame += (middle.pixel(x, y) | 0xff000000) == rgb;
    }
    return static_cast<double>(nSame) / (middle.width() * middle.height());
}

}  // namespace

TEST_F(MainFrameTest, MenusCarryTheOperatorsTextsShortcutsPromptsAndTips) {
    // Menu, item, status-bar prompt and tip (when the command has one); "-" is a separator.
    const char* const menu[] = {
        "&File|&Open...\tCtrl+O|Open an existing document|Open",
        "&File|&Save As\tCtrl+S|Save the active document|Save",
        "&File|-",
        "&File|&Print...\tCtrl+P|Print the active document|Print",
        "&File|Print Pre&view|Display full pages|Print Preview",
        "&File|P&rint Setup...|Change the printer and printing options|Print Setup",
        "&File|-",
        "&File|E&xit|Quit the application; prompts to save documents|Exit",
        "&System|&COM Port|Select the serial COM Port|",
        "&System|&Axis\tA|Change Axis scale|",
        "&Test|&Stop Wind\tS|Return Wind speed to Zero|Stop",
        "&Test|-",
        "&Test|S&et Wind speed\tW|Set Wind to desired speed|Set Wind",
        "&Test|&Increment Wind Speed\tPage Up|Increment Wind speed|",
        "&Test|&Decrement Wind Speed\tPage Down|Decrement Wind Speed|",
        "&Test|&Enter Comments\tE|Enter comments on graph|",
        "&Test|&Clear Graph\tC|Clear graph results|",
        "&Test|C&onfigure|Configure test options|",
        "&Overlay|&Set\tO|Set Overlay|",
        "&Overlay|&Clear|Clear Overlay|",
        "&View|&Toolbar|Show or hide the toolbar|Toggle ToolBar",
        "&View|&Status Bar|Show or hide the status bar|Toggle StatusBar",
        "&Help|&On line Help\tF1|Display On line Help Contents|Help",
        "&Help|-",
        "&Help|&About Zefron...|Display About Dialog|About",
    };
    std::size_t i = 0;
    for (QAction* pMenu : Frame().menuBar()->actions()) {
        for (QAction* pAction : pMenu->menu()->actions()) {
            ASSERT_LT(i, std::size(menu));
            const QStringList want = QString::fromLatin1(menu[i++]).split(QLatin1Char('|'));
            QStringList got = {pMenu->text(), pAction->isSeparator() ? "-" : pAction->text()};
            if (!pAction->isSeparator()) {
                got << pAction->statusTip() << (want[3].isEmpty() ? QString() : pAction->toolTip());
            }
            EXPECT_EQ(got, want);
        }
    }
    EXPECT_EQ(i, std::size(menu));
}

TEST_F(MainFrameTest, EachAcceleratorReachesItsCommandButNotFromInsideADialog) {
    // The accelerators as the operator knows them, and the commands they reach.
    const QStringList keys =
        QStringLiteral("A C E O S Home W PgUp PgDown F1 Ctrl+N Ctrl+O Ctrl+S Ctrl+P").split(' ');
    const std::vector<int> commands = {
        ID_AXIS,      ID_CLEAR_GRAPH, ID_COMMENTS,       ID_OVERLAY_SET,    ID_STOP_WIND,
        ID_STOP_WIND, ID_SET_WIND,    ID_INCREMENT_WIND, ID_DECREMENT_WIND, ID_HELP_CONTENTS,
        ID_FILE_NEW,  ID_FILE_OPEN,   ID_FILE_SAVE_AS,   ID_FILE_PRINT};
    std::vector<int> fired;
    for (QAction* pAction : Frame().findChildren<QAction*>()) {
        QObject::disconnect(pAction, &QAction::triggered, &Frame(), nullptr);
        QObject::connect(pAction, &QAction::triggered, &Frame(),
                         [&fired, pAction] { fired.push_back(pAction->data().toInt()); });
    }
    for (int i = 0; i < keys.size(); ++i) {
        fired.clear();
        Frame().activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&Frame()));
        QTest::keySequence(&View(), QKeySequence(keys[i]));
        EXPECT_EQ(fired, std::vector<int>{commands[i]}) << keys[i].toStdString();
    }
    // A dialog is a window of its own: what is typed there stays there.
    fired.clear();
    CCommentsDlg dlg(&Frame());
    Then([&](QWidget*) {
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
        QTest::keyClicks(dlg.m_pLine[0], QStringLiteral("aceosw"));
        for (const QString& strKey : keys)
            QTest::keySequence(&dlg, QKeySequence(strKey));
        OK(dlg);
    });
    EXPECT_EQ(dlg.DoModal(), QDialog::Accepted);
    EXPECT_EQ(dlg.m_strLine[0], "aceosw");
    // Nor in the help window, which no modal dialog shades.
    theApp.OnHelp();
    QTextBrowser* pHelp = HelpWindow();
    pHelp->activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == pHelp; }));
    for (const QString& strKey : keys)
        QTest::keySequence(pHelp, QKeySequence(strKey));
    EXPECT_TRUE(fired.empty());
}

TEST_F(MainFrameTest, WindowCoversTheScreenByTheRule) {
    EXPECT_EQ(CMainFrame::InitialGeometry({1024, 768}), QRect(5, 3, 1013, 760));
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    if (qEnvironmentVariable("QT_QPA_PLATFORM").contains(QLatin1String("1024x768"))) {
        EXPECT_EQ(screen, QSize(1024, 768));
    }
    EXPECT_EQ(Frame().frameGeometry(), CMainFrame::InitialGeometry(screen));
}

TEST_F(MainFrameTest, NewEmptiesTheTestAndTheWindowShowsIt) {
    Record(100, 200);
    Rec().SetOverlay();
    Record(300, 400);
    Rec().m_strComment[7] = "from a file";
    View().RedrawAll();
    Key(Qt::Key_N, Qt::ControlModifier);
    View().repaint();
    EXPECT_FALSE(Rec().IsRecorded(350));
    EXPECT_EQ(Rec().m_lift.m_dOverlay[150], EMPTY_SLOT);
    EXPECT_EQ(Rec().m_strComment[7], "");
    EXPECT_TRUE(ShowsTheRecord());
}

TEST_F(MainFrameTest, CtrlPPrintsOnePageWithAWhitePlotAndLeavesTheWindowGrey) {
    Record(1, 400);
    View().RedrawAll();
    const CRect rcWindow = Rec().m_rcClient;
    const QString strPdf = m_dir.filePath(QStringLiteral("graph.pdf"));
    theApp.Printer().setOutputFormat(QPrinter::PdfFormat);
    theApp.Printer().setOutputFileName(strPdf);
    Answer<QPrintDialog>([](QPrintDialog& dlg) { dlg.accept(); });
    Key(Qt::Key_P, Qt::ControlModifier);
    const QString strPage = m_dir.filePath(QStringLiteral("page"));
    ASSERT_EQ(QProcess::execute("pdftoppm", {"-r", "30", "-png", strPdf, strPage}), 0);
    const QStringList pages = QDir(m_dir.path()).entryList({QStringLiteral("page*.png")});
    ASSERT_EQ(pages.size(), 1);
    const QImage page = QImage(m_dir.filePath(pages[0])).convertToFormat(QImage::Format_RGB32);
    EXPECT_GT(ShareOf(page, qRgb(255, 255, 255)), 0.8);
    EXPECT_LT(ShareOf(page, qRgb(255, 255, 255)), 1.0);  // the grid and the curves are there
    EXPECT_EQ(ShareOf(page, qRgb(192, 192, 192)), 0.0);
    EXPECT_EQ(Rec().m_rcClient, rcWindow);
    EXPECT_EQ(Rec().m_crBackground, COLOR_LIGHT_GREY);
    View().Invalidate();
    View().repaint();
    EXPECT_GT(ShareOf(View().Image(), qRgb(192, 192, 192)), 0.5);
}

TEST_F(MainFrameTest, AboutShowsTheVersionAndHelpTheManualAtItsContents) {
    QStringList texts;
    Then([&](QWidget* pModal) {
        EXPECT_EQ(pModal->windowTitle(), "About Zefron");
        for (QLabel* pLabel : pModal->findChildren<QLabel*>()) {
            if (pLabel->pixmap().isNull())
                texts << pLabel->text();
        }
        static_cast<QDialog*>(pModal)->accept();
    });
    Frame().OnCommand(ID_APP_ABOUT);
    EXPECT_EQ(texts, QStringList{QStringLiteral("Zefron  Version 1.1")});

    Key(Qt::Key_F1);
    QTextBrowser* pHelp = HelpWindow();
    ASSERT_NE(pHelp, nullptr);
    EXPECT_TRUE(pHelp->isVisible());
    // Opened at "Contents": the first line shown is the contents' heading.
    const QTextCursor at = pHelp->cursorForPosition(QPoint(5, 5));
    EXPECT_TRUE(at.block().text().contains(QLatin1String("Contents"), Qt::CaseInsensitive));
    theApp.m_strHelpUrl = QStringLiteral("qrc:/help/missing.html#Contents");
    m_boxes.m_answers = {IDOK};
    Frame().OnCommand(ID_HELP_CONTENTS);
    EXPECT_EQ(m_boxes.TakeTexts(), Strings{"Failed to launch help."});
}

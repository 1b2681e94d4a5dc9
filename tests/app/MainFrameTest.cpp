// The main window: menus, toolbar and status bar, accelerators, Help and About, its place, the
// link's pane and the lock keys; the splash at start-up and its ways out.

#include "ConsoleHarness.h"
#include "console/SplashWnd.h"

class MainFrameTest : public CStartedConsoleTest {};

TEST_F(MainFrameTest, MenusAndToolbarCarryTheOperatorsTextsPromptsAndTips) {
    // Each item as text, shortcut, status-bar prompt and tip (where it is not the item's text).
    const QString strMenus = QStringLiteral(
        "&File: &Open...\tCtrl+O Open an existing document (Open), &Save As\tCtrl+S Save the "
        "active document (Save), -, &Print...\tCtrl+P Print the active document (Print), Print "
        "Pre&view Display full pages, P&rint Setup... Change the printer and printing options, -, "
        "&Export...\tCtrl+E Export the test's points as CSV or its graph as PNG, SVG or PDF "
        "(Export), &Lab Sheet... Write the test's graph, summary and points as a PDF for a report, "
        "or print them, -, E&xit Quit the application; prompts to save documents\n"
        "&Edit: &Undo\tCtrl+Z Undo the last action (Undo)\n&System: &COM Port Select the "
        "serial COM Port, &Axis\tA Change Axis scale\n&Test: &Stop Wind\tS Return Wind speed to "
        "Zero (Stop), -, S&et Wind speed\tW Set Wind to desired speed (Set Wind), &Increment Wind "
        "Speed\tPage Up Increment Wind speed, &Decrement Wind Speed\tPage Down Decrement Wind "
        "Speed, &Enter Comments\tE Enter comments on graph, &Clear Graph\tC Clear graph results, "
        "C&onfigure Configure test options\n&Overlay: &Set\tO Set Overlay, &Clear Clear Overlay\n"
        "&View: &Toolbar Show or hide the toolbar (Toggle ToolBar), &Status Bar Show or hide the "
        "status bar (Toggle StatusBar), &Data Table\tCtrl+T Show or hide the table of recorded "
        "points (Toggle Data Table), &Compare Tests... Show saved tests together on one graph\n"
        "&Help: &On line Help\tF1 Display On line Help Contents "
        "(Help), -, &About Zefron... Display About Dialog (About)\n");
    QString strShown;
    for (QAction* pMenu : Frame().menuBar()->actions()) {
        QStringList items;
        for (QAction* p : pMenu->menu()->actions()) {
            const bool bTip = p->toolTip() != QAction(p->text()).toolTip();  // not Qt's own
            items << (p->isSeparator() ? QStringLiteral("-")
                                       : p->text() + ' ' + p->statusTip() +
                                             (bTip ? " (" + p->toolTip() + ')' : QString()));
        }
        strShown += pMenu->text() + ": " + items.join(", ") + '\n';
    }
    EXPECT_EQ(strShown, strMenus);
    QStringList bar;
    for (QAction* p : Frame().m_wndToolBar->actions())
        bar << (p->isSeparator() ? "|" : p->icon().isNull() ? "?" : p->toolTip());
    EXPECT_EQ(bar.join(','), "Open,Save,|,Set Wind,Stop,|,Print,Help");
}

TEST_F(MainFrameTest, AcceleratorsReachTheirCommandsButNotFromADialogOrTheHelpOrAbout) {
    const QStringList keys =
        QStringLiteral("A C E O S Home W PgUp PgDown F1 Ctrl+N Ctrl+O Ctrl+S Ctrl+P Ctrl+E Ctrl+T")
            .split(' ');
    const std::vector<int> commands = {
        ID_AXIS,           ID_CLEAR_GRAPH,   ID_COMMENTS,    ID_OVERLAY_SET,
        ID_STOP_WIND,      ID_STOP_WIND,     ID_SET_WIND,    ID_INCREMENT_WIND,
        ID_DECREMENT_WIND, ID_HELP_CONTENTS, ID_FILE_NEW,    ID_FILE_OPEN,
        ID_FILE_SAVE_AS,   ID_FILE_PRINT,    ID_FILE_EXPORT, ID_VIEW_DATA_TABLE};
    std::vector<int> fired;
    for (QAction* pAction : Frame().findChildren<QAction*>()) {
        QObject::disconnect(pAction, &QAction::triggered, &Frame(), nullptr);
        QObject::connect(pAction, &QAction::triggered, &Frame(),
                         [&fired, pAction] { fired.push_back(pAction->data().toInt()); });
    }
    auto pressAll = [&](QWidget* pWhere) {
        for (const QString& strKey : keys)
            QTest::keySequence(pWhere, QKeySequence(strKey));
    };
    Frame().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&Frame()));
    pressAll(&View());
    EXPECT_EQ(fired, commands);
    // A dialog is a window of its own: what is typed there stays there.
    fired.clear();
    Work<CCommentsDlg>(ID_COMMENTS, [&](CCommentsDlg& dlg) {
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
        QTest::keyClicks(dlg.m_pLine[0], QStringLiteral("aceosw"));
        pressAll(&dlg);
        OK(dlg);
    });
    EXPECT_EQ(Rec().m_strComment[0], "aceosw");
    // So is the help window, which no modal dialog shades: it opens at its contents, its text
    // fits its width, and Esc or Ctrl+W closes it.
    for (QKeySequence key : {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)}) {
        App().OnHelp();
        QPointer<QTextBrowser> pHelp = Frame().findChild<QTextBrowser*>("help");
        ASSERT_TRUE(pHelp && QTest::qWaitForWindowActive(pHelp));
        EXPECT_TRUE(pHelp->cursorForPosition(QPoint(5, 5)).block().text().contains("Contents"));
        pressAll(pHelp);
        EXPECT_TRUE(fired.empty());
        (void)pHelp->document()->documentLayout()->documentSize();  // laid out whole
        QCoreApplication::processEvents();
        EXPECT_EQ(pHelp->horizontalScrollBar()->maximum(), 0);
        QTest::keySequence(pHelp, key);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !pHelp; })) << key.toString().toStdString();
    }
    // Help that cannot be found is said so; About shows the name and version.
    App().m_strHelpUrl = QStringLiteral("qrc:/help/missing.html#Contents");
    m_boxes.m_answers = {IDOK};
    Frame().OnCommand(ID_HELP_CONTENTS);
    EXPECT_EQ(m_boxes.TakeTexts(), Strings{"Failed to launch help."});
    Answer<QDialog>([](QDialog& dlg) {
        EXPECT_EQ(dlg.findChild<QLabel*>("text")->text(), "Zefron  Version 1.1");
        OK(dlg);
    });
    Frame().OnCommand(ID_APP_ABOUT);
}

// On the primary screen, wherever it lies on the desktop (also run on screens set by a file); the
// splash is centred on it.
TEST_F(MainFrameTest, WindowCoversTheScreenByTheRule) {
    EXPECT_EQ(CMainFrame::InitialGeometry(QSize(1024, 768)), QRect(5, 3, 1013, 760));
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const QString strPlatform = qEnvironmentVariable("QT_QPA_PLATFORM");
    if (strPlatform.contains(QLatin1String("1024x768"))) {
        EXPECT_EQ(screen, QRect(0, 0, 1024, 768));
    } else if (strPlatform.contains(QLatin1String("offset"))) {
        EXPECT_EQ(screen, QRect(1280, 200, 1024, 768));
    }
    EXPECT_EQ(Frame().frameGeometry(),
              CMainFrame::InitialGeometry(screen.size()).translated(screen.topLeft()));
    App().ShowSplash();
    EXPECT_EQ(App().m_pSplash->geometry().center(), screen.center());
    App().DestroySplash();
}

// A prompt that comes and goes leaves the idle text. The link's pane follows the on-line flag: a
// Cancel on a link box takes it off line, COM Port brings it back, a cancelled one leaves it so.
// Off X the lock keys are followed from the keys that reach any of the program's windows, each
// counted once; where key events carry the keyboard's state, any key sets Caps and Num from it.
TEST_F(MainFrameTest, TheStatusBarShowsPromptsTheLinkAndTheLockKeys) {
    Frame().m_wndStatusBar->showMessage(QStringLiteral("Open an existing document"));
    Frame().m_wndStatusBar->clearMessage();
    // The panes from left to right as the bar lays them out: the keyboard's stay where they
    // always were, and the link's comes after them.
    QList<QLabel*> labels =
        Frame().m_wndStatusBar->findChildren<QLabel*>(Qt::FindDirectChildrenOnly);
    std::sort(labels.begin(), labels.end(),
              [](QLabel* a, QLabel* b) { return a->geometry().x() < b->geometry().x(); });
    QStringList panes;
    for (QLabel* p : labels)
        panes << p->objectName() + '=' + p->text();
    EXPECT_EQ(panes, QStringList({"message=Ready", "CAP=", "NUM=", "SCRL=", "link=ON-LINE",
                                  "fan=UNKNOWN"}));
    // The fan runs, and the controller falls silent at the stop.
    m_line.m_fnAnswer = [](const std::string& cmd) { return std::string(cmd == "S" ? "4\r" : ""); };
    m_boxes.m_answers = {IDCANCEL};
    Frame().OnCommand(ID_STOP_WIND);
    EXPECT_EQ(m_boxes.TakeTexts().size(), 1u);
    RunLoop(20);
    EXPECT_EQ(Frame().LinkText(), "OFF-LINE");
    m_line.m_fnAnswer = nullptr;
    for (bool bOk : {true, false}) {
        Work<CComPortDlg>(ID_COM_PORT, [this, bOk](QDialog& dlg) {
            EXPECT_EQ(Frame().LinkText(), "OFF-LINE");  // nothing goes to the tunnel meanwhile
            bOk ? OK(dlg) : dlg.reject();
        });
        RunLoop(20);
        EXPECT_EQ(Frame().LinkText(), "ON-LINE");  // a Cancel leaves the link as it was
    }
    ASSERT_FALSE(LockKeyState().has_value());  // no X server here
    Frame().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&Frame()));
    const std::pair<Qt::Key, const char*> presses[] = {
        {Qt::Key_CapsLock, "CAP//"},     {Qt::Key_NumLock, "CAP/NUM/"},
        {Qt::Key_Shift, "CAP/NUM/"},     {Qt::Key_ScrollLock, "CAP/NUM/SCRL"},
        {Qt::Key_CapsLock, "/NUM/SCRL"}, {Qt::Key_NumLock, "//SCRL"},
        {Qt::Key_ScrollLock, "//"}};
    for (auto [key, pszShown] : presses) {
        QTest::keyClick(Frame().windowHandle(), key);
        EXPECT_EQ(Frame().IndicatorText(0) + '/' + Frame().IndicatorText(1) + '/' +
                      Frame().IndicatorText(2),
                  pszShown)
            << key;
    }
    for (bool bNative : {false, true}) {
        CLockKeys keys(bNative);
        for (auto [key, nNative] :
             {std::pair{Qt::Key_ScrollLock, 0u}, {Qt::Key_A, 0x12u}, {Qt::Key_CapsLock, 0x12u}})
            keys.OnKeyPress(QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier, 0, 0, nNative));
        EXPECT_EQ(keys.State(), bNative ? 4u | 2u : 4u | 1u) << bNative;  // 0x12: Caps and Num
    }
}

using StartupTest = CConsoleTest;

// Alone, with no window's timers about: nothing but the splash's own wakes the program.
TEST_F(StartupTest, TheSplashGoesAfterASecondWithoutAnyInputToWakeTheProgram) {
    QElapsedTimer clock;
    clock.start();
    m_tSkew = 0xffffff00 - ProcessMillis();  // its second spans the 32-bit counter's wrap
    ASSERT_TRUE(m_port.Open());
    m_port.m_bOnline = 1;
    // Nothing reads the reset's reply: one longer than its buffer does not fail the start-up.
    m_line.m_fnAnswer = [this](const std::string& cmd) {
        return cmd == "\x03" ? "READY " + std::string(60, '#') + "\r" : m_line.DefaultAnswer(cmd);
    };
    App().ShowSplash();
    QEventLoop loop;
    qint64 nGone = -1;
    QObject::connect(App().m_pSplash, &QObject::destroyed, &loop, [&] {
        nGone = clock.elapsed();
        QTimer::singleShot(50, &loop, &QEventLoop::quit);
    });
    QTimer::singleShot(4000, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_GE(nGone, 1000);
    EXPECT_LT(nGone, 1800);
    EXPECT_EQ(Sent(), (Strings{"<03>", "C"}));
    EXPECT_EQ(m_port.m_bOnline, 1);
}

// The settings reach the test; a press on the splash ends it at the next idle pass, one elsewhere
// at once.
TEST_F(StartupTest, APressOnTheSplashEndsItAtTheNextIdlePassOneElsewhereAtOnce) {
    Start("[System]\r\nCOM Port=1\r\nMax Speed=100\r\nUnits=0\r\n");
    EXPECT_EQ(std::tuple(Rec().m_dMaxSpeed, Rec().m_bEnglish), std::tuple(100.0, 0));
    for (bool bOnSplash : {true, false}) {
        for (int nPress = 0; nPress < 3; ++nPress) {
            SCOPED_TRACE(nPress);
            App().ShowSplash();
            CSplashWnd* pSplash = App().m_pSplash;
            QWidget* pWhere = bOnSplash ? static_cast<QWidget*>(pSplash) : &View();
            if (nPress == 0)
                QTest::keyClick(pWhere, Qt::Key_Space);
            else
                QTest::mouseClick(pWhere, nPress == 1 ? Qt::LeftButton : Qt::MiddleButton);
            EXPECT_EQ(App().m_pSplash, bOnSplash ? pSplash : nullptr);
            RunLoop(50, [this] { return App().m_pSplash == nullptr; });
            EXPECT_EQ(App().m_pSplash, nullptr);
            EXPECT_EQ(Sent(), bOnSplash ? (Strings{"<03>", "C"}) : Strings{});
        }
    }
    // An accelerator pressed elsewhere ends it too, and does its work.
    App().ShowSplash();
    Key(Qt::Key_F1);
    EXPECT_EQ(App().m_pSplash, nullptr);
    EXPECT_NE(Frame().findChild<QTextBrowser*>("help"), nullptr);
}

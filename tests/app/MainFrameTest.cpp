// The main window: caption and place, menus with their prompts, the accelerators and what they
// reach, the toolbar, the status bar, the View menu, and New.

#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPrintDialog>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <map>

#include "ShellHarness.h"
#include "app/Commands.h"
#include "dialogs/Dialogs.h"

namespace {

using Texts = std::vector<std::string>;

struct MenuItem {
    const char* pMenu;
    const char* pText;  // nullptr for a separator
    const char* pStatus;
    const char* pTip;  // nullptr when the command has none
};

// The menu as the operator knows it.
const MenuItem MENU[] = {
    {"&File", "&Open...\tCtrl+O", "Open an existing document", "Open"},
    {"&File", "&Save As\tCtrl+S", "Save the active document", "Save"},
    {"&File", nullptr, nullptr, nullptr},
    {"&File", "&Print...\tCtrl+P", "Print the active document", "Print"},
    {"&File", "Print Pre&view", "Display full pages", "Print Preview"},
    {"&File", "P&rint Setup...", "Change the printer and printing options", "Print Setup"},
    {"&File", nullptr, nullptr, nullptr},
    {"&File", "E&xit", "Quit the application; prompts to save documents", "Exit"},
    {"&System", "&COM Port", "Select the serial COM Port", nullptr},
    {"&System", "&Axis\tA", "Change Axis scale", nullptr},
    {"&Test", "&Stop Wind\tS", "Return Wind speed to Zero", "Stop"},
    {"&Test", nullptr, nullptr, nullptr},
    {"&Test", "S&et Wind speed\tW", "Set Wind to desired speed", "Set Wind"},
    {"&Test", "&Increment Wind Speed\tPage Up", "Increment Wind speed", nullptr},
    {"&Test", "&Decrement Wind Speed\tPage Down", "Decrement Wind Speed", nullptr},
    {"&Test", "&Enter Comments\tE", "Enter comments on graph", nullptr},
    {"&Test", "&Clear Graph\tC", "Clear graph results", nullptr},
    {"&Test", "C&onfigure", "Configure test options", nullptr},
    {"&Overlay", "&Set\tO", "Set Overlay", nullptr},
    {"&Overlay", "&Clear", "Clear Overlay", nullptr},
    {"&View", "&Toolbar", "Show or hide the toolbar", "Toggle ToolBar"},
    {"&View", "&Status Bar", "Show or hide the status bar", "Toggle StatusBar"},
    {"&Help", "&On line Help\tF1", "Display On line Help Contents", "Help"},
    {"&Help", nullptr, nullptr, nullptr},
    {"&Help", "&About Zefron...", "Display About Dialog", "About"},
};

int RecordedSlots(const SlotTable& table) {
    return static_cast<int>(
        std::count_if(table.begin(), table.end(), [](double d) { return d != EMPTY_SLOT; }));
}

class MainFrameTest : public CShellTest {
protected:
    void SetUp() override {
        CShellTest::SetUp();
        StartOnline();
        LetSplashGo();
    }

    // A key as the operator presses it in the main window.
    void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        ActivateFrame();
        QTest::keyClick(&View(), key, modifiers);
    }

    // Expects the next modal window to have this caption, and closes it.
    void ExpectModal(const char* pszCaption) {
        Modal().Then([pszCaption](QWidget* pModal) {
            EXPECT_EQ(pModal->windowTitle().toStdString(), pszCaption);
            static_cast<QDialog*>(pModal)->reject();
        });
    }

    QString Message() const {
        const QString strPrompt = Frame().statusBar()->currentMessage();
        return strPrompt.isEmpty() ? Frame().MessageLabel()->text() : strPrompt;
    }
};

}  // namespace

TEST_F(MainFrameTest, MenusCarryTheirTextsAndShortcutsAndPromptTheStatusBar) {
    std::vector<const MenuItem*> expected;
    for (const MenuItem& item : MENU) {
        expected.push_back(&item);
    }
    std::size_t i = 0;
    for (QAction* pMenuAction : Frame().menuBar()->actions()) {
        QMenu* pMenu = pMenuAction->menu();
        ASSERT_NE(pMenu, nullptr);
        Frame().menuBar()->setActiveAction(pMenuAction);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(pMenu));
        for (QAction* pAction : pMenu->actions()) {
            ASSERT_LT(i, expected.size());
            const MenuItem& item = *expected[i++];
            SCOPED_TRACE(item.pText ? item.pText : "separator");
            EXPECT_EQ(pMenuAction->text().toStdString(), item.pMenu);
            if (!item.pText) {
                EXPECT_TRUE(pAction->isSeparator());
                continue;
            }
            EXPECT_EQ(pAction->text().toStdString(), item.pText);
            if (item.pTip) {
                EXPECT_EQ(pAction->toolTip().toStdString(), item.pTip);
            }
            // Highlighting the item shows the text before "\n" in the status bar.
            pMenu->setActiveAction(pAction);
            EXPECT_EQ(Frame().statusBar()->currentMessage().toStdString(), item.pStatus);
        }
        pMenu->hide();
        Frame().menuBar()->setActiveAction(nullptr);
    }
    EXPECT_EQ(i, expected.size());
    // With no menu open the pane says it is ready.
    QTest::qWait(20);
    EXPECT_EQ(Message(), "Ready");
}

TEST_F(MainFrameTest, TheAcceleratorsAreExactlyThese) {
    const std::map<std::string, int> expected = {
        {"A", ID_AXIS},
        {"C", ID_CLEAR_GRAPH},
        {"E", ID_COMMENTS},
        {"O", ID_OVERLAY_SET},
        {"S", ID_STOP_WIND},
        {"Home", ID_STOP_WIND},
        {"W", ID_SET_WIND},
        {"PgUp", ID_INCREMENT_WIND},
        {"PgDown", ID_DECREMENT_WIND},
        {"F1", ID_HELP_CONTENTS},
        {"Ctrl+N", ID_FILE_NEW},
        {"Ctrl+O", ID_FILE_OPEN},
        {"Ctrl+S", ID_FILE_SAVE_AS},
        {"Ctrl+P", ID_FILE_PRINT},
    };
    std::map<std::string, int> found;
    for (QAction* pAction : Frame().findChildren<QAction*>()) {
        for (const QKeySequence& key : pAction->shortcuts()) {
            EXPECT_TRUE(found.emplace(key.toString().toStdString(), pAction->data().toInt()).second)
                << "twice: " << key.toString().toStdString();
            EXPECT_EQ(pAction->shortcutContext(), Qt::WindowShortcut);
        }
    }
    EXPECT_EQ(found, expected);
    EXPECT_TRUE(Frame().findChildren<QShortcut*>().isEmpty());
}

TEST_F(MainFrameTest, EachAcceleratorReachesItsCommand) {
    // Speed commands with the fan at rest and an empty test (no question to answer).
    Press(Qt::Key_S);
    EXPECT_EQ(m_line.TakeWrites(), Texts{"S"});  // Stop asks the status, finds the fan at rest
    EXPECT_EQ(thePort.m_nPollTimer, 0u);
    Press(Qt::Key_Home);
    EXPECT_EQ(m_line.TakeWrites(), Texts{"S"});
    Press(Qt::Key_PageUp);
    EXPECT_EQ(View().m_rec.m_dTargetSpeed, 5.0);
    EXPECT_NE(thePort.m_nPollTimer, 0u);
    View().KillPollTimer();
    Press(Qt::Key_PageUp, Qt::KeypadModifier);  // the keypad's Page Up as well
    EXPECT_EQ(View().m_rec.m_dTargetSpeed, 10.0);
    View().KillPollTimer();
    Press(Qt::Key_PageDown);
    EXPECT_EQ(View().m_rec.m_dTargetSpeed, 5.0);
    EXPECT_NE(thePort.m_nPollTimer, 0u);
    View().KillPollTimer();
    m_line.TakeWrites();

    // Commands that open a window.
    const std::vector<std::tuple<Qt::Key, Qt::KeyboardModifiers, const char*>> dialogs = {
        {Qt::Key_W, Qt::NoModifier, "Wind Speed"},
        {Qt::Key_A, Qt::NoModifier, "Axis"},
        {Qt::Key_E, Qt::NoModifier, "Comments"},
    };
    for (const auto& [key, modifiers, pszCaption] : dialogs) {
        ExpectModal(pszCaption);
        Press(key, modifiers);
        EXPECT_TRUE(Modal().Done()) << pszCaption;
    }
    Modal().Then([](QWidget* pModal) {
        auto* pDlg = qobject_cast<QFileDialog*>(pModal);
        ASSERT_NE(pDlg, nullptr);
        EXPECT_EQ(pDlg->acceptMode(), QFileDialog::AcceptOpen);
        pDlg->reject();
    });
    Press(Qt::Key_O, Qt::ControlModifier);
    Modal().Then([](QWidget* pModal) {
        auto* pDlg = qobject_cast<QFileDialog*>(pModal);
        ASSERT_NE(pDlg, nullptr);
        EXPECT_EQ(pDlg->acceptMode(), QFileDialog::AcceptSave);
        pDlg->reject();
    });
    Press(Qt::Key_S, Qt::ControlModifier);
    Modal().Then([](QWidget* pModal) {
        ASSERT_NE(qobject_cast<QPrintDialog*>(pModal), nullptr);
        static_cast<QDialog*>(pModal)->reject();
    });
    Press(Qt::Key_P, Qt::ControlModifier);
    EXPECT_TRUE(Modal().Done());
    EXPECT_EQ(HelpWindow(), nullptr);
    Press(Qt::Key_F1);
    ASSERT_NE(HelpWindow(), nullptr);
    EXPECT_TRUE(HelpWindow()->isVisible());

    // Commands on the test's data.
    OpenData("english-wing.ZEF");
    const int nRecorded = RecordedSlots(View().m_rec.m_lift.m_dValue);
    ASSERT_GT(nRecorded, 3);
    Press(Qt::Key_O);
    EXPECT_EQ(RecordedSlots(View().m_rec.m_lift.m_dOverlay), nRecorded);
    Press(Qt::Key_C);
    EXPECT_EQ(RecordedSlots(View().m_rec.m_lift.m_dValue), 1);  // slot 0 only
    EXPECT_EQ(RecordedSlots(View().m_rec.m_lift.m_dOverlay), nRecorded);
    Press(Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(RecordedSlots(View().m_rec.m_lift.m_dOverlay), 0);
    EXPECT_TRUE(m_boxes.m_shown.empty());
    EXPECT_TRUE(m_line.m_writes.empty());
}

TEST_F(MainFrameTest, ThePollTicksEvery150MillisecondsThroughTheView) {
    Press(Qt::Key_PageUp);  // 5 mph: the poll starts
    ASSERT_NE(thePort.m_nPollTimer, 0u);
    RunLoop(1000);
    View().KillPollTimer();
    const Texts writes = m_line.TakeWrites();
    ASSERT_GE(writes.size(), 3u);
    // Each tick asks the status, commands the ramp's next speed and reads the tunnel.
    EXPECT_EQ(Texts(writes.begin(), writes.begin() + 3), (Texts{"S", "W5<CR>", "R"}));
    const auto nTicks = std::count(writes.begin(), writes.end(), "S");
    EXPECT_GE(nTicks, 3);
    EXPECT_LE(nTicks, 7);  // 1000 ms / 150 ms
    EXPECT_TRUE(m_boxes.m_shown.empty());
}

TEST_F(MainFrameTest, PlainLettersTypedInAnotherWindowStayThere) {
    OpenData("english-wing.ZEF");
    const int nRecorded = RecordedSlots(View().m_rec.m_lift.m_dValue);
    Modal().Then([](QWidget* pModal) {
        auto* pDlg = dynamic_cast<CCommentsDlg*>(pModal);
        ASSERT_NE(pDlg, nullptr);
        QLineEdit* pLine = pDlg->m_pLine[0];
        pLine->setFocus();
        pLine->clear();
        QTest::keyClicks(pLine, QStringLiteral("aceosw"));
        QTest::keyClick(pLine, Qt::Key_Home);
        QTest::keyClick(pLine, Qt::Key_PageUp);
        static_cast<QDialog*>(pModal)->accept();
    });
    Press(Qt::Key_E);
    EXPECT_EQ(Modal().Handled(), 1);  // no dialog but Comments
    EXPECT_EQ(View().m_rec.m_strComment[0], "aceosw");
    EXPECT_EQ(RecordedSlots(View().m_rec.m_lift.m_dValue), nRecorded);
    EXPECT_EQ(RecordedSlots(View().m_rec.m_lift.m_dOverlay), 0);
    EXPECT_EQ(View().m_rec.m_dTargetSpeed, 0.0);

    // Nor do they act through the help window.
    Press(Qt::Key_F1);
    QTextBrowser* pHelp = HelpWindow();
    ASSERT_NE(pHelp, nullptr);
    pHelp->activateWindow();
    // (A window that belongs to the main window counts as active with it: ask for the window.)
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == pHelp; }));
    QTest::keyClicks(pHelp, QStringLiteral("co"));
    EXPECT_EQ(RecordedSlots(View().m_rec.m_lift.m_dValue), nRecorded);
    EXPECT_EQ(RecordedSlots(View().m_rec.m_lift.m_dOverlay), 0);
    EXPECT_TRUE(m_boxes.m_shown.empty());
    EXPECT_TRUE(m_line.m_writes.empty());
}

TEST_F(MainFrameTest, ToolbarHasItsEightEntriesWithImagesTipsAndPrompts) {
    const Texts tips = {"Open", "Save", "", "Set Wind", "Stop", "", "Print", "Help"};
    const Texts prompts = {"Open an existing document", "Save the active document",     "",
                           "Set Wind to desired speed", "Return Wind speed to Zero",    "",
                           "Print the active document", "Display On line Help Contents"};
    const QImage strip =
        QImage(QStringLiteral(":/toolbar.png")).convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(strip.size(), QSize(144, 15));
    const QList<QAction*> actions = Frame().m_wndToolBar->actions();
    ASSERT_EQ(actions.size(), 8);
    std::vector<QImage> images;
    for (int i = 0; i < 8; ++i) {
        SCOPED_TRACE(i);
        QAction* pAction = actions[i];
        if (tips[i].empty()) {
            EXPECT_TRUE(pAction->isSeparator());
            continue;
        }
        EXPECT_EQ(pAction->toolTip().toStdString(), tips[i]);
        auto* pButton = qobject_cast<QToolButton*>(Frame().m_wndToolBar->widgetForAction(pAction));
        ASSERT_NE(pButton, nullptr);
        // Its image is the next of the strip's 16 x 15 cells.
        const QImage image = pAction->icon()
                                 .pixmap(QSize(16, 15), 1.0)
                                 .toImage()
                                 .convertToFormat(QImage::Format_ARGB32);
        EXPECT_EQ(image, strip.copy(static_cast<int>(images.size()) * 16, 0, 16, 15));
        images.push_back(image);
        // The mouse resting on it shows its prompt in the status bar.
        QTest::mouseMove(pButton);
        (void)QTest::qWaitFor([&] { return !Frame().statusBar()->currentMessage().isEmpty(); },
                              500);
        EXPECT_EQ(Frame().statusBar()->currentMessage().toStdString(), prompts[i]);
        QTest::mouseMove(&View(), QPoint(300, 300));
        (void)QTest::qWaitFor([&] { return Frame().statusBar()->currentMessage().isEmpty(); }, 500);
        EXPECT_EQ(Message(), "Ready");
    }
    EXPECT_EQ(images.size(), 6u);
    for (std::size_t i = 1; i < images.size(); ++i) {
        EXPECT_NE(images[i], images[i - 1]);
    }
    EXPECT_EQ(Frame().m_wndToolBar->iconSize(), QSize(16, 15));
}

TEST_F(MainFrameTest, StatusBarHasTheMessagePaneAndTheThreeLockIndicators) {
    QStatusBar* pBar = Frame().statusBar();
    EXPECT_EQ(pBar, Frame().m_wndStatusBar);
    const QList<QLabel*> labels = pBar->findChildren<QLabel*>(Qt::FindDirectChildrenOnly);
    ASSERT_EQ(labels.size(), 4);
    EXPECT_EQ(labels[0], Frame().MessageLabel());
    // Left to right: the message pane, then CAP, NUM and SCRL.
    for (int i = 1; i < 4; ++i) {
        EXPECT_LT(labels[i - 1]->geometry().right(), labels[i]->geometry().left());
    }
    EXPECT_GT(labels[0]->width(), pBar->width() / 2);
    // The offscreen platform has no lock keys to report.
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(Frame().IndicatorText(i).isEmpty());
    }
    // The graph's status line is written into the first pane.
    View().SetStatusText("STOPPED - Wind Speed:  0.0 MPH.");
    EXPECT_EQ(Frame().MessageLabel()->text(), "STOPPED - Wind Speed:  0.0 MPH.");
}

TEST_F(MainFrameTest, ViewMenuHidesAndShowsBothBars) {
    QAction* pToolbar = Frame().Action(ID_VIEW_TOOLBAR);
    QAction* pStatus = Frame().Action(ID_VIEW_STATUS_BAR);
    ASSERT_TRUE(pToolbar && pStatus);
    EXPECT_TRUE(pToolbar->isChecked());
    EXPECT_TRUE(pStatus->isChecked());

    pToolbar->trigger();
    EXPECT_FALSE(Frame().m_wndToolBar->isVisible());
    EXPECT_FALSE(pToolbar->isChecked());
    pToolbar->trigger();
    EXPECT_TRUE(Frame().m_wndToolBar->isVisible());
    EXPECT_TRUE(pToolbar->isChecked());
    EXPECT_EQ(Frame().m_wndToolBar->actions().size(), 8);

    pStatus->trigger();
    EXPECT_FALSE(Frame().m_wndStatusBar->isVisible());
    EXPECT_FALSE(pStatus->isChecked());
    pStatus->trigger();
    EXPECT_TRUE(Frame().m_wndStatusBar->isVisible());
    EXPECT_TRUE(pStatus->isChecked());
}

TEST_F(MainFrameTest, CaptionStaysZefronWhateverFileIsOpenedOrSaved) {
    EXPECT_EQ(Frame().windowTitle(), "Zefron");
    EXPECT_FALSE(Frame().windowIcon().isNull());
    OpenData("english-wing.ZEF");
    EXPECT_EQ(Frame().windowTitle(), "Zefron");
    View().SaveTestFile(m_dir.filePath(QStringLiteral("saved.ZEF")));
    EXPECT_EQ(Frame().windowTitle(), "Zefron");
}

TEST_F(MainFrameTest, WindowCoversTheScreenByTheRule) {
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    EXPECT_EQ(Frame().frameGeometry(), CMainFrame::InitialGeometry(screen));
    if (screen == QSize(1024, 768)) {
        EXPECT_EQ(Frame().frameGeometry(), QRect(5, 3, 1013, 760));
    }
}

TEST(MainFrameGeometry, AboutNinetyNinePerCentNearlyCentred) {
    EXPECT_EQ(CMainFrame::InitialGeometry({640, 480}), QRect(3, 2, 633, 475));
    EXPECT_EQ(CMainFrame::InitialGeometry({800, 600}), QRect(3, 2, 792, 594));
    EXPECT_EQ(CMainFrame::InitialGeometry({1024, 768}), QRect(5, 3, 1013, 760));
    EXPECT_EQ(CMainFrame::InitialGeometry({1280, 1024}), QRect(6, 5, 1267, 1013));
}

TEST_F(MainFrameTest, NewEmptiesTheTestAndTheWindowShowsIt) {
    OpenData("english-wing.ZEF");
    Press(Qt::Key_O);
    View().repaint();
    const QImage withCurves = View().Image().copy();

    Press(Qt::Key_N, Qt::ControlModifier);
    View().repaint();
    const QImage afterNew = View().Image().copy();

    EXPECT_EQ(RecordedSlots(View().m_rec.m_lift.m_dValue), 1);
    EXPECT_EQ(RecordedSlots(View().m_rec.m_lift.m_dOverlay), 0);
    for (const std::string& strComment : View().m_rec.m_strComment) {
        EXPECT_TRUE(strComment.empty());
    }
    EXPECT_TRUE(theApp.m_doc.Title().isEmpty());
    EXPECT_TRUE(m_boxes.m_shown.empty());
    // The window shows the emptied test as a full draw would, not the old curves.
    View().Invalidate();
    View().repaint();
    EXPECT_NE(withCurves, View().Image());
    EXPECT_EQ(afterNew, View().Image());
}

// About Zefron, and the operator's manual in the program's help window.

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QWindow>

#include "ShellHarness.h"
#include "app/AboutDlg.h"
#include "app/Commands.h"

namespace {

using Texts = std::vector<std::string>;

class HelpAboutTest : public CShellTest {
protected:
    void SetUp() override {
        CShellTest::SetUp();
        WriteProfile("[System]\r\nCOM Port=1\r\n");
        m_line.m_missing.insert("/dev/ttyS0");
        m_boxes.m_answers = {IDOK};
        Modal().Then([](QWidget* pModal) { static_cast<QDialog*>(pModal)->reject(); });
        ASSERT_TRUE(theApp.InitInstance());  // off-line
        m_boxes.TakeTexts();
        LetSplashGo();
    }
};

}  // namespace

TEST_F(HelpAboutTest, AboutShowsTheIconNameAndVersionAndOK) {
    Modal().Then([](QWidget* pModal) {
        EXPECT_EQ(pModal->windowTitle(), "About Zefron");
        QStringList texts;
        bool bIcon = false;
        for (QLabel* pLabel : pModal->findChildren<QLabel*>()) {
            if (!pLabel->pixmap().isNull()) {
                bIcon = true;
            } else {
                texts << pLabel->text();
            }
        }
        EXPECT_TRUE(bIcon);
        EXPECT_EQ(texts, QStringList{QStringLiteral("Zefron  Version 1.1")});
        const QList<QPushButton*> buttons = pModal->findChildren<QPushButton*>();
        ASSERT_EQ(buttons.size(), 1);
        EXPECT_EQ(buttons[0]->text().remove(QLatin1Char('&')), "OK");
        buttons[0]->click();
    });
    Frame().Action(ID_APP_ABOUT)->trigger();
    EXPECT_TRUE(Modal().Done());
}

TEST_F(HelpAboutTest, HelpShowsTheManualAtItsContentsInOneWindowOfTheProgram) {
    ActivateFrame();
    QTest::keyClick(&View(), Qt::Key_F1);
    QTextBrowser* pHelp = HelpWindow();
    ASSERT_NE(pHelp, nullptr);
    EXPECT_TRUE(pHelp->isVisible());
    EXPECT_EQ(pHelp->source().fragment(), "Contents");
    EXPECT_FALSE(pHelp->document()->isEmpty());
    // The view is scrolled to the anchor: the first line shown is the contents' heading.
    const QTextCursor at = pHelp->cursorForPosition(QPoint(5, 5));
    EXPECT_TRUE(at.block().text().contains(QLatin1String("Contents"), Qt::CaseInsensitive))
        << at.block().text().toStdString();

    // Asked again, the same window comes forward.
    Frame().Action(ID_HELP_CONTENTS)->trigger();
    EXPECT_EQ(HelpWindow(), pHelp);
    int nHelpWindows = 0;
    for (QWidget* pWidget : QApplication::topLevelWidgets()) {
        nHelpWindows += pWidget->objectName() == QLatin1String("help");
    }
    EXPECT_EQ(nHelpWindows, 1);
    EXPECT_TRUE(m_boxes.m_shown.empty());
}

TEST_F(HelpAboutTest, ClosingTheMainWindowEndsTheProgramWhileHelpIsOpen) {
    Frame().Action(ID_HELP_CONTENTS)->trigger();
    ASSERT_NE(HelpWindow(), nullptr);
    Frame().Action(ID_APP_EXIT)->trigger();
    QTest::qWait(20);
    // The program ends when no primary window is left showing; the help window is not one.
    for (QWidget* pWidget : QApplication::topLevelWidgets()) {
        const bool bPrimary =
            pWidget->testAttribute(Qt::WA_QuitOnClose) &&
            !(pWidget->windowHandle() && pWidget->windowHandle()->transientParent());
        EXPECT_FALSE(pWidget->isVisible() && bPrimary)
            << pWidget->metaObject()->className() << " keeps the program running";
    }
}

TEST_F(HelpAboutTest, AManualThatCannotBeShownIsSaidSo) {
    theApp.m_strHelpUrl = QStringLiteral("qrc:/help/missing.html#Contents");
    m_boxes.m_answers = {IDOK};
    Frame().Action(ID_HELP_CONTENTS)->trigger();
    ASSERT_EQ(m_boxes.m_shown.size(), 1u);
    EXPECT_EQ(m_boxes.m_shown[0].strText, "Failed to launch help.");
    EXPECT_EQ(EffectiveIcon(m_boxes.m_shown[0].nType), unsigned{MB_ICONEXCLAMATION});
    EXPECT_EQ(m_boxes.m_shown[0].nType & MB_TYPEMASK, unsigned{MB_OK});
    EXPECT_EQ(HelpWindow(), nullptr);
}

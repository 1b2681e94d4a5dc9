// Start-up in its order (settings, main window, port, splash), the dialog colours, the
// application's names, and an exit that adds nothing.

#include <QComboBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

#include "ShellHarness.h"
#include "app/Commands.h"
#include "app/SplashWnd.h"
#include "dialogs/Dialogs.h"

namespace {

using Texts = std::vector<std::string>;

// What a dialog of start-up saw of the rest of the program when it came up.
struct StartupMoment {
    bool bMainVisible = false;
    bool bSplash = true;
    QString strProposed;
    int nStoredPort = 0;
};

class StartupTest : public CShellTest {
protected:
    // Records the moment, then chooses strPort (or cancels when it is empty).
    void ChoosePort(StartupMoment& moment, const QString& strPort) {
        Modal().Then([this, &moment, strPort](QWidget* pModal) {
            CComPortDlg* pDlg = PortDialog(pModal);
            ASSERT_NE(pDlg, nullptr);
            moment.bMainVisible = theApp.m_pMainWnd && theApp.m_pMainWnd->isVisible();
            moment.bSplash = theApp.m_pSplash != nullptr;
            moment.strProposed = pDlg->m_pPort->currentText();
            moment.nStoredPort = StoredPort();
            if (strPort.isEmpty()) {
                pDlg->reject();
                return;
            }
            pDlg->m_pPort->setEditText(strPort);
            pDlg->m_btnOK->click();
        });
    }
};

}  // namespace

TEST_F(StartupTest, FirstStartShowsTheWindowThenAsksForAPortThenShowsTheSplash) {
    m_line.m_missing.insert("/dev/ttyS1");
    StartupMoment first, second;
    ChoosePort(first, QStringLiteral("COM2"));
    ChoosePort(second, QStringLiteral("COM3"));
    int nStoredWhenRefused = 0;
    m_boxes.m_answers = {IDOK};
    m_boxes.m_fnWhileShown = [&](const std::string&) { nStoredWhenRefused = StoredPort(); };

    ASSERT_TRUE(theApp.InitInstance());

    EXPECT_TRUE(first.bMainVisible);
    EXPECT_FALSE(first.bSplash);
    EXPECT_EQ(first.strProposed, "COM1");  // a fresh installation proposes the first port
    EXPECT_EQ(first.nStoredPort, -1);
    EXPECT_EQ(nStoredWhenRefused, 2);  // stored before it was tried
    EXPECT_EQ(m_boxes.TakeTexts(), Texts{"Serial Port not detected!"});
    EXPECT_TRUE(second.bMainVisible);
    EXPECT_FALSE(second.bSplash);
    EXPECT_EQ(second.strProposed, "COM2");  // the port that just failed
    EXPECT_EQ(StoredPort(), 3);
    EXPECT_EQ(thePort.m_bOnline, 1);
    EXPECT_EQ(thePort.m_nPort, 3);
    ASSERT_NE(theApp.m_pSplash, nullptr);
    EXPECT_TRUE(theApp.m_pSplash->isVisible());
    EXPECT_TRUE(
        m_line.TakeWrites().empty());  // the controller hears nothing before the splash goes
}

TEST_F(StartupTest, AStoredPortThatOpensAsksNothingAndWritesNothing) {
    const char* pszProfile =
        "; lab tunnel\r\n[System]\r\nCOM Port=2\r\nAbsolute Max Speed=100\r\n"
        "Max Speed=60\r\nUnits=2\r\n";
    WriteProfile(pszProfile);

    ASSERT_TRUE(theApp.InitInstance());

    EXPECT_EQ(thePort.m_bOnline, 1);
    EXPECT_EQ(m_line.m_opened, std::vector<std::string>{"/dev/ttyS1"});
    EXPECT_TRUE(m_boxes.m_shown.empty());
    EXPECT_EQ(ReadProfile(), pszProfile);
    // The settings reach the view's test record.
    EXPECT_EQ(View().m_rec.m_dMaxSpeed, 100.0);
    EXPECT_NE(View().m_rec.m_bEnglish, 0);  // any value but 0 is English
    ASSERT_NE(theApp.m_pSplash, nullptr);
}

TEST_F(StartupTest, CancellingThePortRunsOffLineAndKeepsTheSetting) {
    const char* pszProfile = "[System]\r\nCOM Port=4\r\nUnits=0\r\n";
    WriteProfile(pszProfile);
    m_line.m_missing.insert("/dev/ttyS3");
    StartupMoment moment;
    ChoosePort(moment, QString());
    m_boxes.m_answers = {IDOK};

    ASSERT_TRUE(theApp.InitInstance());

    EXPECT_EQ(moment.strProposed, "COM4");
    EXPECT_EQ(m_boxes.TakeTexts(), Texts{"Serial Port not detected!"});
    EXPECT_EQ(thePort.m_bOnline, 0);
    EXPECT_EQ(ReadProfile(), pszProfile);
    EXPECT_EQ(View().m_rec.m_bEnglish, 0);
    ASSERT_NE(theApp.m_pSplash, nullptr);
    EndModalScript();

    // The splash still goes by itself, and off-line nothing is sent.
    m_dwTick = theApp.m_dwSplashShown + 1000;
    RunLoop(50, [] { return theApp.m_pSplash == nullptr; });
    EXPECT_EQ(theApp.m_pSplash, nullptr);
    EXPECT_TRUE(m_line.m_writes.empty());
}

TEST_F(StartupTest, DialogsHaveTheMenuColourAndBlackText) {
    // A desktop whose menus differ from its dialogs.
    const QPalette menuPalette = QApplication::palette("QMenu");
    QPalette palette = menuPalette;
    const QColor crMenu(250, 240, 200);
    palette.setColor(QPalette::Window, crMenu);
    QApplication::setPalette(palette, "QMenu");
    StartOnline();
    QApplication::setPalette(menuPalette, "QMenu");
    CComPortDlg dlg(&Frame());
    QMessageBox box(&Frame());
    for (QWidget* pDialog : {static_cast<QWidget*>(&dlg), static_cast<QWidget*>(&box)}) {
        pDialog->ensurePolished();  // as showing does
        EXPECT_EQ(pDialog->palette().color(QPalette::Window), crMenu);
        EXPECT_EQ(pDialog->palette().color(QPalette::WindowText), QColor(Qt::black));
    }
    auto* pLabel = dlg.findChild<QLabel*>();
    ASSERT_NE(pLabel, nullptr);
    EXPECT_EQ(pLabel->palette().color(QPalette::WindowText), QColor(Qt::black));
}

TEST_F(StartupTest, ExitAsksNothingSendsNothingAndWritesNothing) {
    StartOnline();
    const std::string strProfile = ReadProfile();
    ActivateFrame();
    Frame().Action(ID_APP_EXIT)->trigger();
    EXPECT_FALSE(Frame().isVisible());
    QTest::qWait(20);
    EXPECT_TRUE(m_boxes.m_shown.empty());
    EXPECT_TRUE(m_line.m_writes.empty());
    EXPECT_EQ(ReadProfile(), strProfile);
}

TEST_F(StartupTest, TheShellComesUpAgainAfterItWasTakenDown) {
    StartOnline();
    theApp.ExitInstance();
    EXPECT_EQ(theApp.m_pMainWnd, nullptr);
    EXPECT_EQ(theApp.m_pSplash, nullptr);
    StartOnline();
    EXPECT_TRUE(Frame().isVisible());
    EXPECT_NE(theApp.m_pSplash, nullptr);
}

TEST(Application, NamesAndIconAddNothingToTheCaptions) {
    SetUpApplication();
    EXPECT_EQ(QCoreApplication::applicationName(), "zef");
    EXPECT_EQ(QGuiApplication::desktopFileName(), "zef");
    EXPECT_FALSE(QGuiApplication::windowIcon().isNull());
    // A display name of its own would be added to every caption ("Zef", "COM Port") by the
    // window system's title; without one the captions stay as they are.
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), QCoreApplication::applicationName());
}

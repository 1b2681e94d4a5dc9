// Start-up in its order (window, port, splash), the splash's ways out, and the COM Port command.

#include "ConsoleHarness.h"
#include "console/SplashWnd.h"

namespace {

class StartupTest : public CConsoleTest {
protected:
    // The next COM Port dialogs, with the main window up and no splash: what each proposed is
    // noted, the port given is taken by Enter (OK has the focus), "" cancels. The one port that
    // fails is told, and the profile as it stood then is noted.
    void Choose(std::vector<const char*> ports) {
        for (const char* pszPort : ports) {
            Answer<CComPortDlg>([this, strPort = QString::fromLatin1(pszPort)](CComPortDlg& dlg) {
                EXPECT_TRUE(theApp.m_pMainWnd && theApp.m_pMainWnd->isVisible());
                EXPECT_EQ(theApp.m_pSplash, nullptr);
                m_proposed << dlg.m_pPort->currentText();
                if (strPort.isEmpty())
                    return dlg.reject();
                dlg.m_pPort->setEditText(strPort);
                ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            });
        }
        m_boxes.m_answers = {IDOK};
        m_boxes.m_fnWhileShown = [this](const std::string&) { m_strAtRefusal = ReadProfile(); };
    }
    QStringList m_proposed;
    std::string m_strAtRefusal;
};

}  // namespace

// Alone, with no window's timers about: nothing but the splash's own wakes the program.
TEST_F(StartupTest, TheSplashGoesAfterASecondWithoutAnyInputToWakeTheProgram) {
    QElapsedTimer clock;
    clock.start();
    theApp.m_fnTickCount = [&] { return 0xffffff00u + std::uint32_t(clock.elapsed()); };
    ASSERT_TRUE(thePort.Open());
    thePort.m_bOnline = 1;
    // Nothing reads the reset's reply: one longer than its buffer does not fail the start-up.
    m_line.m_fnAnswer = [this](const std::string& cmd) {
        return cmd == "\x03" ? "READY " + std::string(60, '#') + "\r" : m_line.DefaultAnswer(cmd);
    };
    theApp.ShowSplash();
    QEventLoop loop;
    qint64 nGone = -1;
    QObject::connect(theApp.m_pSplash, &QObject::destroyed, &loop, [&] {
        nGone = clock.elapsed();
        QTimer::singleShot(50, &loop, &QEventLoop::quit);
    });
    QTimer::singleShot(4000, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_GE(nGone, 1000);
    EXPECT_LT(nGone, 1800);
    EXPECT_EQ(Sent(), (Strings{"<03>", "C"}));
    EXPECT_EQ(thePort.m_bOnline, 1);
}

// Settings, window, port (asked for until one opens or Cancel), then the splash, whose idle pass
// after a second resets a controller on line.
TEST_F(StartupTest, SettingsWindowPortThenTheSplashWhoseIdlePassResetsAControllerOnLine) {
    // As an operator may write it by hand; a maximum that is no whole number is passed over.
    const std::string strHand =
        "; lab\r\n[ system ]\r\n com port = 4 \r\nAbsolute Max Speed=-5\r\nMAX SPEED=100\r\n"
        "Units=0 ; metric\r\n[Ports]\r\nCOM4 = \"/dev/zef tunnel\"\r\n";
    for (bool bStored : {false, true}) {
        SCOPED_TRACE(bStored);
        m_line.m_opened.clear();
        m_line.m_timeouts.clear();
        m_line.m_missing = {"/dev/ttyS1"};
        m_proposed.clear();
        m_strAtRefusal.clear();
        // First a fresh installation, where the second port is not there, and a Cancel at last.
        if (bStored)
            WriteProfile(strHand);
        else
            Choose({"COM2", ""});
        m_dwTick = 0xfffffe00u;  // the tick counter wraps while the splash is up
        ASSERT_TRUE(theApp.InitInstance());
        // The first port is proposed, then the one that failed, stored before it was tried.
        EXPECT_EQ(m_proposed, bStored ? QStringList() : QStringList({"COM1", "COM2"}));
        EXPECT_EQ(m_strAtRefusal, bStored ? "" : "[System]\nCOM Port=2\n");
        EXPECT_EQ(m_boxes.TakeTexts(),
                  bStored ? Strings{}
                          : Strings{"Serial Port not detected!\rCOM2: /dev/ttyS1, no such device"});
        EXPECT_EQ(ReadProfile(), bStored ? strHand : "[System]\nCOM Port=2\n");
        EXPECT_EQ(m_line.m_opened, bStored ? Strings{"/dev/zef tunnel"} : Strings{});
        EXPECT_EQ(thePort.m_bOnline, bStored ? 1 : 0);
        EXPECT_EQ(Rec().m_dMaxSpeed, bStored ? 100.0 : 80.0);  // the settings reach the test
        EXPECT_EQ(Rec().m_bEnglish, bStored ? 0 : 1);
        ASSERT_NE(theApp.m_pSplash, nullptr);
        EXPECT_TRUE(theApp.m_pSplash->isVisible());
        EXPECT_TRUE(m_line.m_writes.empty());  // the controller hears nothing before it goes
        m_line.m_missing.clear();  // the port open either way; only the link tells on-line
        ASSERT_TRUE(thePort.Open());
        m_dwTick += 999;
        RunLoop(30);
        EXPECT_NE(theApp.m_pSplash, nullptr);
        EXPECT_EQ(theApp.m_pMainWnd->LinkText(), bStored ? "ON-LINE" : "OFF-LINE");
        m_dwTick += 1;
        RunLoop(200, [] { return theApp.m_pSplash == nullptr; });
        EXPECT_EQ(theApp.m_pSplash, nullptr);
        EXPECT_EQ(Sent(), bStored ? (Strings{"<03>", "C"}) : Strings{});
        // 0x03 waited for its reply line ("READY" and CR); "C" did not wait for one.
        EXPECT_EQ(m_line.m_timeouts.size(), bStored ? 6u : 0u);
        theApp.ExitInstance();
    }
}

TEST_F(StartupTest, APressOnTheSplashEndsItAtTheNextIdlePassOneElsewhereAtOnce) {
    Start();
    for (bool bOnSplash : {true, false}) {
        for (int nPress = 0; nPress < 3; ++nPress) {
            SCOPED_TRACE(nPress);
            theApp.ShowSplash();
            CSplashWnd* pSplash = theApp.m_pSplash;
            QWidget* pWhere = bOnSplash ? static_cast<QWidget*>(pSplash) : &View();
            m_dwTick = theApp.m_dwSplashShown + 10;  // well inside its second
            if (nPress == 0)
                QTest::keyClick(pWhere, Qt::Key_Space);
            else
                QTest::mouseClick(pWhere, nPress == 1 ? Qt::LeftButton : Qt::MiddleButton);
            EXPECT_EQ(theApp.m_pSplash, bOnSplash ? pSplash : nullptr);
            RunLoop(50, [] { return theApp.m_pSplash == nullptr; });
            EXPECT_EQ(theApp.m_pSplash, nullptr);
            EXPECT_EQ(Sent(), bOnSplash ? (Strings{"<03>", "C"}) : Strings{});
        }
    }
    // An accelerator pressed elsewhere ends it too, and does its work.
    theApp.ShowSplash();
    Key(Qt::Key_F1);
    EXPECT_EQ(theApp.m_pSplash, nullptr);
    EXPECT_NE(Frame().findChild<QTextBrowser*>("help"), nullptr);
}

TEST_F(StartupTest, ComPortLoopsUntilAPortOpensAndStoresOnlyThatOne) {
    const std::string strProfile = "; lab\r\n[System]\r\nCOM Port=1\r\nUnits=1\r\n\r\n[Ports]\r\n";
    Start(strProfile);
    // Cancel: the link stays down, the port is neither closed nor opened, nothing is written.
    Choose({""});
    m_boxes.m_answers.clear();
    Frame().OnCommand(ID_COM_PORT);
    EXPECT_EQ(thePort.m_bOnline, 0);
    EXPECT_EQ(m_line.m_nOpenDevices, 1);
    EXPECT_EQ(ReadProfile(), strProfile);
    // A port that fails, then one that opens: only that one is stored, once open, in its line.
    m_line.m_missing.insert("/dev/ttyS1");
    Choose({"COM2", "COM12"});
    Frame().OnCommand(ID_COM_PORT);
    EXPECT_EQ(m_boxes.TakeTexts(),
              Strings{"Serial Port not detected!\rCOM2: /dev/ttyS1, no such device"});
    EXPECT_EQ(m_strAtRefusal, strProfile);
    EXPECT_EQ(m_proposed, QStringList({"COM1", "COM1", "COM2"}));  // the text last chosen
    EXPECT_EQ(thePort.m_bOnline, 1);
    EXPECT_EQ(m_line.m_opened.back(), "/dev/ttyS11");
    EXPECT_EQ(ReadProfile(), "; lab\r\n[System]\r\nCOM Port=12\r\nUnits=1\r\n\r\n[Ports]\r\n");
    EXPECT_TRUE(m_line.m_writes.empty());
}

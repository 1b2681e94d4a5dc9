// Start-up in its order (window, port, splash), the splash's ways out, and the COM Port command.

#include "ConsoleHarness.h"
#include "app/SplashWnd.h"

namespace {

class StartupTest : public CConsoleTest {
protected:
    // The next COM Port dialog: what it proposed noted, the port taken by Enter (OK has the focus).
    void Choose(const char* pszPort) {
        Then([this, strPort = QString::fromLatin1(pszPort)](QWidget* pModal) {
            auto* pDlg = dynamic_cast<CComPortDlg*>(pModal);
            ASSERT_NE(pDlg, nullptr) << pModal->windowTitle().toStdString();
            EXPECT_TRUE(theApp.m_pMainWnd && theApp.m_pMainWnd->isVisible());
            EXPECT_EQ(theApp.m_pSplash, nullptr);
            m_proposed << pDlg->m_pPort->currentText();
            if (strPort.isEmpty())
                return pDlg->reject();
            pDlg->m_pPort->setEditText(strPort);
            ASSERT_TRUE(QTest::qWaitForWindowActive(pDlg));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        });
    }
    QStringList m_proposed;
};

}  // namespace

TEST_F(StartupTest, TheWindowComesFirstThenThePortDialogThenTheSplash) {
    m_line.m_missing.insert("/dev/ttyS1");
    Choose("COM2");
    Choose("COM3");
    std::string strStoredWhenRefused;
    m_boxes.m_answers = {IDOK};
    m_boxes.m_fnWhileShown = [&](const std::string&) { strStoredWhenRefused = ReadProfile(); };
    ASSERT_TRUE(theApp.InitInstance());
    // A fresh installation proposes the first port, then the port that just failed.
    EXPECT_EQ(m_proposed, QStringList({"COM1", "COM2"}));
    EXPECT_EQ(strStoredWhenRefused, "[System]\nCOM Port=2\n");  // stored before it was tried
    EXPECT_EQ(m_boxes.TakeTexts(), Strings{"Serial Port not detected!"});
    EXPECT_EQ(ReadProfile(), "[System]\nCOM Port=3\n");
    EXPECT_EQ(thePort.m_bOnline, 1);
    ASSERT_NE(theApp.m_pSplash, nullptr);
    EXPECT_TRUE(theApp.m_pSplash->isVisible());
    EXPECT_TRUE(m_line.m_writes.empty());  // the controller hears nothing before the splash goes
}

TEST_F(StartupTest, AStoredPortIsKeptAndTheSplashsIdlePassResetsAControllerOnLine) {
    // As an operator may write it by hand; a maximum that is no whole number is passed over.
    const char* pszProfile =
        "; lab\r\n[ system ]\r\n com port = 4 \r\nAbsolute Max Speed=-5\r\nMAX SPEED=100\r\n"
        "Units=0 ; metric\r\n[Ports]\r\nCOM4 = \"/dev/zef tunnel\"\r\n";
    for (bool bOpens : {true, false}) {
        SCOPED_TRACE(bOpens);
        WriteProfile(pszProfile);
        m_line.m_opened.clear();
        m_line.m_timeouts.clear();
        if (!bOpens) {
            m_line.m_missing.insert("/dev/zef tunnel");
            m_boxes.m_answers = {IDOK};
            Choose("");  // Cancel: off-line
        }
        m_dwTick = 0xfffffe00u;  // the tick counter wraps while the splash is up
        ASSERT_TRUE(theApp.InitInstance());
        EXPECT_EQ(m_proposed, bOpens ? QStringList() : QStringList{"COM4"});
        EXPECT_EQ(m_line.m_opened, bOpens ? Strings{"/dev/zef tunnel"} : Strings{});
        EXPECT_EQ(thePort.m_bOnline, bOpens ? 1 : 0);
        EXPECT_EQ(ReadProfile(), pszProfile);
        EXPECT_EQ(Rec().m_dMaxSpeed, 100.0);  // the settings reach the test
        EXPECT_EQ(Rec().m_bEnglish, 0);
        EXPECT_EQ(m_boxes.TakeTexts(), bOpens ? Strings{} : Strings{"Serial Port not detected!"});
        m_line.m_missing.clear();  // the port open either way; only the link tells on-line
        ASSERT_TRUE(thePort.Open());
        m_dwTick += 999;
        RunLoop(30);
        EXPECT_NE(theApp.m_pSplash, nullptr);
        m_dwTick += 1;
        RunLoop(200, [] { return theApp.m_pSplash == nullptr; });
        EXPECT_EQ(theApp.m_pSplash, nullptr);
        EXPECT_EQ(Sent(), bOpens ? (Strings{"<03>", "C"}) : Strings{});
        // 0x03 waited for its reply line ("READY" and CR); "C" did not wait for one.
        EXPECT_EQ(m_line.m_timeouts.size(), bOpens ? 6u : 0u);
        m_dwTick += 5000;
        RunLoop(30);
        EXPECT_TRUE(m_line.m_writes.empty());  // once only
        theApp.ExitInstance();
    }
}

TEST_F(StartupTest, TheSplashGoesWithoutAnyInputToWakeTheProgram) {
    QElapsedTimer clock;
    clock.start();
    theApp.m_fnTickCount = [&] { return 0xffffff00u + std::uint32_t(clock.elapsed()); };
    ASSERT_TRUE(thePort.Open());
    thePort.m_bOnline = 1;
    theApp.ShowSplash();
    const qint64 nShown = clock.elapsed();
    qint64 nGone = -1;
    QEventLoop loop;
    QObject::connect(theApp.m_pSplash, &QObject::destroyed, &loop, [&] {
        nGone = clock.elapsed() - nShown;
        QTimer::singleShot(50, &loop, &QEventLoop::quit);
    });
    QTimer::singleShot(4000, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_GE(nGone, 1000);
    EXPECT_LT(nGone, 1800);
    EXPECT_EQ(Sent(), (Strings{"<03>", "C"}));
}

TEST_F(StartupTest, APressOnTheSplashEndsItAtTheNextIdlePassOneElsewhereAtOnce) {
    Start();
    const std::vector<std::function<void(QWidget*)>> presses = {
        [](QWidget* p) { QTest::keyClick(p, Qt::Key_Space); },
        [](QWidget* p) { QTest::mouseClick(p, Qt::LeftButton); },
        [](QWidget* p) { QTest::mouseClick(p, Qt::MiddleButton); },
    };
    for (bool bOnSplash : {true, false}) {
        for (std::size_t i = 0; i < presses.size(); ++i) {
            SCOPED_TRACE(i);
            theApp.ShowSplash();
            CSplashWnd* pSplash = theApp.m_pSplash;
            m_dwTick = theApp.m_dwSplashShown + 10;  // well inside its second
            presses[i](bOnSplash ? static_cast<QWidget*>(pSplash) : &View());
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
    EXPECT_NE(HelpWindow(), nullptr);
}

TEST_F(StartupTest, ComPortLoopsUntilAPortOpensAndStoresOnlyThatOne) {
    const std::string strProfile = "; lab\r\n[System]\r\nCOM Port=1\r\nUnits=1\r\n\r\n[Ports]\r\n";
    Start(strProfile);
    // Cancel: the link stays down, the port is neither closed nor opened, nothing is written.
    Choose("");
    Frame().OnCommand(ID_COM_PORT);
    EXPECT_EQ(thePort.m_bOnline, 0);
    EXPECT_EQ(m_line.m_nOpenDevices, 1);
    EXPECT_EQ(ReadProfile(), strProfile);

    // A port that fails, then one that opens: only that one is stored, once open, in its line.
    m_line.m_missing.insert("/dev/ttyS1");
    Choose("COM2");
    Choose("COM12");
    std::string strProfileWhenRefused;
    m_boxes.m_answers = {IDOK};
    m_boxes.m_fnWhileShown = [&](const std::string&) { strProfileWhenRefused = ReadProfile(); };
    Frame().OnCommand(ID_COM_PORT);
    EXPECT_EQ(m_boxes.TakeTexts(), Strings{"Serial Port not detected!"});
    EXPECT_EQ(strProfileWhenRefused, strProfile);
    EXPECT_EQ(m_proposed, QStringList({"COM1", "COM1", "COM2"}));  // the text last chosen
    EXPECT_EQ(thePort.m_bOnline, 1);
    EXPECT_EQ(m_line.m_opened.back(), "/dev/ttyS11");
    EXPECT_EQ(ReadProfile(), "; lab\r\n[System]\r\nCOM Port=12\r\nUnits=1\r\n\r\n[Ports]\r\n");
    EXPECT_TRUE(m_line.m_writes.empty());
}

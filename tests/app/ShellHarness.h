#pragma once

// The console's shell brought up on the offscreen platform: theApp with a profile of its own,
// scripted operator boxes and a scripted tunnel line, a settable tick counter, and a check that
// every window a test opened is gone when it ends.

#include <gtest/gtest.h>

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <memory>

#include "ConsoleHarness.h"
#include "LinkDoubles.h"
#include "app/MainFrame.h"
#include "app/ZEFApp.h"
#include "dialogs/Dialogs.h"
#include "link/SerialPort.h"
#include "run/ZEFView.h"

// Texts in failure messages as text.
inline void PrintTo(const QString& str, std::ostream* pOut) {
    *pOut << '"' << str.toStdString() << '"';
}

class CShellTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (QWidget* pWidget : QApplication::topLevelWidgets()) {
            m_windowsBefore.insert(pWidget);
        }
        theApp.m_profile = CProfile(m_dir.filePath(QStringLiteral("zef.ini")));
        theApp.m_pMessageBoxes = &m_boxes;
        theApp.m_fnTickCount = [this] { return m_dwTick; };
        thePort.SetMessageBoxes(&m_boxes);
        thePort.SetDeviceFactory(m_line.Factory());
        thePort.SetProfilePath(theApp.m_profile.Path());
        thePort.m_hComm.reset();
        thePort.m_nPort = 1;
        thePort.m_bOnline = 0;
        thePort.m_nStatus = 0;
        thePort.m_bRunning = 0;
        thePort.m_bReturningToZero = 0;
        thePort.m_nPollTimer = 0;
        m_boxes.m_pPort = &thePort;
    }

    void TearDown() override {
        m_pModal.reset();
        theApp.ExitInstance();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        for (QWidget* pWidget : QApplication::topLevelWidgets()) {
            EXPECT_TRUE(m_windowsBefore.contains(pWidget))
                << "window left behind: " << pWidget->metaObject()->className() << " \""
                << pWidget->windowTitle().toStdString() << "\"";
        }
        thePort.m_hComm.reset();
        thePort.m_bOnline = 0;
        thePort.m_nPollTimer = 0;
        thePort.SetDeviceFactory({});
        thePort.SetMessageBoxes(nullptr);
        theApp.m_pMessageBoxes = m_pRealBoxes;
        theApp.m_fnTickCount = GetTickCount;
        theApp.m_strHelpUrl = m_strHelpUrl;
    }

    // The next modal windows, worked in order. Made on first use: its polling timer would
    // otherwise keep the event loop from ever waiting.
    CModalScript& Modal() {
        if (!m_pModal) {
            m_pModal = std::make_unique<CModalScript>();
        }
        return *m_pModal;
    }
    void EndModalScript() { m_pModal.reset(); }

    void WriteProfile(const char* pszText) {
        QFile file(theApp.m_profile.Path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(pszText);
    }
    std::string ReadProfile() const {
        QFile file(theApp.m_profile.Path());
        return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
    }
    // The stored "COM Port", or -1 when there is none.
    int StoredPort() const {
        return static_cast<int>(
            theApp.m_profile.GetProfileInt(PROFILE_SYSTEM, PROFILE_COM_PORT, 0xffffffffu));
    }

    // Runs the event loop as the program's own loop runs it, waiting for input between events,
    // so that idle passes happen; it ends after nMs or when fnDone says so after an event.
    static void RunLoop(int nMs, std::function<bool()> fnDone = {}) {
        QEventLoop loop;
        QTimer::singleShot(nMs, &loop, &QEventLoop::quit);
        QTimer check;
        if (fnDone) {
            QObject::connect(&check, &QTimer::timeout, &loop, [&] {
                if (fnDone()) {
                    loop.quit();
                }
            });
            check.start(5);
        }
        loop.exec();
    }

    // Start-up with a port that opens at once: no dialog, the link on-line, then the splash.
    void StartOnline() {
        WriteProfile("[System]\r\nCOM Port=1\r\n");
        ASSERT_TRUE(theApp.InitInstance());
        ASSERT_EQ(thePort.m_bOnline, 1);
        m_line.TakeWrites();
    }

    // The program's help window, when it has one.
    static QTextBrowser* HelpWindow() {
        for (QWidget* pWidget : QApplication::topLevelWidgets()) {
            if (pWidget->objectName() == QLatin1String("help")) {
                return qobject_cast<QTextBrowser*>(pWidget);
            }
        }
        return nullptr;
    }

    // Lets the splash of start-up go by its idle path and forgets what that sent.
    void LetSplashGo() {
        m_dwTick = theApp.m_dwSplashShown + 1000;
        RunLoop(100, [] { return theApp.m_pSplash == nullptr; });
        ASSERT_EQ(theApp.m_pSplash, nullptr);
        m_line.TakeWrites();
        m_line.m_timeouts.clear();
    }

    // Opens a test file of the test data into the view.
    void OpenData(const char* pszName) {
        View().OpenTestFile(QStringLiteral(ZEF_TEST_DATA "/zef/") + QLatin1String(pszName));
        ASSERT_TRUE(m_boxes.m_shown.empty()) << m_boxes.m_shown.front().strText;
    }

    // The modal window as the COM Port dialog (a failure when it is another).
    static CComPortDlg* PortDialog(QWidget* pModal) {
        auto* pDlg = dynamic_cast<CComPortDlg*>(pModal);
        EXPECT_NE(pDlg, nullptr) << "not the COM Port dialog: "
                                 << pModal->windowTitle().toStdString();
        return pDlg;
    }

    CMainFrame& Frame() const { return *theApp.m_pMainWnd; }
    CZEFView& View() const { return *theApp.m_pMainWnd->View(); }

    // Makes the main window the one that takes keys (again, after a modal window closed).
    void ActivateFrame() {
        Frame().activateWindow();
        Frame().raise();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&Frame()));
    }

    QTemporaryDir m_dir;
    CFakeLine m_line;
    CScriptedBoxes m_boxes;
    std::uint32_t m_dwTick = 5000;

private:
    std::unique_ptr<CModalScript> m_pModal;
    QSet<QWidget*> m_windowsBefore;
    CMessageBoxes* m_pRealBoxes = theApp.m_pMessageBoxes;
    QString m_strHelpUrl = theApp.m_strHelpUrl;
};

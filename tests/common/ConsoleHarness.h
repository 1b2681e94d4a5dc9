#pragma once

// The console on the offscreen platform, made from services of its own: a profile, the operator's
// boxes and dialogs answered from a script, the tunnel a scripted line, and a clock that can be
// moved on.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <QtTest>
#include <QtWidgets>
#include <deque>
#include <functional>

#include "AsOperator.h"
#include "LinkDoubles.h"
#include "console/Commands.h"
#include "console/Dialogs.h"
#include "console/MainFrame.h"
#include "console/ZEFApp.h"
#include "console/ZEFView.h"
#include "core/files/Profile.h"
#include "core/files/Recovery.h"
#include "core/link/DeviceScan.h"
#include "core/link/SerialPort.h"
#include "graph/GraphDC.h"
#include "graph/GraphPasses.h"

inline void PrintTo(const QString& str, std::ostream* pOut) {
    *pOut << '"' << str.toStdString() << '"';
}

using Strings = std::vector<std::string>;

// fnWrite runs while no file can grow beyond nBytes, as on a disk that fills.
inline void OnAFullDisk(rlim_t nBytes, const std::function<void()>& fnWrite) {
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    const rlimit tight{nBytes, old.rlim_max};
    const sighandler_t oldHandler = signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &tight);
    fnWrite();
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, oldHandler);
}

class CConsoleTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (QWidget* pWidget : QApplication::topLevelWidgets())
            m_windowsBefore.insert(pWidget);
        m_port.SetDeviceFactory(m_line.Factory());
        m_port.SetMessageBoxes(&m_boxes);
        m_port.SetProfilePath(m_profile.Path());
        m_pApp = std::make_unique<CZEFApp>(CConsoleServices{m_port, m_boxes, m_profile, m_devices,
                                                            m_recovery, [this] { return Now(); }});
        QObject::connect(&m_modalTimer, &QTimer::timeout, [this] { PokeModal(); });
    }
    void TearDown() override {
        EXPECT_TRUE(m_boxes.m_answers.empty()) << "a box never showed";
        EXPECT_TRUE(m_handlers.empty()) << "a dialog never showed";
        m_modalTimer.stop();
        m_pApp->ExitInstance();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        for (QWidget* pWidget : QApplication::topLevelWidgets()) {
            EXPECT_TRUE(m_windowsBefore.contains(pWidget))
                << "window left behind: " << pWidget->windowTitle().toStdString();
        }
        m_pApp.reset();
    }

    // The console's clock: the steady clock, moved on by m_tSkew.
    std::int64_t Now() const { return ProcessMillis() + m_tSkew; }

    // The next modal window, as the dialog the handler works and ends. The polling for it runs
    // only while a handler waits: it would wake the event loop that idle passes need.
    template <typename Dialog>
    void Answer(std::function<void(Dialog&)> fnWork) {
        m_handlers.push_back([fnWork](QWidget* pWidget) {
            auto* pDialog = dynamic_cast<Dialog*>(pWidget);
            ASSERT_NE(pDialog, nullptr)
                << "another window: " << pWidget->windowTitle().toStdString();
            fnWork(*pDialog);
        });
        if (!m_modalTimer.isActive())
            m_modalTimer.start(5);
    }
    template <typename Dialog>
    void Work(int nCommand, std::function<void(Dialog&)> fnWork) {
        Answer<Dialog>(fnWork);
        Frame().OnCommand(nCommand);
    }
    // OK as its button gives it, the dialog's checks included.
    static void OK(QDialog& dlg) { dlg.accept(); }
    // The next file dialog: a name typed in m_files, then Open or Save.
    void ChooseFile(const char* pszName) {
        Answer<QFileDialog>([this, pszName](QFileDialog& dlg) {
            dlg.setDirectory(m_files.path());
            QTest::keyClicks(dlg.findChild<QLineEdit*>("fileNameEdit"), QLatin1String(pszName));
            OK(dlg);
        });
    }

    std::string ReadProfile() const { return ReadBytes(m_profile.Path(), ""); }

    // The event loop as the program runs it, so that idle passes happen; nMs or until fnDone.
    static void RunLoop(int nMs, const std::function<bool()>& fnDone = {}) {
        QEventLoop loop;
        QTimer::singleShot(nMs, &loop, &QEventLoop::quit);
        QTimer check;
        QObject::connect(&check, &QTimer::timeout, &loop, [&] {
            if (fnDone && fnDone())
                loop.quit();
        });
        check.start(5);
        loop.exec();
    }

    // Start-up on a port that opens, the splash gone by its idle path and what it sent forgotten.
    void Start(const std::string& strProfile = "[System]\r\nCOM Port=1\r\n") {
        ASSERT_TRUE(WriteBytes(m_profile.Path(), strProfile));
        ASSERT_TRUE(App().InitInstance());
        ASSERT_EQ(m_port.m_bOnline, 1);
        m_tSkew += 1000;  // the splash's second is over
        RunLoop(200, [this] { return App().m_pSplash == nullptr; });
        ASSERT_EQ(App().m_pSplash, nullptr);
        Sent();
        // The first paint lays the graph out.
        ASSERT_TRUE(QTest::qWaitFor([this] { return View().Screen().m_rcClient.right > 0; }, 5000));
    }

    CZEFApp& App() const { return *m_pApp; }
    CMainFrame& Frame() const { return *App().m_pMainWnd; }
    CZEFView& View() const { return *App().m_pMainWnd->View(); }
    TestRecord& Rec() const { return View().m_rec; }
    CPollState& Poll() const { return View().m_run.m_state; }
    bool PollRunning() const { return m_port.m_nPollTimer != 0; }
    Strings Sent() { return m_line.TakeWrites(); }

    // A key pressed in the main window, made active again as after a dialog closed.
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        Frame().activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&Frame()));
        View().setFocus();
        QTest::keyClick(&View(), key, modifiers);
    }

    // A test in the record: lift and drag at the given slots.
    void Record(int nFirst, int nLast) {
        for (int i = nFirst; i <= nLast; ++i)
            Rec().m_lift.m_dValue[i] = i / 1000.0, Rec().m_drag.m_dValue[i] = i / 4000.0;
    }

    // The window's image as large as its device pixels (at least one).
    bool ImageFits() const {
        return View().Image().size() == (QSizeF(View().size()) * View().devicePixelRatioF())
                                            .toSize()
                                            .expandedTo(QSize(1, 1));
    }
    // The window as a full paint of the record draws it; a plot redraw leaves the frame's outside.
    bool ShowsTheRecord(bool bPlotOnly = false) {
        const QImage& shown = View().Image();
        QImage fresh(shown.size(), QImage::Format_RGB32);
        fresh.setDevicePixelRatio(shown.devicePixelRatio());
        fresh.fill(Qt::black);
        TestRecord rec = Rec();
        CGraphDC dc(fresh);
        PaintPass(rec, dc, Frame().MessagePane(), false);
        const int w = shown.width(), h = shown.height();
        const QRect rc = bPlotOnly ? QRect(QPoint(w * 80 / 1000 + 2, h * 15 / 1000 + 2),
                                           QPoint(w * 985 / 1000 - 2, h * 920 / 1000 - 2))
                                   : shown.rect();
        return shown.copy(rc) == fresh.copy(rc);
    }

    QTemporaryDir m_dir, m_files;
    std::int64_t m_tSkew = 0;
    // The console's services, as main makes them, on a profile and a copy of their own, the
    // operator's boxes answered from a script and the tunnel a scripted line.
    CFakeLine m_line;
    CScriptedBoxes m_boxes;
    CProfile m_profile{m_dir.filePath(QStringLiteral("zef.ini"))};
    CSerialPort m_port;
    CDeviceScanner m_devices;
    CRecovery m_recovery{m_dir.filePath(QStringLiteral("zef/unsaved.ZEF")),
                         [this] { return Now(); }};
    std::unique_ptr<CZEFApp> m_pApp;

private:
    void PokeModal() {
        QWidget* pModal = QApplication::activeModalWidget();
        // Marked while its handler runs: shown again, it is a new showing.
        if (!pModal || !pModal->isVisible() || pModal->property("zefHandled").toBool() ||
            m_handlers.empty()) {
            return;
        }
        pModal->setProperty("zefHandled", true);
        // Outside the timer's call: a handler may wait in a further modal window.
        QMetaObject::invokeMethod(
            &m_modalTimer,
            [fnHandler = m_handlers.front(), pModal = QPointer<QWidget>(pModal)] {
                fnHandler(pModal);
                if (pModal)
                    pModal->setProperty("zefHandled", false);
            },
            Qt::QueuedConnection);
        m_handlers.pop_front();
        if (m_handlers.empty())
            m_modalTimer.stop();
    }

    QTimer m_modalTimer;
    std::deque<std::function<void(QWidget*)>> m_handlers;
    QSet<QWidget*> m_windowsBefore;
};

// The console as the operator finds it after start-up.
class CStartedConsoleTest : public CConsoleTest {
protected:
    void SetUp() override {
        CConsoleTest::SetUp();
        Start();
    }
};

// The splash window: its picture and place, its idle path with the controller's start-up
// commands, and the key and mouse presses that end it.

#include <QElapsedTimer>
#include <QMouseEvent>
#include <QScreen>
#include <QTextBrowser>

#include "ShellHarness.h"
#include "app/SplashWnd.h"

namespace {

using Texts = std::vector<std::string>;

// The keys and mouse buttons pressed on a widget, as the widget itself receives them.
class CPressRecorder : public QObject {
public:
    explicit CPressRecorder(QWidget* pWidget) { pWidget->installEventFilter(this); }
    std::vector<int> m_presses;

protected:
    bool eventFilter(QObject*, QEvent* pEvent) override {
        if (pEvent->type() == QEvent::KeyPress) {
            m_presses.push_back(static_cast<QKeyEvent*>(pEvent)->key());
        } else if (pEvent->type() == QEvent::MouseButtonPress) {
            m_presses.push_back(static_cast<QMouseEvent*>(pEvent)->button());
        }
        return false;
    }
};

// Counts the events of one type a widget receives.
class CEventCounter : public QObject {
public:
    CEventCounter(QWidget* pWidget, QEvent::Type type, int& nCount)
        : m_type(type), m_nCount(nCount) {
        pWidget->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* pEvent) override {
        m_nCount += pEvent->type() == m_type;
        return false;
    }

private:
    QEvent::Type m_type;
    int& m_nCount;
};

class SplashTest : public CShellTest {};

}  // namespace

TEST_F(SplashTest, IsAFramelessTopMostPictureCentredWithTheVersionOverIt) {
    StartOnline();
    CSplashWnd* pSplash = theApp.m_pSplash;
    ASSERT_NE(pSplash, nullptr);
    EXPECT_TRUE(pSplash->isWindow());
    EXPECT_TRUE(pSplash->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(pSplash->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(pSplash->windowTitle().isEmpty());
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    EXPECT_EQ(pSplash->frameGeometry(),
              QRect((screen.width() - 523) / 2, (screen.height() - 302) / 2, 523, 302));

    const QImage shown = pSplash->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QImage picture =
        QImage(QStringLiteral(":/splash.png")).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(shown.size(), QSize(523, 302));
    ASSERT_EQ(picture.size(), QSize(523, 302));
    // The text is the only change to the picture, it starts at (413, 224), and it has no box:
    // most pixels of its extent still show the picture.
    const QRect rcText(413, 224, 90, 17);
    int nChanged = 0;
    int nOutside = 0;
    QRect rcChanged;
    for (int y = 0; y < 302; ++y) {
        for (int x = 0; x < 523; ++x) {
            if (shown.pixel(x, y) == picture.pixel(x, y)) {
                continue;
            }
            rcChanged |= QRect(x, y, 1, 1);
            if (rcText.adjusted(0, 0, 10, 6).contains(x, y)) {
                ++nChanged;
            } else {
                ++nOutside;
            }
        }
    }
    EXPECT_EQ(nOutside, 0);
    EXPECT_GT(nChanged, 40);
    EXPECT_LT(nChanged, rcText.width() * rcText.height() / 2);
    EXPECT_GE(rcChanged.left(), 413);
    EXPECT_LE(rcChanged.left(), 413 + 3);
    EXPECT_GE(rcChanged.top(), 224);
    EXPECT_LE(rcChanged.top(), 224 + 5);
}

TEST_F(SplashTest, GoesAtTheFirstIdlePassAfterOneSecondThenTheControllerHearsResetAndCancel) {
    m_dwTick = 0xfffffe00u;  // the tick counter wraps while the splash is up
    StartOnline();
    ASSERT_NE(theApp.m_pSplash, nullptr);
    const std::uint32_t dwShown = theApp.m_dwSplashShown;
    EXPECT_EQ(dwShown, 0xfffffe00u);

    m_dwTick = dwShown + 999;
    RunLoop(30);
    EXPECT_NE(theApp.m_pSplash, nullptr);
    EXPECT_TRUE(m_line.m_writes.empty());

    // The window under the splash is drawn before the exchange, which can block for seconds.
    int nPaints = 0;
    int nPaintsBeforeReset = -1;
    CEventCounter paints(&View(), QEvent::Paint, nPaints);
    m_line.m_fnAnswer = [&](const std::string& cmd) {
        if (cmd == "\x03") {
            nPaintsBeforeReset = nPaints;
        }
        return m_line.DefaultAnswer(cmd);
    };
    View().update();
    m_dwTick = dwShown + 1000;
    RunLoop(30);
    EXPECT_EQ(theApp.m_pSplash, nullptr);
    EXPECT_GT(nPaintsBeforeReset, 0);
    EXPECT_EQ(m_line.TakeWrites(), (Texts{"<03>", "C"}));
    // 0x03 waited for its reply line ("READY" and CR); "C" did not wait for one.
    EXPECT_EQ(m_line.m_timeouts.size(), 6u);
    EXPECT_TRUE(m_boxes.m_shown.empty());

    // Sent once only.
    m_dwTick += 5000;
    RunLoop(30);
    EXPECT_TRUE(m_line.m_writes.empty());
}

TEST_F(SplashTest, GoesWithoutAnyInputOrOtherEventToWakeTheProgram) {
    // No main window, no scripted dialogs: nothing but the splash's own wake-up ends the wait.
    QElapsedTimer clock;
    clock.start();
    theApp.m_fnTickCount = [&] {
        return 0xffffff00u + static_cast<std::uint32_t>(clock.elapsed());
    };
    ASSERT_TRUE(thePort.Open());
    thePort.m_bOnline = 1;
    m_line.TakeWrites();

    theApp.ShowSplash();
    ASSERT_NE(theApp.m_pSplash, nullptr);
    const qint64 nShown = clock.elapsed();
    qint64 nGone = -1;
    QEventLoop loop;
    QObject::connect(theApp.m_pSplash, &QObject::destroyed, &loop, [&] {
        nGone = clock.elapsed() - nShown;
        QTimer::singleShot(50, &loop, &QEventLoop::quit);
    });
    QTimer::singleShot(4000, &loop, &QEventLoop::quit);
    loop.exec();

    EXPECT_EQ(theApp.m_pSplash, nullptr);
    EXPECT_GE(nGone, 1000);
    EXPECT_LT(nGone, 1800);
    EXPECT_EQ(m_line.TakeWrites(), (Texts{"<03>", "C"}));
}

TEST_F(SplashTest, AKeyOrAButtonOnTheSplashEndsItAtTheNextIdlePassAndIsStillDelivered) {
    StartOnline();
    const std::vector<std::pair<int, std::function<void(QWidget*)>>> presses = {
        {Qt::Key_Space, [](QWidget* p) { QTest::keyClick(p, Qt::Key_Space); }},
        {Qt::Key_F4, [](QWidget* p) { QTest::keyClick(p, Qt::Key_F4, Qt::AltModifier); }},
        {Qt::LeftButton, [](QWidget* p) { QTest::mouseClick(p, Qt::LeftButton); }},
        {Qt::RightButton, [](QWidget* p) { QTest::mouseClick(p, Qt::RightButton); }},
        {Qt::MiddleButton, [](QWidget* p) { QTest::mouseClick(p, Qt::MiddleButton); }},
    };
    for (std::size_t i = 0; i < presses.size(); ++i) {
        SCOPED_TRACE(i);
        if (!theApp.m_pSplash) {
            theApp.ShowSplash();
        }
        CSplashWnd* pSplash = theApp.m_pSplash;
        ASSERT_NE(pSplash, nullptr);
        m_dwTick = theApp.m_dwSplashShown + 10;  // well inside its second
        CPressRecorder recorder(pSplash);

        presses[i].second(pSplash);

        EXPECT_EQ(theApp.m_pSplash, pSplash);  // not at once
        // The press goes on to the splash.
        ASSERT_FALSE(recorder.m_presses.empty());
        EXPECT_EQ(recorder.m_presses.back(), presses[i].first);
        RunLoop(30, [] { return theApp.m_pSplash == nullptr; });
        EXPECT_EQ(theApp.m_pSplash, nullptr);
        EXPECT_EQ(m_line.TakeWrites(), (Texts{"<03>", "C"}));
    }
}

TEST_F(SplashTest, AKeyOrAButtonElsewhereEndsItAtOnceAndNothingIsSent) {
    StartOnline();
    ActivateFrame();
    const std::vector<std::function<void()>> presses = {
        [this] { QTest::mouseClick(&View(), Qt::LeftButton, {}, QPoint(200, 200)); },
        [this] { QTest::mouseClick(&View(), Qt::RightButton, {}, QPoint(200, 200)); },
        [this] { QTest::keyClick(&View(), Qt::Key_X); },
        // An accelerator is a key press too.
        [this] { QTest::keyClick(&View(), Qt::Key_F1); },
    };
    for (std::size_t i = 0; i < presses.size(); ++i) {
        SCOPED_TRACE(i);
        if (!theApp.m_pSplash) {
            theApp.ShowSplash();
            ActivateFrame();
        }
        m_dwTick = theApp.m_dwSplashShown + 10;
        CPressRecorder recorder(&View());

        presses[i]();

        EXPECT_EQ(theApp.m_pSplash, nullptr);  // at once
        if (i < 3) {
            EXPECT_EQ(recorder.m_presses.size(), 1u);  // and the press goes on to its window
        }
        m_dwTick += 2000;
        RunLoop(30);
        EXPECT_TRUE(m_line.m_writes.empty());
    }
    // The accelerator did its work as well.
    QTextBrowser* pHelp = HelpWindow();
    ASSERT_NE(pHelp, nullptr);
    EXPECT_TRUE(pHelp->isVisible());
}

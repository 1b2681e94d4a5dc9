#pragma once

// The console set up for a test on the offscreen platform: its profile in a folder of its own,
// the operator's boxes answered from a script, the tunnel a scripted line, and a way to work the
// modal dialogs a command opens.

#include <gtest/gtest.h>

#include <QApplication>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <deque>
#include <functional>

#include "LinkDoubles.h"
#include "app/ZEFApp.h"
#include "link/SerialPort.h"

// Runs each handler, in order, on the next modal window that shows (a dialog or a message box),
// while the command that opened it waits in the dialog's own event loop. A handler ends the
// dialog itself (accept, reject, a button click).
class CModalScript : public QObject {
public:
    CModalScript() {
        m_timer.setInterval(5);
        connect(&m_timer, &QTimer::timeout, this, [this] { Poke(); });
        m_timer.start();
    }
    ~CModalScript() override {
        EXPECT_TRUE(m_handlers.empty()) << m_handlers.size() << " dialog(s) never showed";
    }

    // Queues a handler for the next modal window.
    void Then(std::function<void(QWidget*)> fnHandler) {
        m_handlers.push_back(std::move(fnHandler));
    }
    bool Done() const { return m_handlers.empty(); }
    int Handled() const { return m_nHandled; }

protected:
    // A dialog shown again (the start-up port dialog is one object shown until a port opens)
    // is a new showing.
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override {
        if (pEvent->type() == QEvent::Hide) {
            pWatched->setProperty(HANDLED, false);
        }
        return QObject::eventFilter(pWatched, pEvent);
    }

private:
    void Poke() {
        QWidget* pModal = QApplication::activeModalWidget();
        // A window is marked once handled: the next dialog of a command often lives at the same
        // address as the last one, so the address cannot tell them apart.
        if (!pModal || !pModal->isVisible() || pModal->property(HANDLED).toBool() ||
            m_handlers.empty()) {
            return;
        }
        pModal->setProperty(HANDLED, true);
        pModal->installEventFilter(this);
        auto fnHandler = std::move(m_handlers.front());
        m_handlers.pop_front();
        ++m_nHandled;
        // Run outside the timer's own call: a handler that opens a further modal window (a
        // file dialog's overwrite question) waits in it, and a timer busy in its call would
        // never fire again to answer it.
        QMetaObject::invokeMethod(
            this,
            [fnHandler = std::move(fnHandler), pModal = QPointer<QWidget>(pModal)] {
                if (pModal) {
                    fnHandler(pModal);
                }
            },
            Qt::QueuedConnection);
    }

    static constexpr char HANDLED[] = "zefModalScriptHandled";

    QTimer m_timer;
    std::deque<std::function<void(QWidget*)>> m_handlers;
    int m_nHandled = 0;
};

// theApp and thePort as a test wants them, put back afterwards.
class CConsoleTest : public ::testing::Test {
protected:
    void SetUp() override {
        theApp.m_profile = CProfile(m_dir.filePath(QStringLiteral("zef.ini")));
        theApp.m_pMessageBoxes = &m_boxes;
        theApp.m_bEnglish = 1;
        theApp.m_dMaxSpeed = 80.0;
        thePort.SetMessageBoxes(&m_boxes);
        thePort.SetDeviceFactory(m_line.Factory());
        thePort.SetProfilePath(theApp.m_profile.Path());
        thePort.m_hComm.reset();
        thePort.m_nPort = 1;
        thePort.m_bOnline = 0;
        thePort.m_nStatus = 0;
        thePort.m_bRunning = 0;
        thePort.m_nSpeedStep = 5;
        thePort.m_bReturningToZero = 0;
        thePort.m_nPollTimer = 0;
        m_boxes.m_pPort = &thePort;
    }
    void TearDown() override {
        thePort.m_hComm.reset();
        thePort.m_bOnline = 0;
        thePort.m_nPollTimer = 0;
        thePort.SetDeviceFactory({});
        thePort.SetMessageBoxes(nullptr);
        theApp.m_pMessageBoxes = m_pRealBoxes;
    }
    // Brings the link up on the scripted line.
    void Connect() {
        ASSERT_TRUE(thePort.Open());
        thePort.m_bOnline = 1;
        m_line.TakeWrites();
    }

    QTemporaryDir m_dir;
    CFakeLine m_line;
    CScriptedBoxes m_boxes;
    CModalScript m_modal;
    CMessageBoxes* m_pRealBoxes = theApp.m_pMessageBoxes;
};

#pragma once

// The console's main window on the offscreen platform, with the link on a scripted line and the
// operator's boxes and dialogs answered from a script: what the run commands, the dialogs and the
// file commands are tested on.

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "ConsoleHarness.h"
#include "app/Commands.h"
#include "app/MainFrame.h"
#include "dialogs/Dialogs.h"
#include "graph/GraphDC.h"
#include "graph/GraphPasses.h"
#include "run/ZEFView.h"

// Qt's strings as text in test messages.
inline void PrintTo(const QString& str, std::ostream* pStream) {
    *pStream << '"' << str.toStdString() << '"';
}

// Status text that goes nowhere, for a paint made only to compare pictures.
class CDiscardPane : public CStatusPane {
public:
    void SetStatusText(const std::string&) override {}
};

class CConsoleViewTest : public CConsoleTest {
protected:
    void SetUp() override {
        CConsoleTest::SetUp();
        // The run commands' own boxes come up with the link up; the link's must not.
        m_boxes.m_pPort = nullptr;
        m_boxes.m_fnWhileShown = [](const std::string& strText) {
            if (strText.rfind("Serial Communications Error!", 0) == 0 ||
                strText == "Cable is disconnected!" || strText == "Control Panel is Locked!") {
                EXPECT_EQ(thePort.m_bOnline, 0) << "link box shown with the link up: " << strText;
            }
            if (strText == "Clear Previous Test Results?") {
                EXPECT_EQ(thePort.m_nPollTimer, 0u) << "the poll runs while the question is up";
            }
        };
        m_pFrame = std::make_unique<CMainFrame>();
        m_pFrame->resize(1000, 700);
        m_pFrame->show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_pFrame.get()));
        m_pView = m_pFrame->View();
        m_pView->setFocus();
        // The first paint lays the graph out (scales, client rectangle).
        ASSERT_TRUE(QTest::qWaitFor([this] { return Rec().m_rcClient.right > 0; }, 5000));
    }
    void TearDown() override {
        m_pFrame.reset();
        CConsoleTest::TearDown();
    }

    CZEFView& View() { return *m_pView; }
    TestRecord& Rec() { return m_pView->m_rec; }
    static bool PollRunning() { return thePort.m_nPollTimer != 0; }
    QString StatusText() const { return m_pFrame->MessageLabel()->text(); }

    // The main window active again, as after a dialog closed, so that its keys reach it.
    void Activate() {
        m_pFrame->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_pFrame.get()));
        m_pView->setFocus();
    }
    // A plain key (an accelerator) pressed in the main window.
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        Activate();
        QTest::keyClick(m_pView, key, modifiers);
    }

    // A record with a test in it: lift and drag at the given slots (lift = slot / 1000).
    void Record(std::initializer_list<int> slotList) {
        for (int nSlot : slotList) {
            Rec().m_lift.m_dValue[nSlot] = nSlot / 1000.0;
            Rec().m_drag.m_dValue[nSlot] = nSlot / 4000.0;
            Rec().m_cd.m_dValue[nSlot] = 0.5;
            Rec().m_ld.m_dValue[nSlot] = 4.0;
        }
    }
    void RecordRange(int nFirst, int nLast) {
        for (int i = nFirst; i <= nLast; ++i) {
            Record({i});
        }
    }

    // The window's picture as a full paint of the record as it stands would draw it.
    QImage FreshPicture() {
        TestRecord rec = Rec();
        QImage image(View().Image().size(), QImage::Format_RGB32);
        image.fill(Qt::black);
        CDiscardPane pane;
        CGraphDC dc(image);
        PaintPass(rec, dc, pane, false);
        return image;
    }
    // The window shows the record as it stands: all of it, or (after a redraw of the plot only)
    // the inside of the plot frame. The plot's redraw leaves what lies outside the frame, such as
    // the row just below it where a curve's zero lies.
    bool PictureIsCurrent() { return SameWithin(View().Image().rect()); }
    bool PlotIsCurrent() {
        const QSize size = View().Image().size();
        const QRect rcPlot(QPoint(size.width() * 80 / 1000 + 2, size.height() * 15 / 1000 + 2),
                           QPoint(size.width() * 985 / 1000 - 2, size.height() * 920 / 1000 - 2));
        return SameWithin(rcPlot);
    }
    bool SameWithin(const QRect& rc) {
        const QImage fresh = FreshPicture();
        const QImage& shown = View().Image();
        QRect rcDiff;
        for (int y = rc.top(); y <= rc.bottom(); ++y) {
            for (int x = rc.left(); x <= rc.right(); ++x) {
                if (shown.pixel(x, y) != fresh.pixel(x, y)) {
                    rcDiff |= QRect(x, y, 1, 1);
                }
            }
        }
        if (rcDiff.isEmpty()) {
            return true;
        }
        ADD_FAILURE() << "the window differs from a fresh paint within (" << rcDiff.left() << ", "
                      << rcDiff.top() << ") - (" << rcDiff.right() << ", " << rcDiff.bottom()
                      << ")";
        return false;
    }

    // Answers the next Wind Speed dialog: types the text over what it shows, then OK or Cancel.
    void AnswerWindSpeed(const QString& strTyped, bool bOK, QString* pShown = nullptr,
                         QString* pUnit = nullptr) {
        m_modal.Then([=](QWidget* pWidget) {
            auto* pDlg = dynamic_cast<CWindSpeedDlg*>(pWidget);
            ASSERT_NE(pDlg, nullptr) << "not the Wind Speed dialog";
            EXPECT_FALSE(PollRunning()) << "the poll runs while the speed is asked for";
            if (pShown)
                *pShown = pDlg->m_pSpeed->text();
            if (pUnit)
                *pUnit = pDlg->m_pUnit->text();
            pDlg->m_pSpeed->selectAll();
            QTest::keyClicks(pDlg->m_pSpeed, strTyped);
            QDialog* pBase = pDlg;  // OK as its button gives it, checks included
            bOK ? pBase->accept() : pBase->reject();
        });
    }
    // Answers the next modal window with Cancel, noting its caption.
    void Dismiss(QString* pCaption = nullptr) {
        m_modal.Then([=](QWidget* pWidget) {
            if (pCaption)
                *pCaption = pWidget->windowTitle();
            if (auto* pDlg = qobject_cast<QDialog*>(pWidget)) {
                pDlg->reject();
            }
        });
    }

    // Commands written to the controller since the last look.
    std::vector<std::string> Sent() { return m_line.TakeWrites(); }

    std::unique_ptr<CMainFrame> m_pFrame;
    CZEFView* m_pView = nullptr;
};

using Strings = std::vector<std::string>;

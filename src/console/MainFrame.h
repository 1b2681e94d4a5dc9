#pragma once

#include <QMainWindow>
#include <map>
#include <memory>

#include "core/record/StatusPane.h"

class CZEFView;
class QAction;
class QLabel;
class QScreen;
class QToolBar;
class QStatusBar;

// The console's one top-level window: menu and accelerators, toolbar, status bar, and the view
// that draws the graph.
class CMainFrame : public QMainWindow {
public:
    CMainFrame();
    ~CMainFrame() override;

    CZEFView* View() const { return m_pView; }
    QAction* Action(int nCommand) const;
    // The status bar's message pane, where the status line and the poll's messages go.
    CStatusPane& MessagePane();
    QLabel* MessageLabel() const { return m_pMessage; }
    // The keyboard indicators as shown.
    QString IndicatorText(int nIndex) const;

    // Runs a command as its menu item, accelerator or button would.
    void OnCommand(int nCommand);

    // Where the frame goes on a screen of the given size: about 99 % of it, nearly centred.
    static QRect InitialGeometry(const QSize& screen);

    QToolBar* m_wndToolBar;
    QStatusBar* m_wndStatusBar;

protected:
    void closeEvent(QCloseEvent* pEvent) override;

private:
    class CMessagePane;

    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void CreateStatusBar();
    void UpdateIndicators();

    CZEFView* m_pView;
    std::map<int, QAction*> m_actions;
    QLabel* m_pMessage = nullptr;
    QLabel* m_pIndicators[3] = {};
    std::unique_ptr<CMessagePane> m_pPane;
};

// Caps, Num and Scroll Lock as the keyboard reports them (bits 0, 1, 2); 0 where the display
// cannot tell.
unsigned LockKeyState();

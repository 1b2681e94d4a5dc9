#pragma once

#include <QMainWindow>
#include <map>
#include <memory>
#include <optional>

#include "core/record/StatusPane.h"

class CCompareWnd;
class CDataTableDock;
class CZEFApp;
class CZEFView;
class QKeyEvent;
class QAction;
class QLabel;
class QScreen;
class QToolBar;
class QStatusBar;

// Caps, Num and Scroll Lock followed from the keys the program sees, where the display cannot be
// asked: each press of a lock key turns its light over, and where key events carry the keyboard's
// modifier state (Wayland, or X without its keyboard extension), Caps and Num Lock are taken from
// it, so that a lock turned on before the program started shows at the next key.
class CLockKeys {
public:
    explicit CLockKeys(bool bNativeModifiers) : m_bNativeModifiers(bNativeModifiers) {}
    void OnKeyPress(const QKeyEvent& event);
    unsigned State() const { return m_nState; }

private:
    bool m_bNativeModifiers;
    unsigned m_nState = 0;
};

// The console's one top-level window: menu and accelerators, toolbar, status bar, and the view
// that draws the graph.
class CMainFrame : public QMainWindow {
public:
    // The main window of app, with the view and the data table.
    explicit CMainFrame(CZEFApp& app);
    ~CMainFrame() override;

    CZEFView* View() const { return m_pView; }
    CDataTableDock* DataTable() const { return m_pDataTable; }
    // The Compare Tests window, once View > Compare Tests has opened it.
    CCompareWnd* CompareWindow() const { return m_pCompare; }
    QAction* Action(int nCommand) const;
    // The status bar's message pane, where the status line and the poll's messages go.
    CStatusPane& MessagePane();
    QLabel* MessageLabel() const { return m_pMessage; }
    // The keyboard indicators as shown.
    QString IndicatorText(int nIndex) const;
    // The link's pane as shown: "ON-LINE" or "OFF-LINE".
    QString LinkText() const;
    // The fan's pane as shown: "RUNNING", "STOPPING", "STOPPED" or "UNKNOWN".
    QString FanText() const;

    // Runs a command as its menu item, accelerator or button would. While the link is at work
    // (a reply awaited) it waits, and runs in turn once that work is over; Stop Wind first.
    void OnCommand(int nCommand);

    // Where the frame goes on a screen of the given size: about 99 % of it, nearly centred.
    static QRect InitialGeometry(const QSize& screen);
    // The same on a screen that may lie anywhere on the desktop.
    static QRect InitialGeometry(const QRect& screen);

    QToolBar* m_wndToolBar;
    QStatusBar* m_wndStatusBar;

    // Shows the link's on-line flag in its pane (or that a reply is awaited longer than an
    // answering controller takes) and the fan's state in its own; also runs whenever the program
    // is about to wait.
    void UpdateLinkPane();

protected:
    void closeEvent(QCloseEvent* pEvent) override;
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    class CMessagePane;

    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void CreateStatusBar();
    // The link's pane, after the lock keys' panes.
    void CreateLinkPane();
    void CreateDataTable();
    void RunCommand(int nCommand);
    void UpdateIndicators();
    // Undo is greyed while there is nothing to undo or a run is active.
    void UpdateUndo();

    CZEFApp& m_app;
    CZEFView* m_pView;
    CDataTableDock* m_pDataTable = nullptr;
    CCompareWnd* m_pCompare = nullptr;
    std::map<int, QAction*> m_actions;
    QLabel* m_pMessage = nullptr;
    QLabel* m_pIndicators[3] = {};
    QLabel* m_pLink = nullptr;
    QLabel* m_pFan = nullptr;
    CLockKeys m_lockKeys;
    std::unique_ptr<CMessagePane> m_pPane;
};

// Caps, Num and Scroll Lock as the keyboard reports them (bits 0, 1, 2); nothing where the
// display cannot tell (no X server, as on Wayland or in a build without X11).
std::optional<unsigned> LockKeyState();

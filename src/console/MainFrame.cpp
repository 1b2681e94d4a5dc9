#include "console/MainFrame.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QWindow>

#include "console/Commands.h"
#include "console/CompareWnd.h"
#include "console/DataTable.h"
#include "console/Export.h"
#include "console/SheetCommand.h"
#include "console/ZEFApp.h"
#include "console/ZEFView.h"
#include "core/link/ControllerCommands.h"
#include "core/link/SerialPort.h"

#if __has_include(<X11/XKBlib.h>)
#include <X11/XKBlib.h>
#define ZEF_HAVE_XKB 1
#undef KeyPress  // Qt's event type of that name is meant below
#endif

std::optional<unsigned> LockKeyState() {
#ifdef ZEF_HAVE_XKB
    auto* pX11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* pDisplay = pX11 ? pX11->display() : nullptr;
    if (!pDisplay) {
        return std::nullopt;
    }
    unsigned nState = 0;
    const char* names[3] = {"Caps Lock", "Num Lock", "Scroll Lock"};
    for (int i = 0; i < 3; ++i) {
        Bool bOn = False;
        const Atom atom = XInternAtom(pDisplay, names[i], True);
        if (atom != None && XkbGetNamedIndicator(pDisplay, atom, nullptr, &bOn, nullptr, nullptr) &&
            bOn) {
            nState |= 1u << i;
        }
    }
    return nState;
#else
    return std::nullopt;
#endif
}

namespace {

// The keyboard's Lock and Mod2 (Num Lock) bits, as X and Wayland keymaps lay them out.
constexpr quint32 NATIVE_CAPS_LOCK = 0x02;
constexpr quint32 NATIVE_NUM_LOCK = 0x10;

bool PlatformGivesNativeModifiers() {
    const QString strPlatform = QGuiApplication::platformName();
    return strPlatform == QLatin1String("xcb") || strPlatform.startsWith(QLatin1String("wayland"));
}

}  // namespace

void CLockKeys::OnKeyPress(const QKeyEvent& event) {
    if (event.isAutoRepeat()) {
        return;
    }
    switch (event.key()) {
        case Qt::Key_CapsLock:
            m_nState ^= 1u;
            return;
        case Qt::Key_NumLock:
            m_nState ^= 2u;
            return;
        case Qt::Key_ScrollLock:
            m_nState ^= 4u;
            return;
        default:
            break;
    }
    // Any other key tells the locks' state as it stands; a lock key's own event may not yet.
    if (m_bNativeModifiers) {
        const quint32 nNative = event.nativeModifiers();
        m_nState = (m_nState & 4u) | ((nNative & NATIVE_CAPS_LOCK) ? 1u : 0u) |
                   ((nNative & NATIVE_NUM_LOCK) ? 2u : 0u);
    }
}

namespace {

constexpr char LINK_ON[] = "ON-LINE";
constexpr char LINK_OFF[] = "OFF-LINE";
constexpr char LINK_WAITING[] = "WAITING";
// An answering controller replies well within this; a longer wait is shown.
constexpr std::int64_t WAITING_SHOWN_MS = 300;

const char* FanStateName(FanState state) {
    switch (state) {
        case FanState::STOPPED:
            return "STOPPED";
        case FanState::RUNNING:
            return "RUNNING";
        case FanState::STOPPING:
            return "STOPPING";
        default:
            return "UNKNOWN";
    }
}

}  // namespace

// Writes into the first pane at once, as the status line must show while a tick still runs.
class CMainFrame::CMessagePane : public CStatusPane {
public:
    explicit CMessagePane(QLabel* pLabel) : m_pLabel(pLabel) {}
    void SetStatusText(const std::string& strText) override {
        m_pLabel->setText(QString::fromStdString(strText));
        m_pLabel->repaint();
    }

private:
    QLabel* m_pLabel;
};

QRect CMainFrame::InitialGeometry(const QRect& screen) {
    return InitialGeometry(screen.size()).translated(screen.topLeft());
}

QRect CMainFrame::InitialGeometry(const QSize& screen) {
    const int nHeight = static_cast<int>(screen.height() * 0.9900990099009901);
    const int nWidth = static_cast<int>(screen.width() * 0.9900990099009901);
    const int nTop = static_cast<int>(nHeight * 1.01 - nHeight) / 2;
    const int nLeft = static_cast<int>(nWidth * 1.01 - nWidth) / 2;
    return {nLeft, nTop, nWidth, nHeight};
}

CMainFrame::CMainFrame(CZEFApp& app) : m_app(app), m_lockKeys(PlatformGivesNativeModifiers()) {
    setWindowTitle(QStringLiteral("Zefron"));
    setWindowIcon(QIcon(QStringLiteral(":/zef.svg")));
    m_pView = new CZEFView(app.Services(), {app.m_bEnglish, app.m_dMaxSpeed}, this);
    setCentralWidget(m_pView);
    CreateActions();
    CreateMenus();
    CreateToolBar();
    CreateStatusBar();
    CreateDataTable();
    if (QScreen* pScreen = QGuiApplication::primaryScreen()) {
        // The rule places the whole window, caption and border included: the client area is
        // what is left inside the frame, as far as the window system tells the frame now.
        // On the primary screen, wherever that lies on the desktop.
        const QRect rc = InitialGeometry(pScreen->geometry());
        winId();
        const QMargins frame = windowHandle() ? windowHandle()->frameMargins() : QMargins();
        setGeometry(rc.marginsRemoved(frame));
    }
}

CMainFrame::~CMainFrame() {
    // The table goes first, while the window it is docked in is still whole.
    m_pView->m_fnRecordChanged = nullptr;
    delete m_pDataTable;
}

QAction* CMainFrame::Action(int nCommand) const {
    auto it = m_actions.find(nCommand);
    return it == m_actions.end() ? nullptr : it->second;
}

CStatusPane& CMainFrame::MessagePane() {
    return *m_pPane;
}

QString CMainFrame::IndicatorText(int nIndex) const {
    return m_pIndicators[nIndex]->text();
}

QString CMainFrame::LinkText() const {
    return m_pLink->text();
}

QString CMainFrame::FanText() const {
    return m_pFan->text();
}

void CMainFrame::CreateActions() {
    auto make = [this](int nCommand, const QString& strText) {
        auto* pAction = new QAction(strText, this);
        const QString strPrompt = CommandPrompt(nCommand);
        pAction->setStatusTip(StatusPrompt(strPrompt));
        if (!TipPrompt(strPrompt).isEmpty()) {
            pAction->setToolTip(TipPrompt(strPrompt));
        }
        pAction->setData(nCommand);
        connect(pAction, &QAction::triggered, this, [this, nCommand] { OnCommand(nCommand); });
        m_actions[nCommand] = pAction;
        return pAction;
    };
    for (const MenuEntry& entry : MenuTable()) {
        if (entry.nCommand != 0) {
            make(entry.nCommand, QString::fromLatin1(entry.pText));
        }
    }
    // New has no menu item, only its accelerator.
    addAction(make(ID_FILE_NEW, QStringLiteral("&New")));

    // The accelerators work while the main window is active; a modal dialog is a window of its
    // own, so a plain letter typed there never reaches them.
    std::map<int, QList<QKeySequence>> keys;
    for (const Accelerator& accel : AcceleratorTable()) {
        keys[accel.nCommand].append(QKeySequence(QString::fromLatin1(accel.pKey)));
    }
    for (auto& [nCommand, list] : keys) {
        m_actions[nCommand]->setShortcuts(list);
        m_actions[nCommand]->setShortcutContext(Qt::WindowShortcut);
    }
    m_actions[ID_VIEW_TOOLBAR]->setCheckable(true);
    m_actions[ID_VIEW_TOOLBAR]->setChecked(true);
    m_actions[ID_VIEW_STATUS_BAR]->setCheckable(true);
    m_actions[ID_VIEW_STATUS_BAR]->setChecked(true);
}

void CMainFrame::CreateMenus() {
    QMenu* pMenu = nullptr;
    QString strMenu;
    for (const MenuEntry& entry : MenuTable()) {
        if (!pMenu || strMenu != QLatin1String(entry.pMenu)) {
            strMenu = QString::fromLatin1(entry.pMenu);
            pMenu = menuBar()->addMenu(strMenu);
            connect(pMenu, &QMenu::aboutToShow, this, &CMainFrame::UpdateUndo);
        }
        if (entry.nCommand == 0) {
            pMenu->addSeparator();
        } else {
            pMenu->addAction(m_actions[entry.nCommand]);
        }
    }
}

void CMainFrame::CreateToolBar() {
    m_wndToolBar = new QToolBar(this);
    m_wndToolBar->setObjectName(QStringLiteral("toolbar"));
    m_wndToolBar->setIconSize(QSize(16, 15));
    m_wndToolBar->setMovable(true);
    m_wndToolBar->setAllowedAreas(Qt::AllToolBarAreas);
    // Images are taken in order from the strip, skipping separators.
    const QPixmap strip(QStringLiteral(":/toolbar.png"));
    const QPixmap strip2x(QStringLiteral(":/toolbar@2x.png"));
    int nImage = 0;
    for (int nCommand : ToolbarTable()) {
        if (nCommand == 0) {
            m_wndToolBar->addSeparator();
            continue;
        }
        QIcon icon;
        if (!strip.isNull()) {
            icon.addPixmap(strip.copy(nImage * 16, 0, 16, 15));
        }
        if (!strip2x.isNull()) {
            QPixmap cell = strip2x.copy(nImage * 32, 0, 32, 30);
            cell.setDevicePixelRatio(2.0);
            icon.addPixmap(cell);
        }
        ++nImage;
        m_actions[nCommand]->setIcon(icon);
        m_wndToolBar->addAction(m_actions[nCommand]);
    }
    addToolBar(Qt::TopToolBarArea, m_wndToolBar);
    setDockOptions(dockOptions() | QMainWindow::AllowNestedDocks);
    connect(m_wndToolBar, &QToolBar::visibilityChanged, m_actions[ID_VIEW_TOOLBAR],
            &QAction::setChecked);
}

void CMainFrame::CreateStatusBar() {
    m_wndStatusBar = new QStatusBar(this);
    m_wndStatusBar->setObjectName(QStringLiteral("statusbar"));
    setStatusBar(m_wndStatusBar);
    m_pMessage = new QLabel(QStringLiteral("Ready"), m_wndStatusBar);
    m_pMessage->setObjectName(QStringLiteral("message"));
    m_wndStatusBar->addWidget(m_pMessage, 1);
    const char* pNames[3] = {"CAP", "NUM", "SCRL"};
    for (int i = 0; i < 3; ++i) {
        m_pIndicators[i] = new QLabel(m_wndStatusBar);
        m_pIndicators[i]->setObjectName(QLatin1String(pNames[i]));
        m_pIndicators[i]->setAlignment(Qt::AlignCenter);
        m_pIndicators[i]->setMinimumWidth(
            m_pIndicators[i]->fontMetrics().horizontalAdvance(QLatin1String(pNames[i])) + 12);
        m_pIndicators[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        m_wndStatusBar->addPermanentWidget(m_pIndicators[i]);
    }
    // The panes the console adds come after the keyboard's, which stay where they always were.
    CreateLinkPane();
    m_pPane = std::make_unique<CMessagePane>(m_pMessage);
    m_pView->SetStatusPane(m_pPane.get());
    // When a prompt leaves the pane, it shows the idle text again.
    connect(m_wndStatusBar, &QStatusBar::messageChanged, this, [this](const QString& strMessage) {
        if (strMessage.isEmpty()) {
            m_pMessage->setText(QStringLiteral("Ready"));
        }
    });
    // The lock keys have no event of their own on X, and Undo is greyed while a run is active:
    // follow both at a pace the eye cannot tell. Off X the lock keys are followed from the keys
    // themselves, as they reach any of the program's windows.
    const bool bAskX = LockKeyState().has_value();
    auto* pTimer = new QTimer(this);
    connect(pTimer, &QTimer::timeout, this, [this, bAskX] {
        if (bAskX) {
            UpdateIndicators();
        }
        UpdateUndo();
    });
    pTimer->start(250);
    if (!bAskX) {
        qApp->installEventFilter(this);
    }
    UpdateIndicators();
    UpdateUndo();
    // The link's flag changes inside the link and the commands; whenever the program is about
    // to wait (a message box up, a tick done) the pane catches up.
    if (auto* pDispatcher = QAbstractEventDispatcher::instance()) {
        connect(pDispatcher, &QAbstractEventDispatcher::aboutToBlock, this,
                &CMainFrame::UpdateLinkPane);
    }
    UpdateLinkPane();
}

void CMainFrame::CreateLinkPane() {
    // The link's state, at all times: a Cancel on a link box leaves the last status line in
    // place, and only this pane tells that the console no longer talks to the tunnel.
    m_pLink = new QLabel(m_wndStatusBar);
    m_pLink->setObjectName(QStringLiteral("link"));
    m_pLink->setAlignment(Qt::AlignCenter);
    m_pLink->setMinimumWidth(m_pLink->fontMetrics().horizontalAdvance(QLatin1String(LINK_OFF)) +
                             12);
    m_pLink->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_wndStatusBar->addPermanentWidget(m_pLink);
    // The fan's state, at all times beside the link's: a prompt replaces the status line that
    // says it in the message pane.
    m_pFan = new QLabel(m_wndStatusBar);
    m_pFan->setObjectName(QStringLiteral("fan"));
    m_pFan->setAlignment(Qt::AlignCenter);
    m_pFan->setMinimumWidth(
        m_pFan->fontMetrics().horizontalAdvance(QLatin1String(FanStateName(FanState::STOPPING))) +
        12);
    m_pFan->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_pFan->setToolTip(QStringLiteral("The fan as the tunnel's controller last reported it"));
    m_wndStatusBar->addPermanentWidget(m_pFan);
}

void CMainFrame::UpdateLinkPane() {
    CSerialPort& port = m_app.Services().m_port;
    const bool bWaiting = port.m_bOnline && port.Gate().ExchangeMillis() >= WAITING_SHOWN_MS;
    const char* pszText = port.m_bOnline ? LINK_ON : LINK_OFF;
    if (bWaiting) {
        pszText = LINK_WAITING;
    }
    const QString strText = QLatin1String(pszText);
    if (m_pLink->text() != strText) {
        m_pLink->setText(strText);
        // The window still takes everything; what is done meanwhile acts once the reply is in.
        if (bWaiting) {
            setCursor(Qt::BusyCursor);
        } else {
            unsetCursor();
        }
    }
    const QString strFan = QLatin1String(FanStateName(FanStateOf(m_app.Services().m_port)));
    if (m_pFan->text() != strFan) {
        m_pFan->setText(strFan);
    }
}

bool CMainFrame::eventFilter(QObject* pWatched, QEvent* pEvent) {
    // At the window, where each key from the keyboard arrives once; a key then travels from
    // widget to widget and would be seen again at each.
    if (pEvent->type() == QEvent::KeyPress && qobject_cast<QWindow*>(pWatched)) {
        m_lockKeys.OnKeyPress(*static_cast<QKeyEvent*>(pEvent));
        UpdateIndicators();
    }
    return QMainWindow::eventFilter(pWatched, pEvent);
}

void CMainFrame::CreateDataTable() {
    m_pDataTable = new CDataTableDock(m_pView->m_rec, *this, m_app.Services().m_profile);
    QAction* pAction = m_actions[ID_VIEW_DATA_TABLE];
    pAction->setCheckable(true);
    connect(m_pDataTable->toggleViewAction(), &QAction::toggled, pAction, &QAction::setChecked);
    m_pView->m_fnRecordChanged = [this] {
        m_pDataTable->RecordChanged();
        if (m_pCompare) {
            m_pCompare->ConsoleChanged();  // the console's units may have changed
        }
    };
    m_pDataTable->RestorePlace();
}

void CMainFrame::UpdateIndicators() {
    const unsigned nState = LockKeyState().value_or(m_lockKeys.State());
    const char* pNames[3] = {"CAP", "NUM", "SCRL"};
    for (int i = 0; i < 3; ++i) {
        const QString strText = (nState & (1u << i)) ? QLatin1String(pNames[i]) : QString();
        if (m_pIndicators[i]->text() != strText) {
            m_pIndicators[i]->setText(strText);
        }
    }
}

void CMainFrame::UpdateUndo() {
    QAction* pUndo = m_actions[ID_EDIT_UNDO];
    const bool bEnabled = m_pView->CanUndo();
    if (pUndo->isEnabled() != bEnabled) {
        pUndo->setEnabled(bEnabled);
    }
}

void CMainFrame::closeEvent(QCloseEvent* pEvent) {
    // Not from under an exchange: the window closes once the link's work is over.
    CLinkGate& gate = m_app.Services().m_port.Gate();
    if (gate.Busy()) {
        pEvent->ignore();
        QPointer<CMainFrame> pFrame(this);
        gate.Submit([pFrame] {
            if (pFrame) {
                pFrame->close();
            }
        });
        return;
    }
    // Closing with the fan at rest adds nothing: no question, nothing sent to the tunnel, no
    // settings written. A fan still turning would be left unwatched: the operator is asked.
    if (!m_pView->QueryClose()) {
        pEvent->ignore();
        return;
    }
    pEvent->accept();
}

void CMainFrame::OnCommand(int nCommand) {
    QPointer<CMainFrame> pFrame(this);
    m_app.Services().m_port.Gate().Submit(
        [pFrame, nCommand] {
            if (pFrame) {
                pFrame->RunCommand(nCommand);
            }
        },
        nCommand == ID_STOP_WIND);
}

void CMainFrame::RunCommand(int nCommand) {
    CZEFView& view = *m_pView;
    switch (nCommand) {
        case ID_FILE_NEW:
            m_app.OnFileNew();
            break;
        case ID_FILE_OPEN:
            view.OnFileOpen();
            break;
        case ID_FILE_SAVE_AS:
            view.OnFileSave();
            break;
        case ID_FILE_PRINT:
            view.OnFilePrint(m_app.Printer());
            break;
        case ID_FILE_PRINT_PREVIEW:
            view.OnFilePrintPreview(m_app.Printer());
            break;
        case ID_FILE_PRINT_SETUP:
            m_app.OnFilePrintSetup();
            break;
        case ID_APP_EXIT:
            close();
            break;
        case ID_COM_PORT:
            view.OnComPort();
            break;
        case ID_AXIS:
            view.OnAxis();
            break;
        case ID_STOP_WIND:
            view.OnStopWind();
            break;
        case ID_SET_WIND:
            view.OnSetWindSpeed();
            break;
        case ID_INCREMENT_WIND:
            view.OnIncrementWindSpeed();
            break;
        case ID_DECREMENT_WIND:
            view.OnDecrementWindSpeed();
            break;
        case ID_COMMENTS:
            view.OnComments();
            break;
        case ID_CLEAR_GRAPH:
            view.OnClearGraph();
            break;
        case ID_CONFIGURE:
            view.OnConfigure();
            break;
        case ID_OVERLAY_SET:
            view.OnOverlaySet();
            break;
        case ID_OVERLAY_CLEAR:
            view.OnOverlayClear();
            break;
        case ID_VIEW_TOOLBAR:
            m_wndToolBar->setVisible(!m_wndToolBar->isVisible());
            break;
        case ID_VIEW_STATUS_BAR:
            m_wndStatusBar->setVisible(!m_wndStatusBar->isVisible());
            m_actions[ID_VIEW_STATUS_BAR]->setChecked(m_wndStatusBar->isVisible());
            break;
        case ID_FILE_EXPORT:
            OnFileExport(view, this);
            break;
        case ID_FILE_LAB_SHEET:
            OnFileLabSheet(view, this);
            break;
        case ID_VIEW_DATA_TABLE:
            m_pDataTable->setVisible(m_pDataTable->isHidden());
            break;
        case ID_VIEW_COMPARE:
            // One window, kept with its tests when closed, brought back to the front.
            if (!m_pCompare) {
                m_pCompare = new CCompareWnd(view.m_rec, m_app.Services().m_boxes, this);
            }
            m_pCompare->show();
            m_pCompare->raise();
            m_pCompare->activateWindow();
            break;
        case ID_HELP_CONTENTS:
            m_app.OnHelp();
            break;
        case ID_APP_ABOUT:
            m_app.OnAppAbout();
            break;
        case ID_EDIT_UNDO:
            view.OnEditUndo();
            break;
        default:
            break;
    }
    // The command may have given Undo something to do, or taken it away.
    if (m_pView) {
        UpdateUndo();
    }
}

#include "console/ZEFApp.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QMouseEvent>
#include <QPageSetupDialog>
#include <QPalette>
#include <QPrinter>
#include <QTextBrowser>
#include <QTimer>
#include <utility>

#include "console/AboutDlg.h"
#include "console/Dialogs.h"
#include "console/MainFrame.h"
#include "console/Resources.h"
#include "console/SplashWnd.h"
#include "console/ZEFView.h"
#include "core/files/Profile.h"
#include "core/files/Recovery.h"
#include "core/link/ControllerCommands.h"
#include "core/link/Poll.h"
#include "core/link/PortSelection.h"
#include "core/link/SerialPort.h"

void SetUpApplication() {
    // No display name: the window system would add it to every caption ("Zef - Zefron").
    QApplication::setApplicationName(QStringLiteral("zef"));
    QApplication::setDesktopFileName(QStringLiteral("zef"));
    InitZefResources();
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/zef.svg")));
}

CZEFApp::CZEFApp(const CConsoleServices& services)
    : m_strHelpUrl(QLatin1String(HELP_URL)), m_services(services) {
    m_wakeTimer.setSingleShot(true);
}

CZEFApp::~CZEFApp() = default;

int CZEFApp::MessageBox(const QString& strText, unsigned nType) {
    return m_services.m_boxes.Show(strText, nType);
}

void CZEFApp::OnProfileWriteFailed(const CProfile& profile) {
    if (m_bProfileWarned) {
        return;
    }
    m_bProfileWarned = true;
    MessageBox(QStringLiteral("Settings cannot be saved in \"%1\":\r%2\r"
                              "The console keeps the settings made until it closes.")
                   .arg(QDir::toNativeSeparators(profile.Path()), profile.ErrorString()),
               MB_OK | MB_ICONEXCLAMATION);
}

void CZEFApp::ReadSettings() {
    const StartupSettings settings = ReadStartupSettings(m_services.m_profile);
    m_bEnglish = settings.m_bEnglish;
    m_dMaxSpeed = settings.m_dMaxSpeed;
}

namespace {

// Dialogs and message boxes take the menus' background with black text.
void SetDialogColours() {
    QPalette palette = QApplication::palette("QDialog");
    palette.setColor(QPalette::Window, QApplication::palette("QMenu").color(QPalette::Window));
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::WindowText, Qt::black);
    }
    QApplication::setPalette(palette, "QDialog");
}

}  // namespace

bool CZEFApp::InitInstance() {
    // The one COM Port dialog of start-up, asked again until a port opens or the operator cancels.
    CProfile& profile = m_services.m_profile;
    CSerialPort& port = m_services.m_port;
    CComPortAsk portDialog(m_services.m_boxes, profile, m_services.m_devices, nullptr);
    m_bProfileWarned = false;
    profile.SetWriteFailureHandler(
        [this](const CProfile& profile) { OnProfileWriteFailed(profile); });
    ReadSettings();
    SetDialogColours();
    qApp->installEventFilter(this);
    port.SetMessageBoxes(&m_services.m_boxes);
    port.SetProfilePath(profile.Path());
    // A copy left by the last session stays as it is until the operator has been asked.
    m_services.m_recovery.Hold(QFileInfo::exists(m_services.m_recovery.Path()));
    m_bRecoveryOffered = false;
    m_bRecoveryPending = true;

    m_pMainWnd = new CMainFrame(*this);
    // The question comes before any run: Yes would replace the test the run records.
    m_pMainWnd->View()->m_fnBeforeRun = [this] { AskRecovery(); };
    m_doc.OnNewDocument();
    m_pMainWnd->show();

    SelectPortAtStartup(portDialog, profile, m_services.m_boxes, port);
    ShowSplash();
    return true;
}

void CZEFApp::ExitInstance() {
    DestroySplash();
    QObject::disconnect(m_idleConnection);
    m_wakeTimer.stop();
    qApp->removeEventFilter(this);
    delete m_pHelp;
    delete m_pMainWnd;
    m_pMainWnd = nullptr;
    // Before the application object goes: a printer outliving it cannot be taken down cleanly.
    m_pPrinter.reset();
}

// --- Splash window -----------------------------------------------------------------------------

void CZEFApp::ShowSplash() {
    m_pSplash = new CSplashWnd;
    m_pSplash->Create();
    m_pSplash->show();
    m_pSplash->raise();
    m_pSplash->activateWindow();
    m_pSplash->repaint();
    m_dwSplashShown = static_cast<std::uint32_t>(m_services.m_clock());
    // Idle is when the event loop is about to wait for input.
    if (auto* pDispatcher = QAbstractEventDispatcher::instance()) {
        m_idleConnection = connect(pDispatcher, &QAbstractEventDispatcher::aboutToBlock, this,
                                   [this] { OnIdle(0); });
    }
}

void CZEFApp::DestroySplash() {
    if (m_pSplash) {
        CSplashWnd* pSplash = m_pSplash;
        m_pSplash = nullptr;
        pSplash->hide();
        delete pSplash;
    }
    m_wakeTimer.stop();
}

void CZEFApp::WakeForIdle(int nMs) {
    // A wait with nothing to wait for would never come back to idle: one timer brings it back.
    if (!m_wakeTimer.isActive() || m_wakeTimer.remainingTime() > nMs) {
        m_wakeTimer.start(nMs);
    }
}

bool CZEFApp::OnIdle(long) {
    if (!m_pSplash) {
        QObject::disconnect(m_idleConnection);
        AfterSplash();
        return false;
    }
    // In 32 bits, so that the second is right across the counter's wrap.
    const std::uint32_t dwElapsed =
        static_cast<std::uint32_t>(m_services.m_clock()) - m_dwSplashShown;
    if (dwElapsed < 1000) {
        WakeForIdle(static_cast<int>(1000 - dwElapsed));
        return true;
    }
    DestroySplash();
    QObject::disconnect(m_idleConnection);
    if (m_services.m_port.m_bOnline == 1) {
        // What lay under the splash is drawn now: the exchange can hold the program for seconds
        // when the controller does not answer, and the picture would stay on screen meanwhile.
        // Input waits, so that nothing the operator does comes before the start-up commands;
        // what comes while they are awaited runs once they are over.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        const CLinkGate::CWork work(m_services.m_port.Gate());
        // The controller's start-up: a reset, then a cancel. What the reset answers is not read.
        CControllerCommands commands(m_services.m_port);
        commands.Reset();
        commands.Cancel();
    }
    AfterSplash();
    return false;
}

void CZEFApp::AfterSplash() {
    if (!std::exchange(m_bRecoveryOffered, true)) {
        // Not from inside the idle pass: the question is a modal box with a loop of its own.
        QTimer::singleShot(0, this, [this] { OfferRecovery(); });
    }
}

void CZEFApp::OfferRecovery() {
    if (!m_pMainWnd || !m_bRecoveryPending) {
        return;
    }
    // A dialog the operator opened, or a run already started, is not interrupted.
    const CSerialPort& port = m_services.m_port;
    if (QApplication::activeModalWidget() || port.m_nPollTimer != 0 || port.m_bRunning) {
        QTimer::singleShot(250, this, [this] { OfferRecovery(); });
        return;
    }
    AskRecovery();
}

void CZEFApp::AskRecovery() {
    if (!m_pMainWnd || !std::exchange(m_bRecoveryPending, false)) {
        return;
    }
    CZEFView* pView = m_pMainWnd->View();
    CRecovery& recovery = m_services.m_recovery;
    auto pFound = std::make_unique<TestRecord>(pView->m_rec);
    const CRecovery::Found found = recovery.Look(*pFound);
    pFound.reset();
    recovery.Hold(false);
    const QString strPath = recovery.Path();
    if (found.kind == CRecovery::Found::KEPT_ASIDE) {
        const QString strWhere =
            found.strKeptAs.isEmpty()
                ? QStringLiteral("It was left at \"%1\".").arg(strPath)
                : QStringLiteral("It was kept as \"%1\".").arg(found.strKeptAs);
        MessageBox(QStringLiteral("The unsaved test of an earlier session cannot be read:\r%1\r%2")
                       .arg(found.strReason, strWhere),
                   MB_OK | MB_ICONEXCLAMATION);
    } else if (found.kind == CRecovery::Found::TEST) {
        if (MessageBox(QStringLiteral("An unsaved test was found.\rRestore it?"),
                       MB_YESNO | MB_ICONQUESTION) == IDYES) {
            pView->OpenTestFile(strPath);
            // It is still unsaved: its copy stays until it is saved or emptied.
            recovery.SetUnsaved(true);
        } else {
            recovery.Remove();
        }
    }
}

bool CZEFApp::PreTranslateMessage(QObject* pTarget, QEvent* pEvent) {
    if (!m_pSplash) {
        return false;
    }
    auto* pWidget = qobject_cast<QWidget*>(pTarget);
    if (!pWidget) {
        return false;  // the same input reaches its widget next
    }
    switch (pEvent->type()) {
        case QEvent::KeyPress:
        // A key that is an accelerator reaches its widget only as this: the accelerator then
        // runs in place of the key press.
        case QEvent::ShortcutOverride:
        case QEvent::NonClientAreaMouseButtonPress:
            break;
        case QEvent::MouseButtonPress: {
            const Qt::MouseButton button = static_cast<QMouseEvent*>(pEvent)->button();
            if (button != Qt::LeftButton && button != Qt::RightButton &&
                button != Qt::MiddleButton) {
                return false;
            }
            break;
        }
        default:
            return false;
    }
    if (pWidget->window() == m_pSplash) {
        m_dwSplashShown -= 1000;  // gone at the next idle pass
        WakeForIdle(0);
    } else {
        DestroySplash();  // at once, and the start-up commands are not sent
    }
    return false;  // the key or click goes on as usual
}

bool CZEFApp::eventFilter(QObject* pWatched, QEvent* pEvent) {
    PreTranslateMessage(pWatched, pEvent);
    return QObject::eventFilter(pWatched, pEvent);
}

// --- Commands ----------------------------------------------------------------------------------

void CZEFApp::OnAppAbout() {
    CAboutDlg dlg(m_pMainWnd);
    dlg.exec();
}

void CZEFApp::OnHelp() {
    if (QWidget* pGrabber = QWidget::mouseGrabber()) {
        pGrabber->releaseMouse();
    }
    if (!ShowHelpContents(m_pMainWnd, m_pHelp, m_strHelpUrl)) {
        MessageBox(QStringLiteral("Failed to launch help."), MB_OK | MB_ICONEXCLAMATION);
    }
}

void CZEFApp::OnFileNew() {
    m_doc.OnNewDocument();
    if (m_pMainWnd) {
        CZEFView* pView = m_pMainWnd->View();
        pView->KeepUndoStep();
        m_services.m_recovery.Replaced();
        pView->OnInitialUpdate();
        // The emptied test is shown at once rather than left under the old picture.
        pView->Invalidate();
    }
}

QPrinter& CZEFApp::Printer() {
    if (!m_pPrinter) {
        m_pPrinter = std::make_unique<QPrinter>(QPrinter::HighResolution);
        m_pPrinter->setDocName(m_doc.Title());
        // The graph is wider than tall; Print Setup can still turn the paper.
        m_pPrinter->setPageOrientation(QPageLayout::Landscape);
    }
    return *m_pPrinter;
}

void CZEFApp::OnFilePrintSetup() {
    QPageSetupDialog dlg(&Printer(), m_pMainWnd);
    dlg.exec();
}

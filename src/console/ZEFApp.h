#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <memory>

#include "console/Services.h"
#include "console/ZEFDoc.h"
#include "core/base/OperatorMessages.h"

class CMainFrame;
class CSplashWnd;
class QPrinter;
class QTextBrowser;

// The console's application object: start-up, the settings, the splash window, the printer,
// About and Help, and the one place operator messages go through. It works through the services
// main hands it.
class CZEFApp : public QObject {
public:
    explicit CZEFApp(const CConsoleServices& services);
    ~CZEFApp() override;

    // Start-up, in this order: settings; main window with its document and view, shown; the
    // serial port; the splash window. Needs the application object. Always succeeds: without a
    // port the console runs off-line.
    bool InitInstance();
    // Takes the windows down (at exit, and before the application object goes).
    void ExitInstance();

    // Shows a message box captioned "Zef" through the operator's message boxes.
    int MessageBox(const QString& strText, unsigned nType = MB_OK);

    // Reads "Units", "Max Speed" and "Absolute Max Speed" into m_bEnglish and m_dMaxSpeed.
    void ReadSettings();
    // Every failed write of a setting comes here: the operator is told once while the console
    // runs, and the console goes on with the values it holds.
    void OnProfileWriteFailed(const CProfile& profile);

    const CConsoleServices& Services() const { return m_services; }

    // Commands of the application.
    void OnAppAbout();
    void OnHelp();
    void OnFileNew();
    void OnFilePrintSetup();
    QPrinter& Printer();

    // The splash window's two hooks: the idle pass (when the event loop is about to wait) and
    // the look at each input event before it is dispatched.
    bool OnIdle(long lCount);
    bool PreTranslateMessage(QObject* pTarget, QEvent* pEvent);
    void ShowSplash();
    void DestroySplash();
    // After the splash: offers the test a crash left unsaved, once no dialog is up and no run
    // is active.
    void OfferRecovery();
    // Asks about that test now, unless it has been asked already; the speed commands call it
    // before they may start a run.
    void AskRecovery();

    std::int32_t m_bEnglish = 1;
    double m_dMaxSpeed = 80.0;
    CSplashWnd* m_pSplash = nullptr;
    std::uint32_t m_dwSplashShown = 0;

    CMainFrame* m_pMainWnd = nullptr;
    CZEFDoc m_doc;
    // The operator has been told that settings cannot be saved.
    bool m_bProfileWarned = false;
    // Where the operator's manual is read from, at its contents.
    QString m_strHelpUrl;

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    void WakeForIdle(int nMs);
    void AfterSplash();

    CConsoleServices m_services;
    std::unique_ptr<QPrinter> m_pPrinter;
    QPointer<QTextBrowser> m_pHelp;
    QMetaObject::Connection m_idleConnection;
    QTimer m_wakeTimer;
    bool m_bRecoveryOffered = false;  // the offer was posted, once a start-up
    bool m_bRecoveryPending = false;  // the question is still to be asked, once a start-up
};

// The application's names, icon and compiled-in pictures; once, after the application object
// has been made and before start-up.
void SetUpApplication();

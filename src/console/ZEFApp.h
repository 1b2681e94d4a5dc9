#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>

#include "console/MessageBox.h"
#include "core/files/Profile.h"
#include "console/ZEFDoc.h"
#include "core/link/DeviceScan.h"
#include "core/files/Recovery.h"
#include "core/link/SerialPort.h"

class CMainFrame;
class CSplashWnd;
class QPrinter;
class QTextBrowser;

// The console's application object: start-up, the settings, the splash window, the printer,
// About and Help, and the one place operator messages go through.
class CZEFApp : public QObject {
public:
    CZEFApp();
    ~CZEFApp() override;

    // Start-up, in this order: settings; main window with its document and view, shown; the
    // serial port; the splash window. Needs the application object. Always succeeds: without a
    // port the console runs off-line.
    bool InitInstance();
    // Takes the windows down (at exit, and between tests).
    void ExitInstance();

    // Shows a message box captioned "Zef" through the current message boxes.
    int MessageBox(const QString& strText, unsigned nType = MB_OK);

    std::uint32_t GetProfileInt(std::string_view section, std::string_view key,
                                std::uint32_t nDefault) const {
        return m_profile.GetProfileInt(section, key, nDefault);
    }
    bool WriteProfileInt(std::string_view section, std::string_view key, int nValue) {
        return m_profile.WriteProfileInt(section, key, nValue);
    }
    // Reads "Units", "Max Speed" and "Absolute Max Speed" into m_bEnglish and m_dMaxSpeed.
    void ReadSettings();
    // Every failed write of a setting comes here: the operator is told once while the console
    // runs, and the console goes on with the values it holds.
    void OnProfileWriteFailed(const CProfile& profile);

    // Settings kept as text, such as the folder of the last test file.
    std::optional<std::string> GetProfileString(std::string_view section,
                                                std::string_view key) const {
        return m_profile.GetProfileString(section, key);
    }
    bool WriteProfileString(std::string_view section, std::string_view key,
                            std::string_view value) {
        return m_profile.WriteProfileString(section, key, value);
    }

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

    std::int32_t m_bEnglish = 1;
    double m_dMaxSpeed = 80.0;
    CSplashWnd* m_pSplash = nullptr;
    std::uint32_t m_dwSplashShown = 0;

    // Where settings live and where operator messages go; tests replace both.
    CProfile m_profile;
    CMessageBoxes* m_pMessageBoxes;
    // Where the COM Port dialog looks for serial devices; tests point it at a tree of fakes.
    CDeviceScanner m_deviceScanner;
    // The millisecond tick counter the splash is timed with; tests set their own.
    std::function<std::uint32_t()> m_fnTickCount;

    // The copy of the unsaved test; its place is read at start-up.
    CRecovery m_recovery;

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

    std::unique_ptr<CQtMessageBoxes> m_pQtBoxes;
    std::unique_ptr<QPrinter> m_pPrinter;
    QPointer<QTextBrowser> m_pHelp;
    QMetaObject::Connection m_idleConnection;
    QTimer m_wakeTimer;
    bool m_bRecoveryOffered = false;  // the offer was posted, once a start-up
    bool m_bRecoveryPending = false;  // and is still to be made
};

extern CZEFApp theApp;
// The link to the tunnel's controller that the console drives.
extern CSerialPort thePort;

// The application's names, icon and compiled-in pictures; once, after the application object
// has been made and before start-up.
void SetUpApplication();

// The system's millisecond tick counter, as an unsigned 32-bit value that wraps.
std::uint32_t GetTickCount();

#pragma once

#include <QString>
#include <cstdint>
#include <memory>

#include "app/MessageBox.h"
#include "app/Profile.h"

class CSplashWnd;
class CMainFrame;
class QApplication;

// The console's application object: its settings, its profile, and the operator's messages.
class CZEFApp {
public:
    CZEFApp();
    ~CZEFApp();

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

    std::int32_t m_bEnglish = 1;
    double m_dMaxSpeed = 80.0;
    CSplashWnd* m_pSplash = nullptr;
    std::uint32_t m_dwSplashShown = 0;

    // Where settings live and where operator messages go; tests replace both.
    CProfile m_profile;
    CMessageBoxes* m_pMessageBoxes;

private:
    std::unique_ptr<CQtMessageBoxes> m_pQtBoxes;
};

extern CZEFApp theApp;

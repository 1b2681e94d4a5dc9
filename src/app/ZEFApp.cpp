#include "app/ZEFApp.h"

CZEFApp theApp;

CZEFApp::CZEFApp()
    : m_profile(CProfile::DefaultPath()),
      m_pMessageBoxes(nullptr),
      m_pQtBoxes(std::make_unique<CQtMessageBoxes>()) {
    m_pMessageBoxes = m_pQtBoxes.get();
}

CZEFApp::~CZEFApp() = default;

int CZEFApp::MessageBox(const QString& strText, unsigned nType) {
    return m_pMessageBoxes->Show(strText, nType);
}

void CZEFApp::ReadSettings() {
    const StartupSettings settings = ReadStartupSettings(m_profile);
    m_bEnglish = settings.m_bEnglish;
    m_dMaxSpeed = settings.m_dMaxSpeed;
}

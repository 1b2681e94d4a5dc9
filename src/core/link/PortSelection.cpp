#include "core/link/PortSelection.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "core/base/OperatorMessages.h"
#include "core/files/Profile.h"

QString PortText(int nPort) {
    return QStringLiteral("COM%1").arg(nPort);
}

std::optional<int> PortFromText(const QString& strText) {
    const QByteArray text = strText.toLocal8Bit();
    if (!text.startsWith("COM")) {
        return std::nullopt;
    }
    const char* pszNumber = text.constData() + 3;
    char* pEnd = nullptr;
    errno = 0;
    const long n = std::strtol(pszNumber, &pEnd, 10);
    if (pEnd == pszNumber || errno == ERANGE || n < INT_MIN || n > INT_MAX) {
        return std::nullopt;
    }
    return static_cast<int>(n);
}

QString PortNotDetectedText(const CSerialPort& port) {
    QString strText = QString::fromLatin1(MSG_PORT_NOT_DETECTED);
    if (port.m_nOpenError != 0 && !IsMissingDevice(port.m_nOpenError) &&
        !port.m_strOpenError.isEmpty()) {
        strText += QLatin1Char('\r') + port.m_strOpenError;
    }
    return strText;
}

bool SelectPortAtStartup(CPortDialog& dlg, CProfile& profile, CMessageBoxes& boxes,
                         CSerialPort& port) {
    int nPort = static_cast<int>(profile.GetProfileInt(PROFILE_SYSTEM, PROFILE_COM_PORT, 0));
    for (;;) {
        port.m_bOnline = 0;
        if (nPort != 0) {
            port.m_nPort = nPort;
            if (port.Open()) {
                port.m_bOnline = 1;
                return true;
            }
            boxes.Show(PortNotDetectedText(port), MB_OK | MB_ICONEXCLAMATION);
            nPort = 0;
        }
        // Proposes the port that just failed, or the link's first port on a fresh installation.
        QString strPort = PortText(port.m_nPort);
        if (!dlg.Ask(strPort)) {
            return false;
        }
        nPort = PortFromText(strPort).value_or(0);
        // Stored before it is tried, so that the next start proposes it even if it fails now.
        profile.WriteProfileInt(PROFILE_SYSTEM, PROFILE_COM_PORT, nPort);
    }
}

bool OnComPort(CPortDialog& dlg, CProfile& profile, CMessageBoxes& boxes, CSerialPort& port) {
    QString strPort = PortText(port.m_nPort);
    for (;;) {
        // Down while the dialog is up: a poll tick meanwhile sends nothing.
        port.m_bOnline = 0;
        if (!dlg.Ask(strPort)) {
            return false;
        }
        const std::optional<int> nPort = PortFromText(strPort);
        if (nPort) {
            port.m_nPort = *nPort;
            if (port.Open()) {
                port.m_bOnline = 1;
                profile.WriteProfileInt(PROFILE_SYSTEM, PROFILE_COM_PORT, *nPort);
                return true;
            }
            boxes.Show(PortNotDetectedText(port), MB_OK | MB_ICONEXCLAMATION);
        } else {
            // A text without a port number names no port that could open.
            boxes.Show(QString::fromLatin1(MSG_PORT_NOT_DETECTED), MB_OK | MB_ICONEXCLAMATION);
        }
    }
}

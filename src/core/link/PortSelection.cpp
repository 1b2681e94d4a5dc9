#include "core/link/PortSelection.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "core/base/OperatorMessages.h"
#include "core/files/Profile.h"
#include "core/link/DeviceScan.h"

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

bool IsDevicePath(const QString& strText) {
    return strText.startsWith(QLatin1Char('/'));
}

CDevicePort PortForDevice(const CProfile& profile, const CDeviceScanner& devices,
                          const QString& strPath) {
    if (const int nPort = devices.PortOf(profile, strPath); nPort != 0) {
        return {nPort, {}};
    }
    const int nFree = devices.LowestFreePort(profile);
    return {nFree, nFree != 0 ? strPath : QString()};
}

QString PortNotDetectedText(const CSerialPort& port) {
    QString strText = QString::fromLatin1(MSG_PORT_NOT_DETECTED) + QLatin1Char('\r') +
                      PortText(port.m_nPort) + QStringLiteral(": ");
    if (!IsPortNumber(port.m_nPort)) {
        return strText + QLatin1String(MSG_NO_SUCH_PORT);
    }
    if (port.m_nOpenError != 0 && !IsMissingDevice(port.m_nOpenError) &&
        !port.m_strOpenError.isEmpty()) {
        return strText + port.m_strOpenError;
    }
    return strText + port.DevicePath() + QStringLiteral(", no such device");
}

namespace {

// Opens port nPort, on the device newly chosen for it when there is one, and once it is open
// maps that device to it under [Ports].
bool OpenPort(int nPort, const QString& strNewDevice, CProfile& profile, CSerialPort& port) {
    port.m_nPort = nPort;
    port.SetNewDevice(strNewDevice);
    const bool bOpen = port.Open();
    if (bOpen && !strNewDevice.isEmpty()) {
        profile.WriteProfileString(PROFILE_PORTS, PortText(nPort).toStdString(),
                                   strNewDevice.toLocal8Bit().toStdString());
    }
    return bOpen;
}

}  // namespace

bool SelectPortAtStartup(CPortDialog& dlg, CProfile& profile, CMessageBoxes& boxes,
                         CSerialPort& port) {
    int nPort = static_cast<int>(profile.GetProfileInt(PROFILE_SYSTEM, PROFILE_COM_PORT, 0));
    QString strNewDevice;
    for (;;) {
        port.m_bOnline = 0;
        if (nPort != 0) {
            const bool bOpen = OpenPort(nPort, strNewDevice, profile, port);
            if (bOpen) {
                port.SetNewDevice({});
                port.m_bOnline = 1;
                return true;
            }
            boxes.Show(PortNotDetectedText(port), MB_OK | MB_ICONEXCLAMATION);
            port.SetNewDevice({});
            nPort = 0;
        }
        // Proposes the port that just failed, or the link's first port on a fresh installation.
        QString strPort = PortText(port.m_nPort);
        if (!dlg.Ask(strPort)) {
            return false;
        }
        nPort = PortFromText(strPort).value_or(0);
        strNewDevice = dlg.NewDevice();
        // Stored before it is tried, so that the next start proposes it even if it fails now.
        profile.WriteProfileInt(PROFILE_SYSTEM, PROFILE_COM_PORT, nPort);
    }
}

bool OnComPort(CPortDialog& dlg, CProfile& profile, CMessageBoxes& boxes, CSerialPort& port) {
    QString strPort = PortText(port.m_nPort);
    // A Cancel must not leave a running fan unwatched: the link held goes back up, as long as it
    // is still held.
    const std::int32_t bWasOnline = port.m_bOnline;
    bool bTried = false;
    for (;;) {
        // Down while the dialog is up: a poll tick meanwhile sends nothing.
        port.m_bOnline = 0;
        if (!dlg.Ask(strPort)) {
            port.m_bOnline = bTried ? 0 : bWasOnline;
            return false;
        }
        const std::optional<int> nPort = PortFromText(strPort);
        if (nPort) {
            bTried = true;
            const bool bOpen = OpenPort(*nPort, dlg.NewDevice(), profile, port);
            if (bOpen) {
                port.m_bOnline = 1;
                profile.WriteProfileInt(PROFILE_SYSTEM, PROFILE_COM_PORT, *nPort);
            } else {
                boxes.Show(PortNotDetectedText(port), MB_OK | MB_ICONEXCLAMATION);
            }
            port.SetNewDevice({});
            if (bOpen) {
                return true;
            }
        } else {
            // A text without a port number names no port that could open.
            boxes.Show(QString::fromLatin1(MSG_PORT_NOT_DETECTED) + QLatin1Char('\r') + strPort +
                           QStringLiteral(": ") + QLatin1String(MSG_NO_SUCH_PORT),
                       MB_OK | MB_ICONEXCLAMATION);
        }
    }
}

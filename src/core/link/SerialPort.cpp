#include "core/link/SerialPort.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "core/files/Profile.h"


namespace {

class CNoOperator : public CMessageBoxes {
public:
    int Show(const QString&, unsigned) override { return IDCANCEL; }
};

CNoOperator g_noOperator;

}  // namespace

CSerialPort::CSerialPort() : m_pBoxes(&g_noOperator) {}

void CSerialPort::SetMessageBoxes(CMessageBoxes* pBoxes) {
    m_pBoxes = pBoxes ? pBoxes : &g_noOperator;
}
CSerialPort::~CSerialPort() = default;

bool ParseStatusWord(const char* pszReply, std::int32_t& nStatus) {
    char* pEnd = nullptr;
    errno = 0;
    const long n = std::strtol(pszReply, &pEnd, 10);
    if (pEnd == pszReply || errno == ERANGE || n < INT32_MIN || n > INT32_MAX) {
        return false;
    }
    nStatus = static_cast<std::int32_t>(n);
    return true;
}

int ReplyDeadlineMs(int nByteTimeoutMs, int nBytes) {
    // 10 bits a byte at 2400 baud, twice over: 25/3 ms a byte, rounded up.
    return nByteTimeoutMs + (nBytes * 25 + 2) / 3;
}

bool IsPortNumber(std::int64_t nPort) {
    return nPort >= MIN_PORT && nPort <= MAX_PORT;
}

QString CSerialPort::DevicePath() const {
    if (!IsPortNumber(m_nPort)) {
        return {};
    }
    if (!m_strNewDevice.isEmpty()) {
        return m_strNewDevice;
    }
    const CProfile profile(m_strProfilePath.isEmpty() ? CProfile::DefaultPath() : m_strProfilePath);
    return profile.PortDevice(m_nPort);
}

QString CSerialPort::CommErrorText() const {
    const QString strDevice = DevicePath();
    return QString::asprintf(MSG_COMM_ERROR, m_nPort) + QStringLiteral("\rCOM%1: ").arg(m_nPort) +
           (strDevice.isEmpty() ? QLatin1String(MSG_NO_SUCH_PORT) : strDevice);
}

bool CSerialPort::Open() {
    const std::string strDevice = DevicePath().toLocal8Bit().toStdString();
    // Release the port held before, so that the same device can be opened again.
    m_hComm.reset();
    // What the controller last said was said on the port closed.
    m_bStatusKnown = 0;
    if (!IsPortNumber(m_nPort)) {
        m_nOpenError = ENODEV;
        m_strOpenError = QString::fromLatin1(MSG_NO_SUCH_PORT);
        return false;
    }
    if (m_fnDevice) {
        m_hComm = m_fnDevice();
    }
    if (!m_hComm) {
        m_hComm = std::make_unique<CTermiosDevice>(m_pLineWait);
    }
    COpenFailure failure;
    if (!m_hComm->Open(strDevice, failure)) {
        m_nOpenError = failure.m_nError;
        m_strOpenError = QString::fromLocal8Bit(failure.m_strReason.c_str());
        if (!m_hComm->IsOpen()) {
            m_hComm.reset();
        }
        return false;
    }
    m_nOpenError = 0;
    m_strOpenError.clear();
    return true;
}

int CSerialPort::Exchange(const char* pszCommand, char* pReply, int nCapacity, bool bWaitForReply,
                          ReplyUse use) {
    if (!m_bOnline) {
        return 0;
    }
    if (!m_hComm) {
        m_bOnline = 0;
        return 0;
    }
    const CLinkGate::CExchange exchange(m_gate);
    m_hComm->DiscardInput();
    // A command that did not go out shows as a reply that does not come.
    m_hComm->Write(pszCommand, pszCommand ? std::strlen(pszCommand) : 0);
    if (!bWaitForReply) {
        return m_bOnline;
    }
    if (!pReply || nCapacity < 1) {
        m_bOnline = 0;
        return 0;
    }
    // The last byte of the buffer is kept for the terminator. A parsed reply that has not ended
    // by then is not a reply the console understands; an unexamined one is read on to its end.
    const int nLimit = use == ReplyUse::PARSED ? nCapacity - 1 : MAX_UNEXAMINED_REPLY;
    const std::int64_t tEnd = m_fnClock() + ReplyDeadlineMs(m_nByteTimeoutMs, nLimit);
    int i = 0;
    for (int nRead = 0;; ++nRead) {
        if (nRead >= nLimit) {
            m_bOnline = 0;
            break;
        }
        // Each byte has its own wait, and none reaches past the reply's deadline.
        const std::int64_t nLeft = tEnd - m_fnClock();
        const int nWait = static_cast<int>(std::min<std::int64_t>(m_nByteTimeoutMs, nLeft));
        char c = 0;
        if (nWait <= 0 || m_hComm->ReadByte(c, nWait) != ReadResult::BYTE) {
            m_bOnline = 0;
            break;
        }
        if (i < nCapacity - 1) {
            pReply[i++] = c;
        }
        if (c == '\r') {
            break;
        }
    }
    pReply[i] = '\0';
    return m_bOnline;
}

bool CSerialPort::SendCommand(const char* pszCommand, char* pReply, int nCapacity,
                              bool bWaitForReply, ReplyUse use) {
    if (!m_bOnline) {
        return false;
    }
    for (;;) {
        if (Exchange(pszCommand, pReply, nCapacity, bWaitForReply, use)) {
            return true;
        }
        // The link is already down while the box is up, so a tick that arrives meanwhile sends
        // nothing.
        if (Boxes().Show(CommErrorText(), MB_RETRYCANCEL | MB_ICONEXCLAMATION) != IDRETRY) {
            m_bOnline = 0;
            return false;
        }
        m_bOnline = 1;
    }
}

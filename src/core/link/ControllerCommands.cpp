#include "core/link/ControllerCommands.h"

#include <climits>
#include <cmath>
#include <cstdio>

#include "core/base/NumberText.h"

namespace {

// Replies are read into buffers of these sizes, the terminator included.
constexpr int REPLY_SIZE = 52;
constexpr int STATUS_REPLY_SIZE = 80;
constexpr int STOP_REPLY_SIZE = 12;

// trunc(speed x 10), the value of "W%d\r", held to the range of an int.
int TenthsOfMph(double dSpeed) {
    const double dTenths = std::trunc(dSpeed * 10);
    if (std::isnan(dTenths)) {
        return 0;
    }
    if (dTenths <= INT_MIN) {
        return INT_MIN;
    }
    if (dTenths >= INT_MAX) {
        return INT_MAX;
    }
    return static_cast<int>(dTenths);
}

}  // namespace

FanState FanStateOf(const CSerialPort& port) {
    if (!port.m_bOnline || !port.m_bStatusKnown) {
        return FanState::UNKNOWN;
    }
    if (!port.m_bRunning) {
        return FanState::STOPPED;
    }
    return port.m_bReturningToZero ? FanState::STOPPING : FanState::RUNNING;
}

bool CControllerCommands::Reset() {
    char szReply[REPLY_SIZE] = {};
    return m_port.SendCommand("\x03", szReply, sizeof szReply, true, ReplyUse::UNEXAMINED);
}

bool CControllerCommands::Cancel() {
    return m_port.SendCommand("C", nullptr, 0, false);
}

bool CControllerCommands::CheckStatus() {
    if (!m_port.m_bOnline) {
        return true;
    }
    bool bResult = true;
    int bLocked = 0;
    for (;;) {
        char szReply[STATUS_REPLY_SIZE] = {};
        m_port.SendCommand("S", szReply, sizeof szReply, true);
        // After a Cancel the word and the flag stay as they stood.
        if (m_port.m_bOnline) {
            if (ParseStatusWord(szReply, m_port.m_nStatus)) {
                m_port.m_bStatusKnown = 1;
            }
            bLocked = m_port.m_nStatus & STATUS_LOCKED;
        }
        m_port.m_bRunning = (m_port.m_nStatus & STATUS_STOPPED) ? 0 : 1;
        if (!(m_port.m_nStatus & STATUS_PLUGGED)) {
            m_port.m_bOnline = 0;
            if (m_port.Boxes().Show(MSG_CABLE_DISCONNECTED, MB_RETRYCANCEL | MB_ICONEXCLAMATION) ==
                IDRETRY) {
                m_port.m_bOnline = 1;
            } else {
                bResult = false;
            }
        }
        if (bLocked) {
            m_port.m_bOnline = 0;
            if (m_port.Boxes().Show(MSG_PANEL_LOCKED, MB_RETRYCANCEL | MB_ICONEXCLAMATION) ==
                IDRETRY) {
                m_port.m_bOnline = 1;
            } else {
                bResult = false;
            }
        }
        if (!(m_port.m_bOnline && bLocked)) {
            return bResult;
        }
    }
}

SpeedAck CControllerCommands::SetSpeed(double dMph) {
    char szCommand[REPLY_SIZE];
    std::snprintf(szCommand, sizeof szCommand, "W%d\r", TenthsOfMph(dMph));
    char szReply[REPLY_SIZE] = {};
    if (!m_port.SendCommand(szCommand, szReply, sizeof szReply, true)) {
        return SpeedAck::FAILED;
    }
    return szReply[0] == '\r' ? SpeedAck::ACKNOWLEDGED : SpeedAck::NOT_ACKNOWLEDGED;
}

std::optional<CReading> CControllerCommands::Read() {
    char szReply[REPLY_SIZE] = {};
    if (!m_port.SendCommand("R", szReply, sizeof szReply, true)) {
        return std::nullopt;
    }
    // Read in the "C" manner whatever the desktop's locale: a decimal comma must not split a
    // number.
    const auto values = ScanThreeNumbers(szReply);
    if (!values) {
        return std::nullopt;
    }
    return CReading{(*values)[0], (*values)[1], (*values)[2]};
}

bool CControllerCommands::Stop() {
    char szReply[STOP_REPLY_SIZE] = {};
    return m_port.SendCommand("O", szReply, sizeof szReply, true, ReplyUse::UNEXAMINED);
}

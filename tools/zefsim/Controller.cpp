#include "Controller.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr char NOT_UNDERSTOOD[] = "?\r";
constexpr char READY[] = "ZEFRON READY\r";

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

CController::CController(double dTauSeconds, std::uint32_t nSeed)
    : m_dTau(dTauSeconds), m_rng(nSeed) {}

void CController::Receive(std::string_view bytes, double dNow, COutput& out) {
    for (char c : bytes) {
        if (m_bInW) {
            const bool bSignFirst = c == '-' && m_strW.size() == 1;
            if ((IsDigit(c) || bSignFirst) && m_strW.size() < MAX_COMMAND_LENGTH) {
                m_strW += c;
                continue;
            }
            m_bInW = false;
            if (c == CR) {
                m_strW += c;
                Complete(std::move(m_strW), dNow, out);
                continue;
            }
            // Anything else abandons the speed; the byte then stands for itself.
            out.vecCommands.push_back(std::move(m_strW));
        }
        if (c == 'W') {
            m_bInW = true;
            m_strW.clear();
            m_strW.push_back('W');
        } else {
            Complete(std::string(1, c), dNow, out);
        }
    }
}

void CController::Complete(std::string strCommand, double dNow, COutput& out) {
    if (!m_bMuted) {
        Execute(strCommand, dNow, out.strReply);
    }
    out.vecCommands.push_back(std::move(strCommand));
}

void CController::Execute(const std::string& strCommand, double dNow, std::string& strReply) {
    Advance(dNow);
    switch (strCommand[0]) {
        case 'S':
            strReply += std::to_string(Status(dNow)) + CR;
            break;
        case 'W':
            SetSpeedFromW(strCommand, strReply);
            break;
        case 'R':
            strReply += Reading(dNow);
            break;
        case 'O':
            m_dCommanded = 0.0;
            strReply += CR;
            break;
        case ETX:
            // A reset brings the fan to rest; the operator's fault switches stay as they are.
            m_dCommanded = 0.0;
            strReply += READY;
            break;
        default:
            // "C" only abandons a command being assembled, which framing has done; anything
            // else is noise on the line.
            break;
    }
}

void CController::SetSpeedFromW(const std::string& strCommand, std::string& strReply) {
    // strCommand is "W", an optional minus, digits, CR.
    const bool bNegative = strCommand.size() > 1 && strCommand[1] == '-';
    const std::size_t nFirst = bNegative ? 2 : 1;
    const std::size_t nDigits = strCommand.size() - 1 - nFirst;
    if (nDigits == 0) {
        strReply += NOT_UNDERSTOOD;
        return;
    }
    double dTenths = 0.0;
    for (std::size_t i = nFirst; i < nFirst + nDigits; ++i) {
        dTenths = dTenths * 10.0 + (strCommand[i] - '0');
    }
    m_dCommanded = bNegative ? 0.0 : std::min(dTenths / 10.0, MAX_SPEED_MPH);
    // A garbled acknowledgement is a fault of the reply only: the speed is taken.
    strReply += m_bGarbleW ? NOT_UNDERSTOOD : "\r";
}

std::string CController::Reading(double dNow) {
    const double dWind = FanSpeed(dNow);
    const double dLift = LIFT_PER_MPH2 * dWind * dWind;
    const double dDrag = DRAG_PER_MPH2 * dWind * dWind;
    // Always three draws, so that the same commands give the same noise whatever the speeds.
    const double dWindRead = std::max(0.0, dWind + WIND_NOISE_MPH * Noise());
    const double dLiftRead = dLift + (FORCE_NOISE_LB + FORCE_NOISE_SHARE * dLift) * Noise();
    const double dDragRead = dDrag + (FORCE_NOISE_LB + FORCE_NOISE_SHARE * dDrag) * Noise();

    char buf[64];
    std::snprintf(buf, sizeof buf, "%ld,%ld,%ld\r", std::lround(dWindRead * 10.0),
                  std::lround(dDragRead * 1000.0), std::lround(dLiftRead * 1000.0));
    return buf;
}

double CController::Noise() {
    return std::clamp(m_normal(m_rng), -3.0, 3.0);
}

int CController::Status(double dNow) {
    int nStatus = 0;
    if (m_bPlugged) {
        nStatus |= STATUS_PLUGGED;
    }
    if (FanSpeed(dNow) <= RUNNING_THRESHOLD_MPH) {
        nStatus |= STATUS_STOPPED;
    }
    if (m_bLocked) {
        nStatus |= STATUS_LOCKED;
    }
    return nStatus;
}

double CController::FanSpeed(double dNow) {
    Advance(dNow);
    return m_dFan;
}

// The fan follows the commanded speed with a first-order lag. The command only changes between
// calls, so the exact exponential step holds however far apart the calls are.
void CController::Advance(double dNow) {
    if (m_bClockStarted && dNow > m_dLastTime) {
        const double dDecay = std::exp(-(dNow - m_dLastTime) / m_dTau);
        m_dFan = m_dCommanded + (m_dFan - m_dCommanded) * dDecay;
    }
    if (!m_bClockStarted || dNow > m_dLastTime) {
        m_dLastTime = dNow;
        m_bClockStarted = true;
    }
}

std::string LogText(std::string_view bytes) {
    std::string strText;
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (c == CController::CR) {
            strText += "<CR>";
        } else if (b >= 0x20 && b < 0x7f) {
            strText += c;
        } else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "<%02X>", b);
            strText += buf;
        }
    }
    return strText;
}

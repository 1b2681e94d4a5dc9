#include "core/link/Poll.h"

#include <QObject>
#include <climits>
#include <cmath>
#include <cstdio>

#include "core/link/SerialPort.h"
#include "core/base/NumberText.h"
#include "core/record/Units.h"

namespace {

// Ends the host's tick on every way out of Poll.
class CTickGuard {
public:
    explicit CTickGuard(CPollHost& host) : m_host(host) {}
    ~CTickGuard() { m_host.EndTick(); }
    CTickGuard(const CTickGuard&) = delete;
    CTickGuard& operator=(const CTickGuard&) = delete;

private:
    CPollHost& m_host;
};

// The reply to "R": wind in tenths of a mph, drag and lift in thousandths of a pound. Only three
// finite numbers make a reading.
// Read in the "C" manner whatever the desktop's locale: a decimal comma must not split a number.
bool ParseReading(const char* pszReply, double& dWind, double& dDrag, double& dLift) {
    const auto values = ScanThreeNumbers(pszReply);
    if (!values) {
        return false;
    }
    dWind = (*values)[0];
    dDrag = (*values)[1];
    dLift = (*values)[2];
    return true;
}

}  // namespace

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

void Poll(TestRecord& rec, CPollHost& host, CSerialPort& port) {
    CRecordDrawing& dc = host.TickDrawing();
    const CTickGuard guard(host);

    if (!port.m_bOnline) {
        return;
    }
    if (!port.CheckStatus()) {
        host.KillPollTimer();
    }

    if (port.m_bReturningToZero) {
        if (port.m_bRunning && port.m_bOnline) {
            host.SetStatusText(MSG_RETURNING_TO_ZERO);
        } else {
            host.SetStatusText(MSG_WIND_IS_ZERO);
            host.KillPollTimer();
            port.m_bReturningToZero = 0;
        }
        return;
    }

    // When the target is not a whole number of steps away the two tests cancel, and the
    // commanded speed rests on the step below the target.
    if (rec.m_dCommandSpeed < rec.m_dTargetSpeed) {
        rec.m_dCommandSpeed += RAMP_STEP_MPH;
    }
    if (rec.m_dCommandSpeed > rec.m_dTargetSpeed) {
        rec.m_dCommandSpeed -= RAMP_STEP_MPH;
    }

    char szCommand[POLL_REPLY_SIZE];
    std::snprintf(szCommand, sizeof szCommand, CMD_WIND_FORMAT, TenthsOfMph(rec.m_dCommandSpeed));
    char szReply[POLL_REPLY_SIZE] = {};
    if (!port.SendCommand(szCommand, szReply, sizeof szReply, true)) {
        return;
    }
    if (szReply[0] != '\r') {
        // Not acknowledged: clear the controller's command and say it once more.
        port.SendCommand(CMD_CANCEL, szReply, sizeof szReply, false);
        port.SendCommand(szCommand, szReply, sizeof szReply, true);
    }

    // A tick whose reading did not arrive, or is not three numbers, records nothing.
    if (!port.SendCommand(CMD_READ, szReply, sizeof szReply, true)) {
        return;
    }
    double dWind = 0;
    double dDrag = 0;
    double dLift = 0;
    if (!ParseReading(szReply, dWind, dDrag, dLift)) {
        return;
    }

    dWind *= CONTROLLER_WIND_SCALE;
    dDrag *= CONTROLLER_FORCE_SCALE;
    dLift *= CONTROLLER_FORCE_SCALE;

    rec.m_dFiltWind = SmoothReading(dWind, rec.m_dFiltWind, SMOOTHING_DIVISOR);
    dWind = rec.m_dFiltWind;
    rec.m_dFiltLift = SmoothReading(dLift, rec.m_dFiltLift, SMOOTHING_DIVISOR);
    dLift = rec.m_dFiltLift;
    rec.m_dFiltDrag = SmoothReading(dDrag, rec.m_dFiltDrag, SMOOTHING_DIVISOR);
    dDrag = rec.m_dFiltDrag;

    // The smoothing memory keeps mph and lb; only what is shown and recorded is converted.
    if (rec.m_bEnglish == 0) {
        dDrag *= KG_PER_LB;
        dLift *= KG_PER_LB;
        dWind *= KMH_PER_MPH;
    }

    rec.RecordPoint(dc, dLift, dDrag, dWind, RECORD_READING);

    // A reading off the top of a scale widens it by one range a tick; the poll never narrows.
    if (DisplayedTop(rec.m_axisWind) <= dWind && rec.m_axisWind.m_nRange > 1) {
        rec.SetSpeedRange(rec.m_axisWind.m_nRange - 1);
        host.RedrawAll();
    }
    // Only lift is compared: a large drag alone does not widen the force scale.
    if (std::fabs(DisplayedTop(rec.m_axisForce)) <= std::fabs(dLift) &&
        rec.m_axisForce.m_nRange > 1) {
        rec.SetForceRange(rec.m_axisForce.m_nRange - 1);
        host.RedrawAll();
    }
}

void StartPollTimer(QObject& view, CSerialPort& port) {
    // Starting it again replaces the running timer rather than adding a second one.
    StopPollTimer(view, port);
    const int nId = view.startTimer(POLL_INTERVAL_MS);
    port.m_nPollTimer = nId > 0 ? static_cast<unsigned>(nId) : 0;
}

void StopPollTimer(QObject& view, CSerialPort& port) {
    if (port.m_nPollTimer != 0) {
        view.killTimer(static_cast<int>(port.m_nPollTimer));
        port.m_nPollTimer = 0;
    }
}

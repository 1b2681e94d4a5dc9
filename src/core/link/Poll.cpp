#include "core/link/Poll.h"

#include <QObject>
#include <cmath>
#include <cstdlib>
#include <optional>

#include "core/record/Units.h"

bool CPollState::StatusDue() {
    const std::int64_t tNow = m_fnClock();
    if (std::llabs(tNow - m_tLastStatus) < STATUS_INTERVAL_MS) {
        return false;
    }
    m_tLastStatus = tNow;
    return true;
}

void Poll(TestRecord& rec, CPollState& state, CPollHost& host, CSerialPort& port) {
    const CTickScope tick(host);

    if (!port.m_bOnline) {
        return;
    }
    CControllerCommands commands(port);
    if (!commands.CheckStatus()) {
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
    if (state.m_dCommandSpeed < state.m_dTargetSpeed) {
        state.m_dCommandSpeed += RAMP_STEP_MPH;
    }
    if (state.m_dCommandSpeed > state.m_dTargetSpeed) {
        state.m_dCommandSpeed -= RAMP_STEP_MPH;
    }

    const SpeedAck ack = commands.SetSpeed(state.m_dCommandSpeed);
    if (ack == SpeedAck::FAILED) {
        return;
    }
    if (ack == SpeedAck::NOT_ACKNOWLEDGED) {
        // Clear the controller's command and say it once more.
        commands.Cancel();
        commands.SetSpeed(state.m_dCommandSpeed);
    }

    // A tick whose reading did not arrive, or is not three numbers, records nothing.
    const std::optional<CReading> reading = commands.Read();
    if (!reading) {
        return;
    }
    double dWind = reading->m_dWind * CONTROLLER_WIND_SCALE;
    double dDrag = reading->m_dDrag * CONTROLLER_FORCE_SCALE;
    double dLift = reading->m_dLift * CONTROLLER_FORCE_SCALE;

    state.m_dFiltWind = SmoothReading(dWind, state.m_dFiltWind, SMOOTHING_DIVISOR);
    dWind = state.m_dFiltWind;
    state.m_dFiltLift = SmoothReading(dLift, state.m_dFiltLift, SMOOTHING_DIVISOR);
    dLift = state.m_dFiltLift;
    state.m_dFiltDrag = SmoothReading(dDrag, state.m_dFiltDrag, SMOOTHING_DIVISOR);
    dDrag = state.m_dFiltDrag;

    // The smoothing memory keeps mph and lb; only what is shown and recorded is converted.
    if (rec.m_bEnglish == 0) {
        dDrag *= KG_PER_LB;
        dLift *= KG_PER_LB;
        dWind *= KMH_PER_MPH;
    }

    CStatusThrottle dc(tick.Drawing(), state);
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

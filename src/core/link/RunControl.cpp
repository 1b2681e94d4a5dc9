#include "core/link/RunControl.h"

#include <cmath>

#include "core/base/NumberText.h"
#include "core/record/Units.h"

namespace {

constexpr char MSG_COMMAND_DISABLED[] = "Command disabled!";
constexpr char MSG_CLEAR_PREVIOUS[] = "Clear Previous Test Results?";

}  // namespace

QString CommandDisabledText() {
    return QString::fromLatin1(MSG_COMMAND_DISABLED) +
           QStringLiteral("\rThe tunnel is off-line: choose its port in System > COM Port.");
}

bool CRunControl::BeginSpeedCommand() {
    const CLinkGate::CWork work(m_port.Gate());
    if (!m_port.m_bOnline) {
        m_host.MessageBox(CommandDisabledText(), MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    if (m_port.m_bReturningToZero) {
        // No speed is taken while the fan runs down; the status query still goes out.
        if (!CControllerCommands(m_port).CheckStatus()) {
            m_host.KillPollTimer();
        }
        FollowStopToItsEnd();
        return false;
    }
    m_host.KillPollTimer();
    const int k = m_rec.FirstRecordedSlot();
    if (!m_port.m_bRunning && m_rec.WindTopSlots() > k) {
        if (m_host.MessageBox(QString::fromLatin1(MSG_CLEAR_PREVIOUS),
                              MB_YESNO | MB_ICONQUESTION) == IDYES) {
            m_host.ClearPreviousResults();
        }
    }
    return true;
}

// The operator's maximum holds, in whole mph; and the fan is never asked to turn backwards.
void CRunControl::ClampTarget() {
    if (m_state.m_dTargetSpeed > m_rec.m_dMaxSpeed) {
        m_state.m_dTargetSpeed = std::trunc(m_rec.m_dMaxSpeed);
    }
    if (!(m_state.m_dTargetSpeed >= 0.0)) {
        m_state.m_dTargetSpeed = 0.0;
    }
}

// A stop whose poll was halted (a Cancel on a link message while the fan ran down) would
// otherwise never end, and no speed command would ever be taken again: while a stop is in
// progress and the link is up, the poll runs, and its next tick ends the stop once the fan
// reports it has stopped.
void CRunControl::FollowStopToItsEnd() {
    if (m_port.m_bReturningToZero && m_port.m_bOnline) {
        m_host.SetPollTimer();
    }
}

void CRunControl::SetTypedTarget(const std::string& strSpeed) {
    const double v = std::trunc(TextToNumber(strSpeed));
    m_state.m_dTargetSpeed = m_rec.m_bEnglish ? v : v * MPH_PER_KMH;
    ClampTarget();
    m_host.SetPollTimer();
}

void CRunControl::SetPointedTarget(int nTenths) {
    m_state.m_dTargetSpeed = nTenths * 0.1;
    if (!m_rec.m_bEnglish) {
        m_state.m_dTargetSpeed = m_state.m_dTargetSpeed * MPH_PER_KMH;
    }
    ClampTarget();
    m_host.SetPollTimer();
}

// The step of the Increase and Decrease commands, in the units the operator sees.
double CRunControl::SpeedStep() const {
    return m_rec.m_bEnglish ? m_port.m_nSpeedStep : m_port.m_nSpeedStep * METRIC_SPEED_STEP_FACTOR;
}

void CRunControl::IncreaseTarget() {
    const CLinkGate::CWork work(m_port.Gate());
    if (!BeginSpeedCommand()) {
        return;
    }
    m_state.m_dTargetSpeed += SpeedStep();
    ClampTarget();
    m_host.SetPollTimer();
}

void CRunControl::DecreaseTarget() {
    const CLinkGate::CWork work(m_port.Gate());
    if (!BeginSpeedCommand()) {
        return;
    }
    m_state.m_dTargetSpeed -= SpeedStep();
    if (m_state.m_dTargetSpeed <= 0.0) {
        StopWind();
    }
    // Also after a stop that found the fan at rest: the poll then commands 0.
    m_host.SetPollTimer();
}

void CRunControl::StopWind() {
    const CLinkGate::CWork work(m_port.Gate());
    if (!m_port.m_bOnline) {
        m_host.MessageBox(CommandDisabledText(), MB_OK | MB_ICONEXCLAMATION);
    } else {
        CControllerCommands commands(m_port);
        if (!commands.CheckStatus()) {
            m_host.KillPollTimer();
        }
        if (m_port.m_bRunning != 1) {
            m_host.KillPollTimer();
        } else if (!m_port.m_bReturningToZero) {
            m_host.KillPollTimer();
            commands.Cancel();
            {
                const CTickScope scope(m_host);
                m_rec.RecordPoint(scope.Drawing(), 0, 0, 0, RECORD_STOP);
            }
            // The fan's stop goes out first; the test's copy (a write and a sync, slow on a busy
            // disk) follows once the controller has it.
            const bool bStopSent = commands.Stop();
            m_host.StopMarked();
            m_host.SetPollTimer();
            // Only a stop the controller was given is waited for. One that never reached it (the
            // operator cancelled a link message) would leave the fan running while Stop Wind and
            // every speed command wait for it; instead Stop Wind can send it again, and the poll
            // commands zero once the link is back.
            m_port.m_bReturningToZero = bStopSent ? 1 : 0;
            m_state.m_dFiltLift = 0.0;
            m_state.m_dFiltDrag = 0.0;
            m_state.m_dFiltWind = 0.0;
        }
        FollowStopToItsEnd();
    }
    m_state.m_dTargetSpeed = 0.0;
    m_state.m_dCommandSpeed = 0.0;
}

void CRunControl::WatchAgain() {
    const CLinkGate::CWork work(m_port.Gate());
    if (!m_port.m_bOnline || m_port.m_nPollTimer != 0 ||
        !(m_port.m_bRunning || m_port.m_bReturningToZero)) {
        return;
    }
    if (!CControllerCommands(m_port).CheckStatus()) {
        return;  // the operator cancelled a box of the status word: the link is down again
    }
    if (m_port.m_bOnline && (m_port.m_bRunning || m_port.m_bReturningToZero)) {
        m_host.SetPollTimer();
    }
}

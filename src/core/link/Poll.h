#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "core/base/Clock.h"
#include "core/link/ControllerCommands.h"
#include "core/link/SerialPort.h"
#include "core/record/TestRecord.h"

class QObject;

// The poll timer fires this often while a run is active.
inline constexpr int POLL_INTERVAL_MS = 150;
// The commanded speed moves toward the target by this much a tick.
inline constexpr double RAMP_STEP_MPH = 0.5;
// The status line shows a reading at most this often.
inline constexpr std::int64_t STATUS_INTERVAL_MS = 200;

inline constexpr char MSG_RETURNING_TO_ZERO[] = "Returning Wind speed to Zero";
inline constexpr char MSG_WIND_IS_ZERO[] = "Wind speed is Zero";

// What the poll keeps from one tick to the next, apart from the test it records.
class CPollState {
public:
    // True, and the time noted, when the status line last showed a reading at least
    // STATUS_INTERVAL_MS ago by m_fnClock; a clock that went back counts as well.
    bool StatusDue();

    // The smoothing memory, in mph and lb whatever units are shown.
    double m_dFiltWind = 0.0;
    double m_dFiltLift = 0.0;
    double m_dFiltDrag = 0.0;
    // The speed the operator asked for, and the one "W" carries as it ramps toward it, in mph.
    double m_dTargetSpeed = 0.0;
    double m_dCommandSpeed = 0.0;
    // When the status line last showed a reading, and the clock that says so.
    std::int64_t m_tLastStatus = 0;
    CClock m_fnClock = ProcessMillis;
};

// What a poll tick needs of the view.
class CPollHost {
public:
    virtual ~CPollHost() = default;
    // The drawing surface on the view's client area for this tick (or command). Called once at
    // its start, EndTick once at its end. A tick can begin inside another one (a timer message
    // that arrives while one of the link's boxes is up); such a tick sends nothing.
    virtual CRecordDrawing& TickDrawing() = 0;
    virtual void EndTick() {}
    // The whole graph again, on the tick's surface, after a scale widened.
    virtual void RedrawAll() = 0;
    // The message pane of the status bar.
    virtual void SetStatusText(const std::string& strText) = 0;
    // Stops the poll timer (the view's timer 1); the run commands start it.
    virtual void KillPollTimer() = 0;
};

// The host's drawing for a tick or a command, ended on every way out.
class CTickScope {
public:
    explicit CTickScope(CPollHost& host) : m_host(host), m_dc(host.TickDrawing()) {}
    ~CTickScope() { m_host.EndTick(); }
    CTickScope(const CTickScope&) = delete;
    CTickScope& operator=(const CTickScope&) = delete;
    CRecordDrawing& Drawing() const { return m_dc; }

private:
    CPollHost& m_host;
    CRecordDrawing& m_dc;
};

// A drawing that passes everything on, except that a reading reaches the status line only when
// the poll state says it is due.
class CStatusThrottle : public CRecordDrawing {
public:
    CStatusThrottle(CRecordDrawing& dc, CPollState& state) : m_dc(dc), m_state(state) {}
    void EraseStretch(const TestRecord& rec, int nFromSlot, int nToSlot) override {
        m_dc.EraseStretch(rec, nFromSlot, nToSlot);
    }
    void DrawStretch(const TestRecord& rec, int nFromSlot, int nToSlot) override {
        m_dc.DrawStretch(rec, nFromSlot, nToSlot);
    }
    void MoveSpeedMarker(const TestRecord& rec, double dSpeed, int bShow) override {
        m_dc.MoveSpeedMarker(rec, dSpeed, bShow);
    }
    void ShowStatus(const TestRecord& rec, double dSpeed, double dLift, double dDrag, double dCd,
                    double dLD) override {
        if (m_state.StatusDue()) {
            m_dc.ShowStatus(rec, dSpeed, dLift, dDrag, dCd, dLD);
        }
    }

private:
    CRecordDrawing& m_dc;
    CPollState& m_state;
};

// One tick of the poll cycle on the link: status, ramp, "W", "R", smooth, convert, record, widen
// the scales. While the link is down it does nothing.
void Poll(TestRecord& rec, CPollState& state, CPollHost& host, CSerialPort& port);

// The poll timer on the view: started (replacing a running one) with its id in
// port.m_nPollTimer, and stopped. The view's timerEvent then calls Poll.
void StartPollTimer(QObject& view, CSerialPort& port);
void StopPollTimer(QObject& view, CSerialPort& port);

#pragma once

#include <string>

#include "core/link/SerialPort.h"
#include "core/record/TestRecord.h"

class QObject;

// The controller's commands that are sent as they stand. "W%d\r" carries the speed.
inline constexpr char CMD_RESET[] = "\x03";
inline constexpr char CMD_CANCEL[] = "C";
inline constexpr char CMD_READ[] = "R";
inline constexpr char CMD_OFF[] = "O";
inline constexpr char CMD_WIND_FORMAT[] = "W%d\r";

// The poll timer fires this often while a run is active.
inline constexpr int POLL_INTERVAL_MS = 150;
// Replies of the poll, and of the start-up commands, are read into buffers of this size.
inline constexpr int POLL_REPLY_SIZE = 52;
// The commanded speed moves toward the target by this much a tick.
inline constexpr double RAMP_STEP_MPH = 0.5;

inline constexpr char MSG_RETURNING_TO_ZERO[] = "Returning Wind speed to Zero";
inline constexpr char MSG_WIND_IS_ZERO[] = "Wind speed is Zero";

// What a poll tick needs of the view.
class CPollHost {
public:
    virtual ~CPollHost() = default;
    // The drawing surface on the view's client area for this tick. Called once at the start of
    // every tick, EndTick once at its end. A tick can begin inside another one (a timer message
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

// One tick of the poll cycle on the link: status, ramp, "W", "R", smooth, convert, record, widen
// the scales. While the link is down it does nothing.
void Poll(TestRecord& rec, CPollHost& host, CSerialPort& port);

// trunc(speed x 10), the value of "W%d\r", held to the range of an int.
int TenthsOfMph(double dSpeed);

// The poll timer on the view: started (replacing a running one) with its id in
// port.m_nPollTimer, and stopped. The view's timerEvent then calls Poll.
void StartPollTimer(QObject& view, CSerialPort& port);
void StopPollTimer(QObject& view, CSerialPort& port);

#pragma once

#include <optional>

#include "core/link/SerialPort.h"

// Bits of the controller's status word, the answer to "S".
inline constexpr int STATUS_PLUGGED = 0x04;  // the cable is connected
inline constexpr int STATUS_STOPPED = 0x08;  // the fan is at rest
inline constexpr int STATUS_LOCKED = 0x10;   // the control panel is locked

// The boxes of the status word. A carriage return breaks the line.
inline constexpr char MSG_CABLE_DISCONNECTED[] = "Cable is disconnected!";
inline constexpr char MSG_PANEL_LOCKED[] = "Control Panel is Locked!";

// The answer to "R": wind in tenths of a mph, drag and lift in thousandths of a pound.
struct CReading {
    double m_dWind = 0.0;
    double m_dDrag = 0.0;
    double m_dLift = 0.0;
};

// The fan as the controller last reported it in its status word.
enum class FanState {
    UNKNOWN,   // the link is off-line, or no status word has come on the port open
    STOPPED,   // at rest
    RUNNING,   // turning
    STOPPING,  // turning, and told to come to rest
};
FanState FanStateOf(const CSerialPort& port);

// How the controller took a speed.
enum class SpeedAck {
    FAILED,            // the exchange failed: the link is down
    ACKNOWLEDGED,      // a bare CR
    NOT_ACKNOWLEDGED,  // anything else
};

// The controller's commands on the link, each with the reply it awaits and the buffer that reply
// is read into. A failed exchange has already asked the operator (CSerialPort::SendCommand), and
// nothing is sent while the link is down.
class CControllerCommands {
public:
    explicit CControllerCommands(CSerialPort& port) : m_port(port) {}

    // 0x03, start-up's reset. Its reply only ends the exchange: read to its CR, not examined.
    bool Reset();
    // "C": the controller drops the command it holds. No reply is awaited.
    bool Cancel();
    // "S": the status word into the port's m_nStatus and m_bRunning, and a box for a
    // disconnected cable or a locked panel. False only when the operator chose Cancel on one of
    // those two boxes.
    bool CheckStatus();
    // "W%d\r" with the speed in tenths of a mph, truncated and held to the range of an int.
    SpeedAck SetSpeed(double dMph);
    // "R": a reading, when the exchange went through and its reply is three finite numbers.
    std::optional<CReading> Read();
    // "O": the fan returns to rest. Its reply is not examined. False when it was not sent.
    bool Stop();

private:
    CSerialPort& m_port;
};

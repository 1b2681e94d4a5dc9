#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

#include "core/base/Clock.h"
#include "core/base/OperatorMessages.h"
#include "core/link/LineWait.h"
#include "core/link/LinkGate.h"
#include "core/link/SerialDevice.h"

// Each reply byte is awaited this long (2000 ms a byte plus 2000 ms, one byte per read).
inline constexpr int BYTE_TIMEOUT_MS = 4000;
inline constexpr int DEFAULT_SPEED_STEP = 5;

// Ports are numbered 1 to 255; any other number names no port.
inline constexpr int MIN_PORT = 1;
inline constexpr int MAX_PORT = 255;
inline constexpr char MSG_NO_SUCH_PORT[] = "no such port";

// How a reply that does not fit the caller's buffer is taken.
enum class ReplyUse {
    PARSED,      // the reply is read for what it says: one longer than the buffer is a fault
    UNEXAMINED,  // the reply only ends the exchange: read to its CR, what does not fit dropped
};
// An unexamined reply that has not ended after this many bytes is a fault all the same, so that
// a line that never sends CR cannot hold the console.
inline constexpr int MAX_UNEXAMINED_REPLY = 1024;

// The whole time a reply of up to nBytes may take: the wait for one byte, and twice the time its
// bytes take on the line at 2400 baud (10 bits each). A line that dribbles bytes slowly enough
// never lets a byte's wait run out, and fails here as a silent one does.
int ReplyDeadlineMs(int nByteTimeoutMs, int nBytes);

// The box of a failed exchange. A carriage return breaks the line.
inline constexpr char MSG_COMM_ERROR[] =
    "Serial Communications Error!\rBe sure Zefron is properly\rconnected to serial port COM%d";

using SerialDeviceFactory = std::function<std::unique_ptr<CSerialDevice>()>;

// The link to the tunnel's controller: the open port, the link-up flag that every caller
// consults before talking to the controller, the status word and the run flag it gives, and the
// poll cycle's two values. CControllerCommands speaks the commands on it. Everything runs on the
// user-interface thread; with an event-loop wait (SetLineWait) the thread's loop turns while a
// reply is awaited, and the gate keeps what the operator does meanwhile for the exchange's end.
class CSerialPort {
public:
    CSerialPort();
    ~CSerialPort();
    CSerialPort(const CSerialPort&) = delete;
    CSerialPort& operator=(const CSerialPort&) = delete;

    // Closes the port held, if any, and opens the device of m_nPort afresh. True when the port is
    // open and set to 2400 8N1. Leaves m_bOnline alone: the caller sets it.
    bool Open();
    // Sends the command's bytes and, when bWaitForReply, reads one reply line ended by CR into
    // the caller's buffer (CR kept, text terminated). A failed exchange asks the operator, whose
    // Retry repeats it. False when the link is, or went, off-line; nothing is sent while it is.
    // An UNEXAMINED reply keeps what fits the buffer (terminated) and drops the rest.
    bool SendCommand(const char* pszCommand, char* pReply, int nCapacity, bool bWaitForReply,
                     ReplyUse use = ReplyUse::PARSED);
    // One try of SendCommand's exchange, without the operator. m_bOnline afterwards.
    int Exchange(const char* pszCommand, char* pReply, int nCapacity, bool bWaitForReply,
                 ReplyUse use = ReplyUse::PARSED);

    // Where the operator is asked. Without anyone to ask (nullptr), a failed exchange is
    // answered Cancel at once: the link goes off-line rather than retrying unseen.
    void SetMessageBoxes(CMessageBoxes* pBoxes);
    CMessageBoxes& Boxes() const { return *m_pBoxes; }
    // What Open opens devices with; an empty factory means the terminal device.
    void SetDeviceFactory(SerialDeviceFactory fnFactory) { m_fnDevice = std::move(fnFactory); }
    // The profile that maps port numbers to devices; empty means CProfile::DefaultPath().
    void SetProfilePath(const QString& strPath) { m_strProfilePath = strPath; }
    // Only for the fault soak, which cannot wait 4000 ms for every silent byte.
    void SetByteTimeout(int nTimeoutMs) { m_nByteTimeoutMs = nTimeoutMs; }
    // How terminal devices wait for the line (not owned); nullptr blocks in poll().
    void SetLineWait(CLineWait* pWait) { m_pLineWait = pWait; }
    // The clock a reply's whole deadline is kept by.
    void SetClock(CClock fnClock) { m_fnClock = std::move(fnClock); }
    // The link's work and the operator's commands waiting for it.
    CLinkGate& Gate() { return m_gate; }
    int ByteTimeout() const { return m_nByteTimeoutMs; }

    // The device that port m_nPort names; empty when m_nPort names no port.
    QString DevicePath() const;
    // A device for m_nPort in place of the profile's, while the operator's new choice is tried;
    // empty for the profile's.
    void SetNewDevice(const QString& strDevice) { m_strNewDevice = strDevice; }
    // The box of a failed exchange: its three lines, then the port and the device it opens
    // ("COM3: /dev/ttyS2"), so that the operator knows which cable to look at.
    QString CommErrorText() const;

    std::int32_t m_nPort = 1;
    std::unique_ptr<CSerialDevice> m_hComm;
    std::int32_t m_bOnline = 0;
    std::int32_t m_nStatus = 0;
    std::int32_t m_bRunning = 0;
    // A status word has been read from the controller on the port now open.
    std::int32_t m_bStatusKnown = 0;
    std::int32_t m_nSpeedStep = DEFAULT_SPEED_STEP;
    // The poll cycle's timer and stop-in-progress flag; the link itself never touches them.
    unsigned m_nPollTimer = 0;
    std::int32_t m_bReturningToZero = 0;
    // Why the last Open failed ("/dev/ttyUSB0: Permission denied (...)") and the system's error
    // number; empty and 0 after an Open that succeeded.
    QString m_strOpenError;
    int m_nOpenError = 0;

private:
    CMessageBoxes* m_pBoxes;
    SerialDeviceFactory m_fnDevice;
    QString m_strProfilePath;
    QString m_strNewDevice;
    int m_nByteTimeoutMs = BYTE_TIMEOUT_MS;
    CLineWait* m_pLineWait = nullptr;
    CClock m_fnClock = ProcessMillis;
    CLinkGate m_gate;
};

// True for the numbers that name a port, 1 to 255.
bool IsPortNumber(std::int64_t nPort);

// The status word at the start of a reply, read as "%d" would read it. False, leaving nStatus
// alone, when the reply does not start with a number that fits.
bool ParseStatusWord(const char* pszReply, std::int32_t& nStatus);

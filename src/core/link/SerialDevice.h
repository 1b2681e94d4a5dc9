#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "core/link/LineWait.h"

// What one wait for a reply byte brought.
enum class ReadResult {
    BYTE,       // a byte arrived
    TIMED_OUT,  // nothing arrived within the time allowed
    FAILED,     // the line failed (an unplugged adaptor, a controller end that went away)
};

// Why a device did not open: the system's error number and a short text for the operator.
struct COpenFailure {
    int m_nError = 0;
    std::string m_strReason;
};

// One serial line as the link uses it: synchronous, one byte at a time, every wait bounded.
class CSerialDevice {
public:
    virtual ~CSerialDevice() = default;

    // Opens the device for reading and writing, not shared, and sets 2400 baud, 8 data bits, no
    // parity and 1 stop bit. False, with the reason, when it could not. A device that opened but
    // refused the line settings stays open (IsOpen) until Close, as the console's port always
    // has; nothing is sent on it because the link stays down.
    virtual bool Open(const std::string& strPath, COpenFailure& failure) = 0;
    virtual bool IsOpen() const = 0;
    virtual void Close() = 0;
    // Drops received bytes not yet read; bytes still going out are left alone.
    virtual void DiscardInput() = 0;
    // Writes every byte, waiting at most 2000 ms plus 2000 ms a byte. False when it could not.
    virtual bool Write(const char* pData, std::size_t nLength) = 0;
    // Waits at most nTimeoutMs for the next byte.
    virtual ReadResult ReadByte(char& c, int nTimeoutMs) = 0;
};

// A serial device on a POSIX terminal: /dev/ttyS*, /dev/ttyUSB*, /dev/ttyACM* or a
// pseudo-terminal. Only what the protocol needs is changed: the four line settings, and the raw
// byte path (no echo, no line editing, no CR/NL translation, no output processing). Flow
// control, modem lines and special characters stay as the system has them for the port.
class CTermiosDevice : public CSerialDevice {
public:
    // Every wait for the line goes through pWait (not owned; it outlives the device); without
    // one the thread blocks in poll().
    explicit CTermiosDevice(CLineWait* pWait = nullptr) : m_pWait(pWait ? pWait : &m_pollWait) {}
    ~CTermiosDevice() override;
    CTermiosDevice(const CTermiosDevice&) = delete;
    CTermiosDevice& operator=(const CTermiosDevice&) = delete;

    bool Open(const std::string& strPath, COpenFailure& failure) override;
    bool IsOpen() const override { return m_hComm >= 0; }
    void Close() override;
    void DiscardInput() override;
    bool Write(const char* pData, std::size_t nLength) override;
    ReadResult ReadByte(char& c, int nTimeoutMs) override;

private:
    int m_hComm = -1;
    CPollWait m_pollWait;
    CLineWait* m_pWait;
};

// True when an open failed because no such device is there (as opposed to one that is there but
// may not be used: no permission, in use, not a serial port).
bool IsMissingDevice(int nError);

// The reason an open failed, for the operator: the path, the system's words, and for a lack of
// permission the group that may use the device.
std::string OpenFailureReason(const std::string& strPath, int nError);

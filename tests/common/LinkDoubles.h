#pragma once

// Stand-ins for the tunnel, the operator and the view, for the link's tests.

#include <gtest/gtest.h>

#include <QString>
#include <cerrno>
#include <deque>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "RecordingDrawing.h"
#include "app/MessageBox.h"
#include "link/Poll.h"
#include "link/SerialDevice.h"
#include "link/SerialPort.h"

// The far end of a scripted line. It outlives the devices opened on it, so a test can look at
// everything the link did. By default it answers as a healthy controller at rest would.
class CFakeLine {
public:
    // The reply bytes for one command as written; the default answers every command.
    std::function<std::string(const std::string&)> m_fnAnswer;

    // Controller state used by the default answers.
    int m_nStatus = STATUS_PLUGGED | STATUS_STOPPED;
    std::string m_strWReply = "\r";
    std::string m_strReading = "0,0,0\r";

    // Line faults.
    std::set<std::string> m_missing;  // paths that do not exist
    int m_nOpenError = 0;             // when not 0, every open fails with this error
    bool m_bRefuseSettings = false;   // opens, but the line settings do not take
    bool m_bFailReads = false;        // reads fail at once (an unplugged adaptor)

    // What the link did.
    std::vector<std::string> m_writes;
    std::vector<std::string> m_opened;  // paths of every open that succeeded
    std::vector<int> m_timeouts;        // the time allowed for each read
    int m_nDiscards = 0;
    int m_nOpenDevices = 0;

    // Bytes waiting to be read.
    std::string m_strInput;

    CFakeLine() {
        m_fnAnswer = [this](const std::string& cmd) { return DefaultAnswer(cmd); };
    }

    std::string DefaultAnswer(const std::string& cmd) const {
        if (cmd == "S") {
            return std::to_string(m_nStatus) + "\r";
        }
        if (!cmd.empty() && cmd[0] == 'W') {
            return m_strWReply;
        }
        if (cmd == "R") {
            return m_strReading;
        }
        if (cmd == "O") {
            return "\r";
        }
        if (cmd == "\x03") {
            return "READY\r";
        }
        return "";
    }

    // The commands written since the last call, control bytes shown as <03> and <CR>.
    std::vector<std::string> TakeWrites() {
        std::vector<std::string> out;
        for (const std::string& w : m_writes) {
            std::string text;
            for (char c : w) {
                if (c == '\r') {
                    text += "<CR>";
                } else if (c == '\x03') {
                    text += "<03>";
                } else {
                    text += c;
                }
            }
            out.push_back(text);
        }
        m_writes.clear();
        return out;
    }

    SerialDeviceFactory Factory();
};

class CFakeDevice : public CSerialDevice {
public:
    explicit CFakeDevice(CFakeLine& line) : m_line(line) {}
    ~CFakeDevice() override { Close(); }

    bool Open(const std::string& strPath, COpenFailure& failure) override {
        Close();
        int nError = m_line.m_nOpenError;
        if (m_line.m_missing.count(strPath)) {
            nError = ENOENT;
        }
        if (nError != 0) {
            failure.m_nError = nError;
            failure.m_strReason = OpenFailureReason(strPath, nError);
            return false;
        }
        m_bOpen = true;
        ++m_line.m_nOpenDevices;
        if (m_line.m_bRefuseSettings) {
            failure.m_nError = EINVAL;
            failure.m_strReason = OpenFailureReason(strPath, EINVAL);
            return false;
        }
        m_line.m_opened.push_back(strPath);
        return true;
    }
    bool IsOpen() const override { return m_bOpen; }
    void Close() override {
        if (m_bOpen) {
            m_bOpen = false;
            --m_line.m_nOpenDevices;
        }
    }
    void DiscardInput() override {
        ++m_line.m_nDiscards;
        m_line.m_strInput.clear();
    }
    bool Write(const char* pData, std::size_t nLength) override {
        EXPECT_TRUE(m_bOpen) << "written on a device that is not open";
        const std::string cmd(pData, nLength);
        m_line.m_writes.push_back(cmd);
        m_line.m_strInput += m_line.m_fnAnswer(cmd);
        return true;
    }
    ReadResult ReadByte(char& c, int nTimeoutMs) override {
        m_line.m_timeouts.push_back(nTimeoutMs);
        if (m_line.m_bFailReads) {
            return ReadResult::FAILED;
        }
        if (m_line.m_strInput.empty()) {
            return ReadResult::TIMED_OUT;
        }
        c = m_line.m_strInput.front();
        m_line.m_strInput.erase(0, 1);
        return ReadResult::BYTE;
    }

private:
    CFakeLine& m_line;
    bool m_bOpen = false;
};

inline SerialDeviceFactory CFakeLine::Factory() {
    return [this] { return std::make_unique<CFakeDevice>(*this); };
}

// The operator: answers each box from a script and writes down what was asked. Every box of the
// link must come up with the link down, so a timer tick meanwhile cannot send anything.
class CScriptedBoxes : public CMessageBoxes {
public:
    struct Shown {
        std::string strText;
        unsigned nType;
    };

    std::deque<int> m_answers;
    std::vector<Shown> m_shown;
    const CSerialPort* m_pPort = nullptr;
    // Runs while the box is up, before it is answered (a tick that fires, a fault mended).
    std::function<void(const std::string&)> m_fnWhileShown;

    int Show(const QString& strText, unsigned nType) override {
        const std::string text = strText.toStdString();
        m_shown.push_back({text, nType});
        if (m_pPort) {
            EXPECT_EQ(m_pPort->m_bOnline, 0) << "box shown with the link up: " << text;
        }
        if (m_fnWhileShown) {
            m_fnWhileShown(text);
        }
        if (m_answers.empty()) {
            ADD_FAILURE() << "unexpected box: " << text;
            return IDCANCEL;
        }
        const int nAnswer = m_answers.front();
        m_answers.pop_front();
        return nAnswer;
    }

    std::vector<std::string> TakeTexts() {
        std::vector<std::string> texts;
        for (const Shown& s : m_shown) {
            texts.push_back(s.strText);
        }
        m_shown.clear();
        return texts;
    }
};

// The view as the poll sees it: a recording surface, the status pane and the poll timer.
class CPollHostDouble : public CPollHost {
public:
    CRecordingDrawing m_dc;
    bool m_bTimerRunning = true;
    int m_nKills = 0;
    int m_nRedraws = 0;
    int m_nDepth = 0;  // ticks begun and not ended
    int m_nTicks = 0;
    std::vector<std::string> m_status;

    CRecordDrawing& TickDrawing() override {
        ++m_nDepth;
        ++m_nTicks;
        return m_dc;
    }
    void EndTick() override { --m_nDepth; }
    void RedrawAll() override { ++m_nRedraws; }
    void SetStatusText(const std::string& strText) override { m_status.push_back(strText); }
    void KillPollTimer() override {
        ++m_nKills;
        m_bTimerRunning = false;
    }
};

inline const std::string COMM_ERROR_COM1 =
    "Serial Communications Error!\rBe sure Zefron is properly\rconnected to serial port COM1";
inline constexpr unsigned RETRY_CANCEL_BOX = MB_RETRYCANCEL | MB_ICONEXCLAMATION;

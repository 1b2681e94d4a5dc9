#pragma once

// Stand-ins for the tunnel, the operator and the view, for the link's tests.

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <cerrno>
#include <deque>
#include <set>
#include <utility>

#include "AsOperator.h"
#include "RecordingDrawing.h"
#include "core/files/Profile.h"
#include "core/link/Poll.h"
#include "core/link/PortSelection.h"

using Texts = std::vector<std::string>;

// The far end of a scripted line. It outlives the devices opened on it, so a test can look at
// everything the link did. By default it answers as a healthy controller at rest would.
class CFakeLine {
public:
    // The reply bytes for one command as written ("" is silence); when empty, DefaultAnswer.
    std::function<std::string(const std::string&)> m_fnAnswer;
    int m_nStatus = STATUS_PLUGGED | STATUS_STOPPED;
    std::string m_strReading = "0,0,0\r";
    std::set<std::string> m_missing;  // paths that do not exist
    int m_nOpenError = 0;             // when not 0, every open fails with this error

    Texts m_writes;               // the commands written, CR shown as <CR> and the reset as <03>
    Texts m_opened;               // paths of every open that succeeded
    std::vector<int> m_timeouts;  // the time allowed for each read
    int m_nOpenDevices = 0;
    std::string m_strInput;

    std::string DefaultAnswer(const std::string& cmd) const {
        return cmd == "S"                    ? std::to_string(m_nStatus) + "\r"
               : cmd == "R"                  ? m_strReading
               : cmd == "\x03"               ? "READY\r"
               : cmd[0] == 'W' || cmd == "O" ? "\r"
                                             : "";
    }
    // The commands written since the last call.
    Texts TakeWrites() { return std::exchange(m_writes, {}); }
    SerialDeviceFactory Factory() {
        return [this] { return std::make_unique<CDevice>(*this); };
    }

private:
    class CDevice : public CSerialDevice {
    public:
        explicit CDevice(CFakeLine& line) : m_line(line) {}
        ~CDevice() override { Close(); }
        bool Open(const std::string& strPath, COpenFailure& failure) override {
            const int nError = m_line.m_missing.count(strPath) ? ENOENT : m_line.m_nOpenError;
            if (nError != 0) {
                failure = {nError, OpenFailureReason(strPath, nError)};
                return false;
            }
            m_line.m_nOpenDevices += !std::exchange(m_bOpen, true);
            m_line.m_opened.push_back(strPath);
            return true;
        }
        bool IsOpen() const override { return m_bOpen; }
        void Close() override { m_line.m_nOpenDevices -= std::exchange(m_bOpen, false); }
        void DiscardInput() override { m_line.m_strInput.clear(); }
        bool Write(const char* pData, std::size_t nLength) override {
            EXPECT_TRUE(m_bOpen) << "written on a device that is not open";
            std::string cmd(pData, nLength);
            m_line.m_strInput += m_line.m_fnAnswer ? m_line.m_fnAnswer(cmd) : m_line.DefaultAnswer(cmd);
            for (std::size_t i = 0; (i = cmd.find_first_of("\r\x03", i)) != std::string::npos;)
                cmd.replace(i, 1, cmd[i] == '\r' ? "<CR>" : "<03>");
            m_line.m_writes.push_back(cmd);
            return true;
        }
        ReadResult ReadByte(char& c, int nTimeoutMs) override {
            m_line.m_timeouts.push_back(nTimeoutMs);
            if (m_line.m_strInput.empty())
                return ReadResult::TIMED_OUT;
            c = m_line.m_strInput[0];
            m_line.m_strInput.erase(0, 1);
            return ReadResult::BYTE;
        }

    private:
        CFakeLine& m_line;
        bool m_bOpen = false;
    };
};

// The operator: answers each box from a script and writes down what was asked. Every box of the
// link must come up with the link down, so a timer tick meanwhile cannot send anything.
class CScriptedBoxes : public CMessageBoxes {
public:
    std::deque<int> m_answers;
    Texts m_shown;                  // the text of each box shown
    std::vector<unsigned> m_types;  // and its type
    const CSerialPort* m_pPort = nullptr;
    // Runs while the box is up, before it is answered (a tick that fires, a fault mended).
    std::function<void(const std::string&)> m_fnWhileShown;

    int Show(const QString& strText, unsigned nType) override {
        const std::string text = strText.toStdString();
        m_shown.push_back(text);
        m_types.push_back(nType);
        EXPECT_TRUE(!m_pPort || !m_pPort->m_bOnline) << "box shown with the link up: " << text;
        if (m_fnWhileShown)
            m_fnWhileShown(text);
        if (m_answers.empty()) {
            ADD_FAILURE() << "unexpected box: " << text;
            return IDCANCEL;
        }
        const int nAnswer = m_answers.front();
        m_answers.pop_front();
        return nAnswer;
    }
    Texts TakeTexts() { return std::exchange(m_shown, {}); }
};

// A link on a scripted line, with a profile of its own, polling for a cleared record. The
// fixture is also the view the poll draws on, and the port dialog, which says OK with each
// text of m_portAnswers in turn, then Cancel.
class CLinkTest : public ::testing::Test, public CPollHost, public CPortDialog {
protected:
    CLinkTest() {
        m_port.SetDeviceFactory(m_line.Factory());
        m_port.SetMessageBoxes(&m_boxes);
        m_port.SetProfilePath(m_profile.Path());
        m_boxes.m_pPort = &m_port;
        m_rec.ApplyUnitScales();
        m_rec.RecordPoint(m_dc, 0, 0, 0, RECORD_CLEAR);
    }
    CRecordDrawing& TickDrawing() override { return ++m_nDepth, m_dc; }
    void EndTick() override { --m_nDepth; }
    void RedrawAll() override { ++m_nRedraws; }
    void SetStatusText(const std::string& strText) override { m_status.push_back(strText); }
    void KillPollTimer() override { m_bTimerRunning = false; }
    bool Ask(QString& strPort) override {
        m_proposed.push_back(strPort.toStdString());
        EXPECT_EQ(m_port.m_bOnline, 0) << "port dialog shown with the link up";
        if (m_portAnswers.empty())
            return false;
        strPort = QString::fromStdString(m_portAnswers.front());
        m_portAnswers.pop_front();
        return true;
    }
    QString NewDevice() const override { return QString::fromStdString(m_strNewDevice); }

    void Tick() { Poll(m_rec, m_poll, *this, m_port); }
    void GoOnline() {
        ASSERT_TRUE(m_port.Open());
        m_port.m_bOnline = 1;
    }
    void WriteProfile(const std::string& strText) {
        ASSERT_TRUE(WriteBytes(m_profile.Path(), strText));
    }

    QTemporaryDir m_dir;
    CProfile m_profile{m_dir.filePath(QStringLiteral("zef.ini"))};
    CFakeLine m_line;
    CScriptedBoxes m_boxes;
    CSerialPort m_port;
    CControllerCommands m_commands{m_port};
    TestRecord m_rec{1, 80.0};
    CPollState m_poll;
    CRecordingDrawing m_dc;
    bool m_bTimerRunning = true;
    int m_nRedraws = 0;
    int m_nDepth = 0;  // ticks begun and not ended
    Texts m_status;
    std::deque<std::string> m_portAnswers;
    Texts m_proposed;            // what the port dialog proposed each time it came up
    std::string m_strNewDevice;  // the device the operator chose for the port, if not mapped
};

// The link's boxes, word for word; the first ends with the port's number.
inline const std::string COMM_ERROR =
    "Serial Communications Error!\rBe sure Zefron is properly\rconnected to serial port COM";
inline const std::string CABLE_BOX = "Cable is disconnected!", LOCK_BOX = "Control Panel is Locked!";

#pragma once

// Stand-ins for the tunnel, the operator and the view, for the link's tests.

#include <gtest/gtest.h>

#include <cerrno>
#include <deque>
#include <set>
#include <utility>

#include <QFile>
#include <QTemporaryDir>

#include "RecordingDrawing.h"
#include "app/Profile.h"
#include "link/Poll.h"
#include "link/PortSelection.h"
#include "link/SerialPort.h"

using Texts = std::vector<std::string>;

// The far end of a scripted line. It outlives the devices opened on it, so a test can look at
// everything the link did. By default it answers as a healthy controller at rest would.
class CFakeLine {
public:
    // The reply bytes for one command as written ("" is silence); when empty, DefaultAnswer.
    std::function<std::string(const std::string&)> m_fnAnswer;
    int m_nStatus = STATUS_PLUGGED | STATUS_STOPPED;
    std::string m_strWReply = "\r";
    std::string m_strReading = "0,0,0\r";
    std::set<std::string> m_missing;  // paths that do not exist
    int m_nOpenError = 0;             // when not 0, every open fails with this error

    std::vector<std::string> m_writes;
    std::vector<std::string> m_opened;  // paths of every open that succeeded
    std::vector<int> m_timeouts;        // the time allowed for each read
    int m_nOpenDevices = 0;
    std::string m_strInput;

    std::string DefaultAnswer(const std::string& cmd) const {
        if (cmd.starts_with('W')) {
            return m_strWReply;
        }
        return cmd == "S"      ? std::to_string(m_nStatus) + "\r"
               : cmd == "R"    ? m_strReading
               : cmd == "O"    ? "\r"
               : cmd == "\x03" ? "READY\r"
                               : "";
    }

    // The commands written since the last call, CR shown as <CR> and the reset as <03>.
    Texts TakeWrites() {
        Texts out = std::exchange(m_writes, {});
        for (std::string& w : out) {
            for (std::size_t i = 0; (i = w.find_first_of("\r\x03", i)) != std::string::npos;) {
                w.replace(i, 1, w[i] == '\r' ? "<CR>" : "<03>");
            }
        }
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
        const int nError = m_line.m_missing.count(strPath) ? ENOENT : m_line.m_nOpenError;
        if (nError != 0) {
            failure = {nError, OpenFailureReason(strPath, nError)};
            return false;
        }
        m_bOpen = true;
        ++m_line.m_nOpenDevices;
        m_line.m_opened.push_back(strPath);
        return true;
    }
    bool IsOpen() const override { return m_bOpen; }
    void Close() override {
        m_line.m_nOpenDevices -= m_bOpen;
        m_bOpen = false;
    }
    void DiscardInput() override { m_line.m_strInput.clear(); }
    bool Write(const char* pData, std::size_t nLength) override {
        EXPECT_TRUE(m_bOpen) << "written on a device that is not open";
        m_line.m_writes.emplace_back(pData, nLength);
        const std::string& cmd = m_line.m_writes.back();
        m_line.m_strInput += m_line.m_fnAnswer ? m_line.m_fnAnswer(cmd) : m_line.DefaultAnswer(cmd);
        return true;
    }
    ReadResult ReadByte(char& c, int nTimeoutMs) override {
        m_line.m_timeouts.push_back(nTimeoutMs);
        const bool bByte = !m_line.m_strInput.empty();
        c = bByte ? m_line.m_strInput[0] : '\0';
        m_line.m_strInput.erase(0, bByte);
        return bByte ? ReadResult::BYTE : ReadResult::TIMED_OUT;
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

    Texts TakeTexts() {
        Texts texts;
        for (const Shown& s : std::exchange(m_shown, {})) {
            texts.push_back(s.strText);
        }
        return texts;
    }
};

class CPollHostDouble : public CPollHost {
public:
    CRecordingDrawing m_dc;
    bool m_bTimerRunning = true;
    int m_nRedraws = 0;
    int m_nDepth = 0;  // ticks begun and not ended
    std::vector<std::string> m_status;

    CRecordDrawing& TickDrawing() override {
        ++m_nDepth;
        return m_dc;
    }
    void EndTick() override { --m_nDepth; }
    void RedrawAll() override { ++m_nRedraws; }
    void SetStatusText(const std::string& strText) override { m_status.push_back(strText); }
    void KillPollTimer() override { m_bTimerRunning = false; }
};

// The port dialog: OK with each text in turn, then Cancel; the link must be down while it is up.
class CScriptedPortDialog : public CPortDialog {
public:
    std::deque<QString> m_answers;
    std::vector<std::string> m_proposed;
    const CSerialPort* m_pPort = nullptr;

    bool Ask(QString& strPort) override {
        m_proposed.push_back(strPort.toStdString());
        EXPECT_EQ(m_pPort->m_bOnline, 0);
        if (m_answers.empty()) {
            return false;
        }
        strPort = m_answers.front();
        m_answers.pop_front();
        return true;
    }
};

// A link on a scripted line, with a profile of its own, polling for a cleared record.
class CLinkTest : public ::testing::Test {
protected:
    CLinkTest() {
        m_port.SetDeviceFactory(m_line.Factory());
        m_port.SetMessageBoxes(&m_boxes);
        m_port.SetProfilePath(m_profile.Path());
        m_boxes.m_pPort = &m_port;
        m_dlg.m_pPort = &m_port;
        m_rec.ApplyUnitScales();
        m_rec.RecordPoint(m_host.m_dc, 0, 0, 0, RECORD_CLEAR);
    }
    void Tick() { Poll(m_rec, m_host, m_port); }
    void GoOnline() {
        ASSERT_TRUE(m_port.Open());
        m_port.m_bOnline = 1;
    }
    void WriteProfile(const std::string& strText) {
        QFile file(m_profile.Path());
        ASSERT_TRUE(m_dir.isValid() && file.open(QIODevice::WriteOnly));
        file.write(strText.c_str());
    }

    QTemporaryDir m_dir;
    CProfile m_profile{m_dir.filePath(QStringLiteral("zef.ini"))};
    CFakeLine m_line;
    CScriptedBoxes m_boxes;
    CScriptedPortDialog m_dlg;
    CSerialPort m_port;
    TestRecord m_rec{1, 80.0};
    CPollHostDouble m_host;
};

inline const std::string COMM_ERROR_COM1 =
    "Serial Communications Error!\rBe sure Zefron is properly\rconnected to serial port COM1";
inline constexpr unsigned RETRY_CANCEL_BOX = MB_RETRYCANCEL | MB_ICONEXCLAMATION;

#pragma once

// The tunnel emulator as a child process: its device and its operator's switches on standard
// input.

#include <signal.h>

#include <QProcess>
#include <string>
#include <vector>

class CZefsim {
public:
    explicit CZefsim(const std::vector<std::string>& options) {
        QStringList args;
        for (const std::string& s : options)
            args.push_back(QString::fromStdString(s));
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QString::fromLatin1(ZEF_ZEFSIM), args);
        // The device is the first line of its output; allow for a slow start under sanitizers.
        while (!m_process.canReadLine() && m_process.waitForReadyRead(20000)) {
        }
        m_strDevice = m_process.readLine().trimmed().toStdString();
    }
    ~CZefsim() { Stop(); }

    static bool Available() { return ZEF_ZEFSIM[0] != '\0'; }
    bool IsRunning() const {
        return m_process.state() == QProcess::Running && !m_strDevice.empty();
    }
    const std::string& Device() const { return m_strDevice; }

    // Throws one of the controller's switches ("lock", "mute", ...). The line reaches the
    // emulator before anything the console sends afterwards.
    void Operator(const std::string& strLine) {
        m_process.write((strLine + "\n").c_str());
        m_process.waitForBytesWritten(5000);
    }
    void CloseInput() { m_process.closeWriteChannel(); }

    // Ends the emulator with "quit", or with the signal given, and after 10 s with a kill. Its
    // exit status; -1 when it did not exit by itself.
    int Stop(int nSignal = 0) {
        if (m_process.state() != QProcess::NotRunning) {
            if (nSignal != 0)
                ::kill(static_cast<pid_t>(m_process.processId()), nSignal);
            else
                Operator("quit");
            if (!m_process.waitForFinished(10000)) {
                m_process.kill();
                m_process.waitForFinished();
            }
        }
        return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
    }

private:
    QProcess m_process;
    std::string m_strDevice;
};

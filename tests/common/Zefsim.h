#pragma once

// The tunnel emulator as a child process: its device, its operator's switches on standard input,
// and its command log.

#include <signal.h>

#include <QProcess>
#include <QTemporaryDir>
#include <fstream>
#include <string>
#include <vector>

#ifndef ZEF_ZEFSIM
#define ZEF_ZEFSIM ""  // not built: the tests that need it skip
#endif

class CZefsim {
public:
    // Starts zefsim with the options given and --log into a directory of its own.
    explicit CZefsim(const std::vector<std::string>& options) {
        QStringList args = {QStringLiteral("--log"), m_dir.filePath(QStringLiteral("log"))};
        for (const std::string& s : options) {
            args.push_back(QString::fromStdString(s));
        }
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

    std::vector<std::string> Log() const {
        std::ifstream file(m_dir.filePath(QStringLiteral("log")).toStdString());
        std::vector<std::string> lines;
        for (std::string strLine; std::getline(file, strLine);) {
            lines.push_back(strLine);
        }
        return lines;
    }

    // Ends the emulator with "quit", or with the signal given, and after 10 s with a kill. Its
    // exit status; -1 when it did not exit by itself.
    int Stop(int nSignal = 0) {
        if (m_process.state() != QProcess::NotRunning) {
            if (nSignal != 0) {
                ::kill(static_cast<pid_t>(m_process.processId()), nSignal);
            } else {
                Operator("quit");
            }
            if (!m_process.waitForFinished(10000)) {
                m_process.kill();
                m_process.waitForFinished();
            }
        }
        return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
    }

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    std::string m_strDevice;
};

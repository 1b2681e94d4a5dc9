#pragma once

// The tunnel emulator as a child process: its device, its operator's switches on standard input,
// and its command log.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFile>
#include <QTemporaryDir>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "link/SerialDevice.h"

extern char** environ;

class CZefsim {
public:
    // Starts zefsim with the options given and --log into a directory of its own.
    explicit CZefsim(std::vector<std::string> options) {
#ifdef ZEF_ZEFSIM
        if (!m_dir.isValid()) {
            return;
        }
        // An emulator that has gone must not take the test with it when told something.
        ::signal(SIGPIPE, SIG_IGN);
        m_strLog = m_dir.filePath(QStringLiteral("commands.log")).toStdString();
        options.insert(options.begin(), {ZEF_ZEFSIM, "--log", m_strLog});
        int toChild[2];
        int fromChild[2];
        if (pipe2(toChild, O_CLOEXEC) != 0) {
            return;
        }
        if (pipe2(fromChild, O_CLOEXEC) != 0) {
            ::close(toChild[0]);
            ::close(toChild[1]);
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, toChild[0], STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, fromChild[1], STDOUT_FILENO);
        std::vector<char*> argv;
        for (std::string& s : options) {
            argv.push_back(s.data());
        }
        argv.push_back(nullptr);
        if (posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
            m_pid = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        ::close(toChild[0]);
        ::close(fromChild[1]);
        m_hStdin = toChild[1];
        m_hStdout = fromChild[0];
        if (m_pid > 0) {
            m_strDevice = ReadFirstLine();
        }
#else
        (void)options;
#endif
    }

    ~CZefsim() {
        Stop();
    }
    CZefsim(const CZefsim&) = delete;
    CZefsim& operator=(const CZefsim&) = delete;

    static bool Available() {
#ifdef ZEF_ZEFSIM
        return true;
#else
        return false;
#endif
    }

    bool IsRunning() const {
        return m_pid > 0 && !m_strDevice.empty();
    }
    const std::string& Device() const {
        return m_strDevice;
    }

    // Throws one of the controller's switches ("lock", "mute", ...). The line reaches the
    // emulator before anything the console sends afterwards.
    void Operator(const std::string& strLine) {
        const std::string text = strLine + "\n";
        if (m_hStdin >= 0) {
            [[maybe_unused]] const ssize_t n = ::write(m_hStdin, text.data(), text.size());
        }
    }

    // Every command the emulator received, one line each, as its log writes them.
    std::vector<std::string> Log() const {
        std::vector<std::string> lines;
        QFile file(QString::fromStdString(m_strLog));
        if (!file.open(QIODevice::ReadOnly)) {
            return lines;
        }
        for (const QByteArray& line : file.readAll().split('\n')) {
            if (!line.isEmpty()) {
                lines.push_back(line.toStdString());
            }
        }
        return lines;
    }

    // Ends the emulator: "quit", and after a grace period a kill of the process it started.
    void Stop() {
        if (m_hStdin >= 0) {
            Operator("quit");
            ::close(m_hStdin);
            m_hStdin = -1;
        }
        if (m_pid > 0) {
            int nStatus = 0;
            const auto tEnd = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            while (::waitpid(m_pid, &nStatus, WNOHANG) == 0) {
                if (std::chrono::steady_clock::now() > tEnd) {
                    ::kill(m_pid, SIGKILL);
                    ::waitpid(m_pid, &nStatus, 0);
                    break;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
            m_pid = -1;
        }
        if (m_hStdout >= 0) {
            ::close(m_hStdout);
            m_hStdout = -1;
        }
    }

private:
    std::string ReadFirstLine() {
        std::string line;
        const auto tEnd = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (std::chrono::steady_clock::now() < tEnd) {
            pollfd fd = {m_hStdout, POLLIN, 0};
            if (::poll(&fd, 1, 100) <= 0) {
                continue;
            }
            char c = 0;
            if (::read(m_hStdout, &c, 1) != 1) {
                break;
            }
            if (c == '\n') {
                return line;
            }
            line += c;
        }
        return std::string();
    }

    QTemporaryDir m_dir;
    std::string m_strLog;
    pid_t m_pid = -1;
    int m_hStdin = -1;
    int m_hStdout = -1;
    std::string m_strDevice;
};

// A terminal device that also keeps every byte it read, so a test can see the replies.
class CTapDevice : public CSerialDevice {
public:
    explicit CTapDevice(std::string& strRead) : m_strRead(strRead) {}
    bool Open(const std::string& strPath, COpenFailure& failure) override {
        return m_device.Open(strPath, failure);
    }
    bool IsOpen() const override { return m_device.IsOpen(); }
    void Close() override { m_device.Close(); }
    void DiscardInput() override { m_device.DiscardInput(); }
    bool Write(const char* pData, std::size_t nLength) override {
        return m_device.Write(pData, nLength);
    }
    ReadResult ReadByte(char& c, int nTimeoutMs) override {
        const ReadResult result = m_device.ReadByte(c, nTimeoutMs);
        if (result == ReadResult::BYTE) {
            m_strRead += c;
        }
        return result;
    }

private:
    CTermiosDevice m_device;
    std::string& m_strRead;
};

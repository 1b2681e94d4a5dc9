#include "Simulator.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

namespace {

std::string_view Trim(std::string_view s) {
    const auto bBlank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!s.empty() && bBlank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && bBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

timespec ToTimespec(CSimulator::Clock::duration d) {
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(d).count();
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(ns / 1'000'000'000);
    ts.tv_nsec = static_cast<long>(ns % 1'000'000'000);
    return ts;
}

}  // namespace

CSimulator::CSimulator(CController& controller, int nLineFd, int nOperatorFd, int nStopFd)
    : m_controller(controller),
      m_nLineFd(nLineFd),
      m_nOperatorFd(nOperatorFd),
      m_nStopFd(nStopFd),
      m_tStart(Clock::now()),
      m_tNextByte(m_tStart),
      m_tLineFree(m_tStart) {}

double CSimulator::Now() const {
    return std::chrono::duration<double>(Clock::now() - m_tStart).count();
}

bool CSimulator::Run(std::string& strError) {
    while (!m_bQuit) {
        pollfd fds[3] = {
            {m_nStopFd, POLLIN, 0}, {m_nLineFd, POLLIN, 0}, {m_nOperatorFd, POLLIN, 0}};
        const nfds_t nFds = m_bOperatorOpen ? 3 : 2;

        timespec tsWait{};
        const timespec* pWait = nullptr;
        if (!m_strOut.empty()) {
            tsWait = ToTimespec(std::max(Clock::duration::zero(), m_tNextByte - Clock::now()));
            pWait = &tsWait;
        }
        if (ppoll(fds, nFds, pWait, nullptr) < 0) {
            if (errno == EINTR) {
                continue;
            }
            strError = std::string("poll: ") + std::strerror(errno);
            return false;
        }
        if (fds[0].revents != 0) {
            break;
        }
        if (m_bOperatorOpen && fds[2].revents != 0) {
            ReadOperator();
        }
        if (fds[1].revents & POLLIN) {
            ReadLine();
        }
        SendDue();
    }
    return true;
}

void CSimulator::ReadOperator() {
    char buf[1024];
    const ssize_t n = read(m_nOperatorFd, buf, sizeof buf);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) {
        return;
    }
    if (n <= 0) {
        // The operator has gone; the controller runs on until it is told to stop.
        m_bOperatorOpen = false;
        if (!m_strOperator.empty()) {
            HandleOperatorLine(m_strOperator);
            m_strOperator.clear();
        }
        return;
    }
    m_strOperator.append(buf, static_cast<std::size_t>(n));
    std::size_t nEnd;
    while ((nEnd = m_strOperator.find('\n')) != std::string::npos) {
        const std::string strLine = m_strOperator.substr(0, nEnd);
        m_strOperator.erase(0, nEnd + 1);
        HandleOperatorLine(strLine);
    }
}

// An operator's switch thrown before a command went out on the line must act on that command,
// even when both arrive within one wake-up.
void CSimulator::ReadOperatorIfWaiting() {
    for (int i = 0; i < 16 && m_bOperatorOpen; ++i) {
        pollfd fd = {m_nOperatorFd, POLLIN, 0};
        if (poll(&fd, 1, 0) <= 0 || fd.revents == 0) {
            return;
        }
        ReadOperator();
    }
}

void CSimulator::HandleOperatorLine(std::string_view line) {
    line = Trim(line);
    if (line.empty()) {
        return;
    }
    if (line == "lock") {
        m_controller.SetLocked(true);
    } else if (line == "unlock") {
        m_controller.SetLocked(false);
    } else if (line == "unplug") {
        m_controller.SetPlugged(false);
    } else if (line == "plug") {
        m_controller.SetPlugged(true);
    } else if (line == "mute") {
        m_controller.SetMuted(true);
    } else if (line == "unmute") {
        m_controller.SetMuted(false);
    } else if (line == "drip") {
        m_bDrip = true;
    } else if (line == "undrip") {
        // The answer dribbling now stops; the next ones come whole.
        m_bDrip = false;
        if (std::exchange(m_bDripping, false)) {
            m_strOut.clear();
        }
    } else if (line == "garble-w") {
        m_controller.SetGarbleW(true);
    } else if (line == "ungarble-w") {
        m_controller.SetGarbleW(false);
    } else if (line == "quit") {
        m_bQuit = true;
    } else {
        std::fprintf(stderr,
                     "zefsim: unknown command \"%.*s\" (try lock, unlock, unplug, plug, "
                     "mute, unmute, drip, undrip, garble-w, ungarble-w, quit)\n",
                     static_cast<int>(line.size()), line.data());
    }
}

void CSimulator::ReadLine() {
    ReadOperatorIfWaiting();
    char buf[256];
    const ssize_t n = read(m_nLineFd, buf, sizeof buf);
    if (n <= 0) {
        return;
    }
    CController::COutput out;
    m_controller.Receive(std::string_view(buf, static_cast<std::size_t>(n)), Now(), out);
    for (const std::string& strCommand : out.vecCommands) {
        Log(strCommand);
    }
    Queue(out.strReply);
}

void CSimulator::Log(const std::string& strCommand) {
    if (m_nLogFd < 0) {
        return;
    }
    const std::string strLine = LogText(strCommand) + '\n';
    // One write per line on an appending file: lines stay whole and reach the file at once.
    if (write(m_nLogFd, strLine.data(), strLine.size()) < 0) {
        std::fprintf(stderr, "zefsim: cannot write the log: %s\n", std::strerror(errno));
        m_nLogFd = -1;
    }
}

void CSimulator::Queue(const std::string& strReply) {
    if (strReply.empty()) {
        return;
    }
    if (m_bDrip) {
        // A new answer replaces the one dribbling; its first byte comes a drip's time later.
        m_strOut.clear();
        for (char c : strReply) {
            if (c != '\r') {
                m_strOut += c;
            }
        }
        m_strOut += ' ';
        m_bDripping = true;
        m_nDripSent = 0;
        m_tNextByte = Clock::now() + DRIP_TIME;
        return;
    }
    if (std::exchange(m_bDripping, false)) {
        m_strOut.clear();
    }
    if (m_strOut.empty()) {
        // The first byte leaves once the line is free and the byte has had its time on it.
        m_tNextByte = std::max(Clock::now(), m_tLineFree) + BYTE_TIME;
    }
    m_strOut += strReply;
}

void CSimulator::SendDrip() {
    const Clock::time_point tNow = Clock::now();
    if (tNow < m_tNextByte) {
        return;
    }
    // The answer's own bytes first, then its last one (a blank) over and over.
    const char c = m_strOut[std::min(m_nDripSent, m_strOut.size() - 1)];
    const ssize_t n = write(m_nLineFd, &c, 1);
    if (n == 1) {
        ++m_nDripSent;
        m_tLineFree = tNow;
    }
    m_tNextByte = tNow + DRIP_TIME;
}

void CSimulator::SendDue() {
    if (m_bDripping) {
        SendDrip();
        return;
    }
    while (!m_strOut.empty()) {
        std::size_t nCount = m_strOut.size();
        if (m_bPacing) {
            const Clock::time_point tNow = Clock::now();
            if (tNow < m_tNextByte) {
                return;
            }
            nCount = 1;
        }
        const ssize_t n = write(m_nLineFd, m_strOut.data(), nCount);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            // Nobody is draining the line: like a real serial port, the bytes are lost.
            m_strOut.clear();
            return;
        }
        m_strOut.erase(0, static_cast<std::size_t>(n));
        m_tLineFree = Clock::now();
        m_tNextByte = m_tLineFree + BYTE_TIME;
    }
}

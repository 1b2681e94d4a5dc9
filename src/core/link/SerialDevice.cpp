#include "core/link/SerialDevice.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Writes time out after this, plus as much again for every byte.
constexpr int WRITE_TIMEOUT_MS = 2000;

std::string GroupName(gid_t gid) {
    group grp{};
    group* pResult = nullptr;
    std::vector<char> buf(4096);
    if (getgrgid_r(gid, &grp, buf.data(), buf.size(), &pResult) == 0 && pResult) {
        return pResult->gr_name;
    }
    return std::to_string(gid);
}

}  // namespace

bool IsMissingDevice(int nError) {
    // A serial port node without hardware behind it answers EIO on open.
    return nError == ENOENT || nError == ENODEV || nError == ENXIO || nError == EIO ||
           nError == ENOTDIR;
}

std::string OpenFailureReason(const std::string& strPath, int nError) {
    switch (nError) {
        case EBUSY:
        case EWOULDBLOCK:
            return strPath + ": in use by another program";
        case ENOTTY:
            return strPath + ": not a serial port";
        case EACCES:
        case EPERM: {
            std::string strReason = strPath + ": " + std::strerror(nError);
            struct stat st {};
            if (::stat(strPath.c_str(), &st) == 0) {
                strReason += " (the device belongs to group " + GroupName(st.st_gid) + ")";
            }
            return strReason;
        }
        default:
            return strPath + ": " + std::strerror(nError);
    }
}

CTermiosDevice::~CTermiosDevice() {
    Close();
}

bool CTermiosDevice::Open(const std::string& strPath, COpenFailure& failure) {
    Close();
    const auto Fail = [&](int nError) {
        failure.m_nError = nError;
        failure.m_strReason = OpenFailureReason(strPath, nError);
        return false;
    };

    // Non-blocking, so that a port waiting for its carrier does not hold up the open; every
    // wait afterwards goes through poll() with its own limit.
    const int hComm = ::open(strPath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (hComm < 0) {
        return Fail(errno);
    }
    // Not shared: the lock keeps out a second holder of this device, this program included.
    if (::flock(hComm, LOCK_EX | LOCK_NB) != 0) {
        const int nError = errno == EWOULDBLOCK ? EBUSY : errno;
        ::close(hComm);
        return Fail(nError);
    }
    m_hComm = hComm;

    termios tio{};
    if (::tcgetattr(m_hComm, &tio) != 0) {
        return Fail(errno);
    }
    // The terminal's own exclusive mode also keeps out programs that do not take the lock.
    ::ioctl(m_hComm, TIOCEXCL);

    // 2400 baud, 8 data bits, no parity, 1 stop bit.
    ::cfsetispeed(&tio, B2400);
    ::cfsetospeed(&tio, B2400);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB);
    tio.c_cflag |= CS8 | CREAD;
    // Bytes pass as they are, both ways: replies end with CR, which must arrive as CR and at
    // once, and nothing may be echoed back to the controller as if it were a command.
    tio.c_iflag &= ~static_cast<tcflag_t>(INLCR | IGNCR | ICRNL | ISTRIP);
    tio.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    tio.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | ECHOE | ECHOK | ECHONL | ISIG | IEXTEN);
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    if (::tcsetattr(m_hComm, TCSANOW, &tio) != 0) {
        return Fail(errno);
    }
    return true;
}

void CTermiosDevice::Close() {
    if (m_hComm < 0) {
        return;
    }
    // The exclusive mode outlives the descriptor on a pseudo-terminal; end it so that the port
    // can be opened again.
    ::ioctl(m_hComm, TIOCNXCL);
    ::close(m_hComm);
    m_hComm = -1;
}

void CTermiosDevice::DiscardInput() {
    if (m_hComm >= 0) {
        ::tcflush(m_hComm, TCIFLUSH);
    }
}

bool CTermiosDevice::Write(const char* pData, std::size_t nLength) {
    if (m_hComm < 0) {
        return false;
    }
    const auto tDeadline =
        Clock::now() +
        std::chrono::milliseconds(WRITE_TIMEOUT_MS * (static_cast<long long>(nLength) + 1));
    while (nLength > 0) {
        const ssize_t n = ::write(m_hComm, pData, nLength);
        if (n > 0) {
            pData += n;
            nLength -= static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && errno != EAGAIN) {
            return false;
        }
        // The output queue is full (flow control holding it back): wait for room.
        const int nReady = m_pWait->Wait(m_hComm, POLLOUT, tDeadline);
        if (nReady <= 0 || (nReady & (POLLERR | POLLHUP | POLLNVAL))) {
            return false;
        }
    }
    return true;
}

ReadResult CTermiosDevice::ReadByte(char& c, int nTimeoutMs) {
    if (m_hComm < 0) {
        return ReadResult::FAILED;
    }
    const auto tDeadline = Clock::now() + std::chrono::milliseconds(nTimeoutMs);
    for (;;) {
        const int nReady = m_pWait->Wait(m_hComm, POLLIN, tDeadline);
        if (nReady == 0) {
            return ReadResult::TIMED_OUT;
        }
        if (nReady < 0) {
            return ReadResult::FAILED;
        }
        if (nReady & POLLIN) {
            const ssize_t n = ::read(m_hComm, &c, 1);
            if (n == 1) {
                return ReadResult::BYTE;
            }
            if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
                if (Clock::now() >= tDeadline) {
                    return ReadResult::TIMED_OUT;
                }
                continue;
            }
            // End of file (a hang-up) or EIO (the other end is gone).
            return ReadResult::FAILED;
        }
        // POLLERR, POLLHUP or POLLNVAL without data.
        return ReadResult::FAILED;
    }
}

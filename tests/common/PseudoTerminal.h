#pragma once

// A pseudo-terminal whose controller end the test holds: the link opens the device end.

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <string>

class CTestPty {
public:
    CTestPty() {
        m_hMaster = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (m_hMaster >= 0 && grantpt(m_hMaster) == 0 && unlockpt(m_hMaster) == 0) {
            char szName[128];
            if (ptsname_r(m_hMaster, szName, sizeof szName) == 0) {
                m_strDevice = szName;
            }
        }
    }
    ~CTestPty() { CloseMaster(); }
    CTestPty(const CTestPty&) = delete;
    CTestPty& operator=(const CTestPty&) = delete;

    bool IsValid() const { return m_hMaster >= 0 && !m_strDevice.empty(); }
    const std::string& Device() const { return m_strDevice; }
    int Master() const { return m_hMaster; }

    void CloseMaster() {
        if (m_hMaster >= 0) {
            ::close(m_hMaster);
            m_hMaster = -1;
        }
    }

    bool Send(const std::string& bytes) const {
        return ::write(m_hMaster, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    }

    // What the device end wrote, collected until nothing more comes for nQuietMs.
    std::string Receive(int nQuietMs = 100) const {
        std::string out;
        for (;;) {
            pollfd fd = {m_hMaster, POLLIN, 0};
            if (::poll(&fd, 1, nQuietMs) <= 0 || !(fd.revents & POLLIN)) {
                return out;
            }
            char buf[256];
            const ssize_t n = ::read(m_hMaster, buf, sizeof buf);
            if (n <= 0) {
                return out;
            }
            out.append(buf, static_cast<std::size_t>(n));
        }
    }

private:
    int m_hMaster = -1;
    std::string m_strDevice;
};

#include "PseudoTerminal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

std::string SystemError(const std::string& strWhat) {
    return strWhat + ": " + std::strerror(errno);
}

// Where a symbolic link points, or "" when strPath is not one.
std::string LinkTarget(const std::string& strPath) {
    std::vector<char> buf(4096);
    const ssize_t n = readlink(strPath.c_str(), buf.data(), buf.size());
    if (n <= 0 || static_cast<std::size_t>(n) >= buf.size()) {
        return {};
    }
    return std::string(buf.data(), static_cast<std::size_t>(n));
}

}  // namespace

CPseudoTerminal::~CPseudoTerminal() {
    RemoveLink();
    if (m_nSlaveFd >= 0) {
        close(m_nSlaveFd);
    }
    if (m_nMasterFd >= 0) {
        close(m_nMasterFd);
    }
}

bool CPseudoTerminal::Open(std::string& strError) {
    m_nMasterFd = posix_openpt(O_RDWR | O_NOCTTY);
    if (m_nMasterFd < 0) {
        strError = SystemError("cannot create a pseudo-terminal");
        return false;
    }
    if (grantpt(m_nMasterFd) != 0 || unlockpt(m_nMasterFd) != 0) {
        strError = SystemError("cannot unlock the pseudo-terminal");
        return false;
    }
    const char* pszName = ptsname(m_nMasterFd);
    if (pszName == nullptr) {
        strError = SystemError("cannot name the pseudo-terminal");
        return false;
    }
    m_strDevicePath = pszName;

    m_nSlaveFd = open(m_strDevicePath.c_str(), O_RDWR | O_NOCTTY);
    if (m_nSlaveFd < 0) {
        strError = SystemError("cannot open " + m_strDevicePath);
        return false;
    }
    termios tio{};
    if (tcgetattr(m_nSlaveFd, &tio) != 0) {
        strError = SystemError("cannot read the line settings");
        return false;
    }
    // No echo, no line editing, CR passed as it is in both directions.
    cfmakeraw(&tio);
    if (tcsetattr(m_nSlaveFd, TCSANOW, &tio) != 0) {
        strError = SystemError("cannot set the line raw");
        return false;
    }
    // Replies to a console that has gone away must not stall the controller.
    const int nFlags = fcntl(m_nMasterFd, F_GETFL);
    if (nFlags < 0 || fcntl(m_nMasterFd, F_SETFL, nFlags | O_NONBLOCK) != 0) {
        strError = SystemError("cannot make the line non-blocking");
        return false;
    }
    return true;
}

bool CPseudoTerminal::MakeLink(const std::string& strLinkPath, std::string& strError) {
    struct stat st {};
    if (lstat(strLinkPath.c_str(), &st) == 0 && !S_ISLNK(st.st_mode)) {
        strError = strLinkPath + ": exists and is not a symbolic link";
        return false;
    }
    // Made under a temporary name and renamed over, so that the name never points nowhere.
    const std::string strTemp = strLinkPath + ".zefsim-" + std::to_string(getpid());
    unlink(strTemp.c_str());
    if (symlink(m_strDevicePath.c_str(), strTemp.c_str()) != 0) {
        strError = SystemError("cannot link " + strLinkPath);
        return false;
    }
    if (rename(strTemp.c_str(), strLinkPath.c_str()) != 0) {
        strError = SystemError("cannot link " + strLinkPath);
        unlink(strTemp.c_str());
        return false;
    }
    m_strLinkPath = strLinkPath;
    return true;
}

void CPseudoTerminal::RemoveLink() {
    if (m_strLinkPath.empty()) {
        return;
    }
    // Another emulator may have taken the name over since; its link stays.
    if (LinkTarget(m_strLinkPath) == m_strDevicePath) {
        unlink(m_strLinkPath.c_str());
    }
    m_strLinkPath.clear();
}

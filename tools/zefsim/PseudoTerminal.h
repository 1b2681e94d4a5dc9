#pragma once

// The serial line the console opens: a pseudo-terminal whose slave side stands for the
// controller's port, with an optional symbolic link to it under a fixed name.

#include <string>

class CPseudoTerminal {
public:
    CPseudoTerminal() = default;
    ~CPseudoTerminal();
    CPseudoTerminal(const CPseudoTerminal&) = delete;
    CPseudoTerminal& operator=(const CPseudoTerminal&) = delete;

    // Creates the terminal and sets its line raw. On failure returns false with a message.
    bool Open(std::string& strError);

    // Points strLinkPath at the device, replacing an old symbolic link there but never any
    // other kind of file. The link is removed again with this object.
    bool MakeLink(const std::string& strLinkPath, std::string& strError);
    void RemoveLink();

    int MasterFd() const { return m_nMasterFd; }
    const std::string& DevicePath() const { return m_strDevicePath; }

private:
    int m_nMasterFd = -1;
    // Held open for the whole run, so that the line does not hang up whenever the console
    // closes the port, and so that it is raw before the console ever configures it.
    int m_nSlaveFd = -1;
    std::string m_strDevicePath;
    std::string m_strLinkPath;
};

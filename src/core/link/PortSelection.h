#pragma once

#include <QString>
#include <optional>

#include "core/link/SerialPort.h"

class CDeviceScanner;
class CMessageBoxes;
class CProfile;

inline constexpr char MSG_PORT_NOT_DETECTED[] = "Serial Port not detected!";

// The COM Port dialog: one editable drop-down box with COM1 ... COM9.
class CPortDialog {
public:
    virtual ~CPortDialog() = default;
    // Shows the dialog modally proposing strPort. True on OK, with the text chosen in strPort.
    virtual bool Ask(QString& strPort) = 0;
    // The device the port of the last Ask is to be mapped to under [Ports] once it opens (the
    // operator chose a device not mapped yet); empty when the port keeps its device.
    virtual QString NewDevice() const { return {}; }
};

// "COM%d" with the port number.
QString PortText(int nPort);
// The port number in a text read as "COM%d" reads it: "COM" exactly, then a decimal number
// (blanks and a sign allowed before it, anything after it ignored). Nothing when the text does
// not hold one, or the number does not fit.
std::optional<int> PortFromText(const QString& strText);

// True for a text that names a device by its path ("/tmp/zefron", "/dev/pts/3") rather than a
// port.
bool IsDevicePath(const QString& strText);

// The port a device typed by its path is opened through, as a device chosen from the list: the
// lowest port the profile maps to it already (by its name, or to the same device through a
// link), else the lowest free port, with the device in m_strNewDevice to be mapped to it once
// it opens. Port 0 when it is mapped to none and no number is free.
struct CDevicePort {
    int m_nPort = 0;
    QString m_strNewDevice;
};
CDevicePort PortForDevice(const CProfile& profile, const CDeviceScanner& devices,
                          const QString& strPath);

// "Serial Port not detected!", and a second line with the port and why it failed: its device
// and the reason when the device is there but could not be used (no permission, in use, not a
// serial port), "COM3: /dev/ttyS2, no such device" when it is not there, and "no such port" for
// a number outside 1 to 255.
QString PortNotDetectedText(const CSerialPort& port);

// Start-up: opens the stored port, or asks the operator for one until a port opens or the
// operator cancels. The chosen number is stored under "COM Port" before it is tried. True when
// the link is on-line.
bool SelectPortAtStartup(CPortDialog& dlg, CProfile& profile, CMessageBoxes& boxes,
                         CSerialPort& port);
// The COM Port command: takes the link down while it asks for a port until one opens or the
// operator cancels, and stores the number only once its port has opened. True when a port
// opened. Cancel leaves the link as it was before the command, unless a port was tried
// meanwhile: trying one gives up the port held.
bool OnComPort(CPortDialog& dlg, CProfile& profile, CMessageBoxes& boxes,
               CSerialPort& port);

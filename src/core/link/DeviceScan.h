#pragma once

#include <sys/types.h>

#include <QString>
#include <vector>

class CProfile;

// A serial device present on this machine, as the COM Port dialog lists it.
struct CSerialDeviceInfo {
    // What the link opens and [Ports] holds: "/dev/serial/by-id/usb-…" or "/dev/ttyUSB0".
    QString m_strPath;
    // The device node behind it ("/dev/ttyUSB0"); the same as m_strPath for a node.
    QString m_strNode;
    // The adapter's maker and model as the system describes it; empty when it says nothing.
    QString m_strDescription;
    // The COM number whose device this is, 0 when none is.
    int m_nPort = 0;
    // Why the device cannot be used ("no permission: join group dialout", "in use by process
    // 1234"); empty when it can.
    QString m_strUnusable;

    bool operator==(const CSerialDeviceInfo&) const = default;
};

// Whom a device's permissions are judged for, and the process whose own locks do not count as
// "in use" (the console holds its port while the COM Port dialog is up).
struct CDeviceUser {
    uid_t m_uid = 0;
    std::vector<gid_t> m_groups;
    pid_t m_pid = 0;
    // This process: its user, groups and id.
    static CDeviceUser Current();
};

// Finds the serial devices under a root folder ("/" on the machine; a tree of fake devices and
// links in tests): the stable names in dev/serial/by-id, and dev/ttyUSB*, dev/ttyACM* and the
// dev/ttyS* with a port behind them. Makers and models come from udev's database
// (run/udev/data), else from the USB device's own strings in sys; locks from proc/locks and
// the lock files in run/lock.
class CDeviceScanner {
public:
    explicit CDeviceScanner(QString strRoot = QStringLiteral("/"),
                            CDeviceUser user = CDeviceUser::Current());

    // The devices present, stable names first, each in name order, with the COM number the
    // profile maps to each.
    std::vector<CSerialDeviceInfo> Scan(const CProfile& profile) const;
    // The lowest port number with no device of its own: no [Ports] entry, and no serial port
    // present at its usual /dev/ttyS<n-1>. 0 when every number is taken.
    int LowestFreePort(const CProfile& profile) const;

    // The lowest port the profile maps to a device path, by its name or to the same device node
    // (a link to it, or the node a link names); 0 when none is.
    int PortOf(const CProfile& profile, const QString& strPath) const;

    // Where a path of the machine lies under the root.
    QString Local(const QString& strPath) const;
    const QString& Root() const { return m_strRoot; }

private:
    // The node a path resolves to, as a path of the machine; empty when it resolves to nothing.
    QString NodeOf(const QString& strPath) const;
    QString Describe(const QString& strNodeName) const;
    QString WhyUnusable(const QString& strNode) const;
    bool SerialPortPresent(const QString& strNodeName) const;

    QString m_strRoot;
    CDeviceUser m_user;
};

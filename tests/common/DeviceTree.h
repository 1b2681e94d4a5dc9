#pragma once

// A machine's serial devices in a temporary folder: device nodes (plain files), by-id links,
// udev's database, sys and proc, as the device scanner reads them. A user who is not the
// superuser and not in the nodes' group looks at it.

#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <string>

#include "core/link/DeviceScan.h"

class CFakeDeviceTree {
public:
    CFakeDeviceTree() {
        const std::pair<const char*, mode_t> nodes[] = {
            {"ttyUSB0", 0666}, {"ttyUSB1", 0660}, {"ttyACM0", 0666}, {"ttyS0", 0666},
            {"ttyS1", 0666},   {"ttyS2", 0600},   {"tty0", 0666}};
        for (const auto& [pszNode, nMode] : nodes)
            WriteFile(std::string("dev/") + pszNode, "", nMode);
        Link("dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1-if00-port0", "../../ttyUSB0");
        Link("dev/serial/by-id/usb-Zx_Probe-if00", "../../ttyACM0");
        Link("dev/serial/by-id/usb-Gone-if00", "../../ttyUSB7");
        WriteFile("sys/class/tty/ttyUSB0/dev", "188:0\n");
        WriteFile("run/udev/data/c188:0",
                  "S:serial/by-id/usb-FTDI_FT232R_USB_UART_A1-if00-port0\nE:ID_VENDOR=Future_Tech\n"
                  "E:ID_MODEL=FT232R_USB_UART\nE:ID_MODEL_ENC=FT232R\\x20USB\\x20UART\n");
        WriteFile("sys/devices/usb1/1-2/manufacturer", "Arduino (www.arduino.cc)\n");
        WriteFile("sys/devices/usb1/1-2/product", "Uno\n");
        QDir().mkpath(Local("sys/devices/usb1/1-2/1-2:1.0"));
        Link("sys/class/tty/ttyACM0/device", "../../../devices/usb1/1-2/1-2:1.0");
        WriteFile("sys/class/tty/ttyS0/type", "4\n");
        WriteFile("sys/class/tty/ttyS1/type", "0\n");
        Lock("dev/ttyACM0", 4242);
        WriteFile("run/lock/LCK..ttyS0", "      4343\n");
        QDir().mkpath(Local("proc/4343"));
    }

    QString Root() const { return m_dir.path(); }
    QString Local(const std::string& strPath) const {
        return m_dir.filePath(QString::fromStdString(strPath));
    }
    void WriteFile(const std::string& strPath, const std::string& strText, mode_t nMode = 0644) {
        const QString strLocal = Local(strPath);
        QDir().mkpath(QFileInfo(strLocal).path());
        QFile file(strLocal);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(strText.data(), static_cast<qint64>(strText.size()));
        file.close();
        ::chmod(QFile::encodeName(strLocal).constData(), nMode);
    }
    void Link(const std::string& strPath, const char* pszTarget) {
        QDir().mkpath(QFileInfo(Local(strPath)).path());
        ASSERT_EQ(::symlink(pszTarget, QFile::encodeName(Local(strPath)).constData()), 0);
    }
    // proc/locks then holds one lock of process nPid on the node, and one it waits for.
    void Lock(const std::string& strNode, long nPid) {
        struct stat st {};
        ASSERT_EQ(::stat(QFile::encodeName(Local(strNode)).constData(), &st), 0);
        const std::string strId = QStringLiteral("%1:%2:%3")
                                      .arg(major(st.st_dev), 2, 16, QLatin1Char('0'))
                                      .arg(minor(st.st_dev), 2, 16, QLatin1Char('0'))
                                      .arg(st.st_ino)
                                      .toStdString();
        WriteFile("proc/locks",
                  "1: POSIX  ADVISORY  WRITE 13 00:1a:99 0 EOF\n2: FLOCK  ADVISORY  "
                  "WRITE " +
                      std::to_string(nPid) + " " + strId +
                      " 0 EOF\n2: -> FLOCK  ADVISORY  WRITE 5555 " + strId + " 0 EOF\n");
    }
    // Neither the owner of the nodes nor in their group.
    static CDeviceUser User() {
        CDeviceUser user;
        user.m_uid = 4321;
        user.m_groups = {4321};
        user.m_pid = 777;
        return user;
    }
    // The nodes' group, as the system names it.
    std::string NodeGroupName() const {
        struct stat st {};
        ::stat(QFile::encodeName(Local("dev/ttyUSB1")).constData(), &st);
        const group* pGroup = ::getgrgid(st.st_gid);
        return pGroup ? pGroup->gr_name : std::to_string(st.st_gid);
    }

    QTemporaryDir m_dir;
};

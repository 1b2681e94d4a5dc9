// Finding the serial devices of a machine, on a tree of fake devices, links, sys and proc files.

#include "DeviceTree.h"
#include "core/files/Profile.h"
#include "core/link/DeviceScan.h"
#include "core/link/PortSelection.h"

namespace {

using Texts = std::vector<std::string>;

// Each device as "path node | adapter | COMn | why unusable".
Texts Listed(const CDeviceScanner& scanner, const CProfile& profile) {
    Texts listed;
    for (const CSerialDeviceInfo& d : scanner.Scan(profile)) {
        listed.push_back((d.m_strPath + ' ' + d.m_strNode + " | " + d.m_strDescription + " | COM" +
                          QString::number(d.m_nPort) + " | " + d.m_strUnusable)
                             .toStdString());
    }
    return listed;
}

TEST(DeviceScan, ListsStableNamesAndNodesWithAdapterPortAndWhyNotUsable) {
    CFakeDeviceTree tree;
    CProfile profile(tree.m_dir.filePath(QStringLiteral("zef.ini")));
    tree.WriteFile("zef.ini",
                   "[Ports]\nCOM5=/dev/ttyUSB0\nCOM7=/dev/serial/by-id/usb-Zx_Probe-if00\n");
    const CDeviceScanner scanner(tree.Root(), tree.User());
    const std::string strGroup = tree.NodeGroupName();
    EXPECT_EQ(Listed(scanner, profile),
              (Texts{
                  // udev's words (encoded, or with underscores); a link mapped by its own name
                  "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1-if00-port0 /dev/ttyUSB0 | Future "
                  "Tech FT232R USB UART | COM5 | ",
                  "/dev/serial/by-id/usb-Zx_Probe-if00 /dev/ttyACM0 | Arduino (www.arduino.cc) "
                  "Uno | COM7 | in use by process 4242",
                  "/dev/ttyUSB0 /dev/ttyUSB0 | Future Tech FT232R USB UART | COM5 | ",
                  "/dev/ttyUSB1 /dev/ttyUSB1 |  | COM0 | no permission: join group " + strGroup,
                  // the USB device's own strings, above the interface
                  "/dev/ttyACM0 /dev/ttyACM0 | Arduino (www.arduino.cc) Uno | COM7 | in use by "
                  "process 4242",
                  // ttyS1 has no port behind it; COM1 is ttyS0 by default
                  "/dev/ttyS0 /dev/ttyS0 |  | COM1 | in use by process 4343",
                  "/dev/ttyS2 /dev/ttyS2 |  | COM3 | no permission",
              }));
    // Ports 1 and 3 have their serial ports, 5 and 7 are mapped: 2 is the lowest free, then 4.
    EXPECT_EQ(scanner.LowestFreePort(profile), 2);
    tree.WriteFile("zef.ini", "[Ports]\nCOM2=/dev/null\n");
    EXPECT_EQ(scanner.LowestFreePort(profile), 4);

    // Unplugged: its link and node go; a dead program's lock file and the console's own lock
    // do not make a device busy; the machine's superuser may use any device.
    QFile::remove(tree.Local("dev/ttyUSB0"));
    tree.WriteFile("run/lock/LCK..ttyS0", "      9999\n");
    tree.Lock("dev/ttyACM0", tree.User().m_pid);
    CDeviceUser root = tree.User();
    root.m_uid = 0;
    EXPECT_EQ(Listed(CDeviceScanner(tree.Root(), root), profile),
              (Texts{"/dev/serial/by-id/usb-Zx_Probe-if00 /dev/ttyACM0 | Arduino (www.arduino.cc) "
                     "Uno | COM0 | ",
                     "/dev/ttyUSB1 /dev/ttyUSB1 |  | COM0 | ",
                     "/dev/ttyACM0 /dev/ttyACM0 | Arduino (www.arduino.cc) Uno | COM0 | ",
                     "/dev/ttyS0 /dev/ttyS0 |  | COM1 | ", "/dev/ttyS2 /dev/ttyS2 |  | COM3 | "}));
    // With no dev folder at all nothing is listed, and every port is free.
    EXPECT_TRUE(CDeviceScanner(tree.Local("nowhere"), root).Scan(profile).empty());
    EXPECT_EQ(CDeviceScanner(tree.Local("nowhere"), root).LowestFreePort(profile), 1);
}

// A device typed by its path opens through the port mapped to it by name, or to its node through
// a link either way, or by the default ttyS mapping; else through the lowest free port, which it
// is then to be mapped to; and through none when every number is taken.
TEST(DeviceScan, ATypedDevicePathTakesItsMappedPortOrTheLowestFreeOne) {
    CFakeDeviceTree tree;
    CProfile profile(tree.m_dir.filePath(QStringLiteral("zef.ini")));
    tree.WriteFile("zef.ini",
                   "[Ports]\nCOM5=/dev/ttyUSB0\nCOM7=/dev/serial/by-id/usb-Zx_Probe-if00\n");
    const CDeviceScanner scanner(tree.Root(), tree.User());
    const std::pair<const char*, std::pair<int, const char*>> cases[] = {
        {"/dev/ttyUSB0", {5, ""}},
        {"/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1-if00-port0", {5, ""}},
        {"/dev/serial/by-id/usb-Zx_Probe-if00", {7, ""}},
        {"/dev/ttyACM0", {7, ""}},
        {"/dev/ttyS2", {3, ""}},
        {"/dev/ttyUSB1", {2, "/dev/ttyUSB1"}},
        {"/tmp/zefron", {2, "/tmp/zefron"}}};
    for (const auto& [pszPath, expected] : cases) {
        const CDevicePort port = PortForDevice(profile, scanner, QString::fromLatin1(pszPath));
        EXPECT_EQ(port.m_nPort, expected.first) << pszPath;
        EXPECT_EQ(port.m_strNewDevice.toStdString(), expected.second) << pszPath;
    }
    std::string strAll = "[Ports]\n";
    for (int n = 1; n <= 255; ++n)
        strAll += "COM" + std::to_string(n) + "=/dev/null\n";
    tree.WriteFile("zef.ini", strAll);
    const CDevicePort none = PortForDevice(profile, scanner, QStringLiteral("/tmp/zefron"));
    EXPECT_EQ(none.m_nPort, 0);
    EXPECT_TRUE(none.m_strNewDevice.isEmpty());
    EXPECT_TRUE(IsDevicePath(QStringLiteral("/dev/pts/3")));
    EXPECT_FALSE(IsDevicePath(QStringLiteral("COM3")));
}

}  // namespace

// The COM Port dialog's list of the machine's serial devices, on a tree of fake devices.

#include "ConsoleHarness.h"
#include "DeviceTree.h"

namespace {

class ComPortDialog : public CConsoleTest {
protected:
    void SetUp() override {
        CConsoleTest::SetUp();
        m_devices = CDeviceScanner(m_tree.Root(), CFakeDeviceTree::User());
        Start("[System]\r\nCOM Port=1\r\n[Ports]\r\nCOM5=/dev/ttyUSB0\r\n");
    }
    // The list as shown, a row a line.
    static QStringList Rows(CComPortDlg& dlg) {
        QStringList rows;
        for (int i = 0; i < dlg.m_pDevices->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* pItem = dlg.m_pDevices->topLevelItem(i);
            QStringList columns;
            for (int nColumn = 0; nColumn < dlg.m_pDevices->columnCount(); ++nColumn)
                columns << pItem->text(nColumn);
            rows << columns.join(QStringLiteral(" | "));
        }
        return rows;
    }
    // A click on the row of the device.
    static void Choose(CComPortDlg& dlg, const QString& strPath) {
        const auto items = dlg.m_pDevices->findItems(strPath, Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1);
        const QRect rc = dlg.m_pDevices->visualItemRect(items.front());
        QTest::mouseClick(dlg.m_pDevices->viewport(), Qt::LeftButton, {}, rc.center());
    }
    CFakeDeviceTree m_tree;
    const QString ZX = QStringLiteral("/dev/serial/by-id/usb-Zx_Probe-if00");
};

// A mapped device selects its port; one not mapped takes the lowest free port, stored under
// [Ports] only once that port has opened.
TEST_F(ComPortDialog, ChoosingADeviceSelectsItsPortOrMapsTheLowestFreeOneOnceItOpens) {
    m_line.m_missing = {ZX.toStdString()};
    Answer<CComPortDlg>([this](CComPortDlg& dlg) {
        const QString strGroup = QString::fromStdString(m_tree.NodeGroupName());
        EXPECT_EQ(Rows(dlg),
                  QStringList({"/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1-if00-port0 | Future "
                               "Tech FT232R USB UART | COM5 | ready",
                               ZX + " | Arduino (www.arduino.cc) Uno |  | in use by process 4242",
                               "/dev/ttyUSB0 | Future Tech FT232R USB UART | COM5 | ready",
                               "/dev/ttyUSB1 |  |  | no permission: join group " + strGroup,
                               "/dev/ttyACM0 | Arduino (www.arduino.cc) Uno |  | in use by "
                               "process 4242",
                               "/dev/ttyS0 |  | COM1 | in use by process 4343",
                               "/dev/ttyS2 |  | COM3 | no permission"}));
        dlg.m_pDevices->setFocus(Qt::TabFocusReason);
        EXPECT_EQ(dlg.m_pPort->currentText(), "COM1");  // the focus arriving does not choose
        Choose(dlg, QStringLiteral("/dev/ttyUSB0"));
        EXPECT_EQ(dlg.m_pPort->currentText(), "COM5");
        EXPECT_EQ(dlg.m_pDevice->text(), "/dev/ttyUSB0");
        Choose(dlg, ZX);
        EXPECT_EQ(dlg.m_pPort->currentText(), "COM2");
        EXPECT_EQ(dlg.m_pDevice->text(), ZX + " (mapped to COM2 once it opens)");
        OK(dlg);
    });
    // The device failed: it is still the one chosen when the dialog comes back.
    Answer<CComPortDlg>([this](CComPortDlg& dlg) {
        EXPECT_EQ(dlg.m_pPort->currentText(), "COM2");
        EXPECT_EQ(dlg.m_pDevice->text(), ZX + " (mapped to COM2 once it opens)");
        m_line.m_missing.clear();
        OK(dlg);
    });
    m_boxes.m_answers = {IDOK};
    m_boxes.m_fnWhileShown = [this](const std::string&) {
        EXPECT_EQ(ReadProfile(), "[System]\r\nCOM Port=1\r\n[Ports]\r\nCOM5=/dev/ttyUSB0\r\n");
    };
    Frame().OnCommand(ID_COM_PORT);
    EXPECT_EQ(m_boxes.TakeTexts(),
              Strings{"Serial Port not detected!\rCOM2: " + ZX.toStdString() + ", no such device"});
    EXPECT_EQ(m_port.m_bOnline, 1);
    EXPECT_EQ(m_line.m_opened.back(), ZX.toStdString());
    EXPECT_EQ(ReadProfile(), "[System]\r\nCOM Port=2\r\n[Ports]\r\nCOM5=/dev/ttyUSB0\r\nCOM2=" +
                                 ZX.toStdString() + "\r\n");
}

// Devices plugged in and out while the dialog is up; a device chosen that goes is not mapped.
TEST_F(ComPortDialog, TheListFollowsDevicesPluggedInAndOut) {
    Answer<CComPortDlg>([this](CComPortDlg& dlg) {
        Choose(dlg, QStringLiteral("/dev/ttyUSB1"));
        EXPECT_EQ(dlg.m_pDevice->text(), "/dev/ttyUSB1 (mapped to COM2 once it opens)");
        QFile::remove(m_tree.Local("dev/ttyUSB1"));
        m_tree.WriteFile("dev/ttyACM1", "", 0666);
        QTRY_COMPARE_WITH_TIMEOUT(
            dlg.m_pDevices->findItems("/dev/ttyACM1", Qt::MatchExactly).size(), qsizetype(1), 3000);
        EXPECT_TRUE(dlg.m_pDevices->findItems("/dev/ttyUSB1", Qt::MatchExactly).isEmpty());
        EXPECT_EQ(dlg.m_pPort->currentText(), "COM2");
        EXPECT_EQ(dlg.m_pDevice->text(), "/dev/ttyS1");
        // A number outside 1 to 255 is no port.
        dlg.m_pPort->setEditText(QStringLiteral("COM-2147483648"));
        EXPECT_EQ(dlg.m_pDevice->text(), "(no such port)");
        dlg.reject();
    });
    Frame().OnCommand(ID_COM_PORT);
    EXPECT_EQ(ReadProfile(), "[System]\r\nCOM Port=1\r\n[Ports]\r\nCOM5=/dev/ttyUSB0\r\n");
}

// A device typed by its path is taken as one chosen from the list: a device mapped already opens
// through its port, one not mapped through the lowest free port, mapped to it under [Ports] once
// it opens (a path that fails is not mapped). With every number taken, OK says so and the dialog
// stays. The dialog says what it asks for.
TEST_F(ComPortDialog, ADeviceTypedByItsPathOpensThroughItsPortOrTheLowestFreeOne) {
    const QString strNew = QStringLiteral("/tmp/zefron");
    const auto Type = [](CComPortDlg& dlg, const QString& strText) {
        dlg.m_pPort->setEditText(strText);
    };
    Answer<CComPortDlg>([&](CComPortDlg& dlg) {
        EXPECT_TRUE(dlg.m_pPrompt->text().contains("the port of the tunnel's controller"));
        Type(dlg, "  /dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1-if00-port0");
        EXPECT_EQ(dlg.m_pDevice->text(),
                  "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1-if00-port0 (COM5)");
        OK(dlg);
    });
    Frame().OnCommand(ID_COM_PORT);
    EXPECT_EQ(m_line.m_opened.back(), "/dev/ttyUSB0");
    EXPECT_EQ(ReadProfile(), "[System]\r\nCOM Port=5\r\n[Ports]\r\nCOM5=/dev/ttyUSB0\r\n");

    m_line.m_missing = {strNew.toStdString()};
    Answer<CComPortDlg>([&](CComPortDlg& dlg) {
        Type(dlg, strNew);
        EXPECT_EQ(dlg.m_pDevice->text(), strNew + " (mapped to COM2 once it opens)");
        OK(dlg);
    });
    // Back after the failure, the device typed is still the one chosen.
    Answer<CComPortDlg>([&](CComPortDlg& dlg) {
        EXPECT_EQ(dlg.m_pPort->currentText(), "COM2");
        dlg.Rescan();
        EXPECT_EQ(dlg.m_pDevice->text(), strNew + " (mapped to COM2 once it opens)");
        EXPECT_EQ(ReadProfile(), "[System]\r\nCOM Port=5\r\n[Ports]\r\nCOM5=/dev/ttyUSB0\r\n");
        m_line.m_missing.clear();
        OK(dlg);
    });
    m_boxes.m_answers = {IDOK};
    Frame().OnCommand(ID_COM_PORT);
    EXPECT_EQ(m_boxes.TakeTexts(),
              Strings{"Serial Port not detected!\rCOM2: /tmp/zefron, no such device"});
    EXPECT_EQ(m_port.m_bOnline, 1);
    EXPECT_EQ(m_line.m_opened.back(), "/tmp/zefron");
    EXPECT_EQ(ReadProfile(),
              "[System]\r\nCOM Port=2\r\n[Ports]\r\nCOM5=/dev/ttyUSB0\r\n"
              "COM2=/tmp/zefron\r\n");

    std::string strAll = "[System]\r\nCOM Port=2\r\n[Ports]\r\n";
    for (int n = 1; n <= 255; ++n)
        strAll += "COM" + std::to_string(n) + "=/dev/null\r\n";
    ASSERT_TRUE(WriteBytes(m_profile.Path(), strAll));
    Answer<CComPortDlg>([&](CComPortDlg& dlg) {
        Type(dlg, QStringLiteral("/dev/ttyUSB1"));
        EXPECT_EQ(dlg.m_pDevice->text(), "No port number is free for /dev/ttyUSB1");
        m_boxes.m_answers = {IDOK};
        OK(dlg);
        EXPECT_TRUE(dlg.isVisible());
        EXPECT_EQ(m_boxes.TakeTexts(), Strings{"No port number is free for /dev/ttyUSB1"});
        dlg.reject();
    });
    Frame().OnCommand(ID_COM_PORT);
    EXPECT_EQ(ReadProfile(), strAll);
}

}  // namespace

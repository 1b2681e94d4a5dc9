// The COM Port dialog, and the System menu's COM Port command around it: the loop until a port
// opens or the operator cancels, and what reaches the profile when.

#include <QAbstractItemView>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "ShellHarness.h"
#include "app/Commands.h"
#include "dialogs/Dialogs.h"

namespace {

using Texts = std::vector<std::string>;

class ComPortDlgTest : public CShellTest {
protected:
    void SetUp() override {
        CShellTest::SetUp();
        m_strAdaptor = m_dir.filePath(QStringLiteral("ttyUSB0"));
        QFile(m_strAdaptor).open(QIODevice::WriteOnly);
        m_strGone = m_dir.filePath(QStringLiteral("ttyUSB9"));
        WriteProfile(QStringLiteral("[Ports]\r\nCOM3=%1\r\nCOM4=%2\r\n")
                         .arg(m_strAdaptor, m_strGone)
                         .toLocal8Bit()
                         .constData());
    }
    QString m_strAdaptor;
    QString m_strGone;
};

}  // namespace

TEST_F(ComPortDlgTest, ProposesThePortWithOKFocusedAndShowsItsDevice) {
    CComPortDlg dlg;
    dlg.m_strPort = QStringLiteral("COM3");
    Modal().Then([this](QWidget* pModal) {
        CComPortDlg* pDlg = PortDialog(pModal);
        ASSERT_NE(pDlg, nullptr);
        EXPECT_EQ(pDlg->windowTitle(), "COM Port");
        QLabel* pLabel = nullptr;
        for (QLabel* p : pDlg->findChildren<QLabel*>()) {
            if (p->text() == QLatin1String("Port")) {
                pLabel = p;
            }
        }
        ASSERT_NE(pLabel, nullptr);
        EXPECT_TRUE(pLabel->alignment() & Qt::AlignRight);
        QComboBox* pBox = pDlg->m_pPort;
        EXPECT_TRUE(pBox->isEditable());
        QStringList items;
        for (int i = 0; i < pBox->count(); ++i) {
            items << pBox->itemText(i);
        }
        EXPECT_EQ(items, (QStringList{"COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7",
                                      "COM8", "COM9"}));
        EXPECT_EQ(pBox->currentIndex(), 2);
        EXPECT_EQ(pDlg->m_pDevice->text(), m_strAdaptor);
        pBox->setCurrentIndex(3);
        EXPECT_EQ(pDlg->m_pDevice->text(), m_strGone + QStringLiteral(" (not present)"));
        // The list shows each port with its device, whole.
        pBox->showPopup();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(pBox->view()->window()));
        const QString strLongest =
            QStringLiteral("COM4    ") + m_strGone + QStringLiteral(" (not present)");
        EXPECT_GT(pBox->view()->viewport()->width(),
                  pBox->view()->fontMetrics().horizontalAdvance(strLongest));
        pBox->hidePopup();

        // OK is the default and has the focus, so Enter takes the proposed port; Tab goes on to
        // Cancel, then to the box.
        ASSERT_TRUE(QTest::qWaitForWindowActive(pDlg));
        EXPECT_TRUE(pDlg->m_btnOK->isDefault());
        EXPECT_EQ(QApplication::focusWidget(), pDlg->m_btnOK);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        auto* pCancel = qobject_cast<QPushButton*>(QApplication::focusWidget());
        ASSERT_NE(pCancel, nullptr);
        EXPECT_EQ(pCancel->text().remove(QLatin1Char('&')), "Cancel");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_TRUE(pBox->isAncestorOf(QApplication::focusWidget()) ||
                    QApplication::focusWidget() == pBox);
        pCancel->click();
    });
    EXPECT_EQ(dlg.DoModal(), QDialog::Rejected);
    EXPECT_TRUE(Modal().Done());
}

TEST_F(ComPortDlgTest, APortOffTheListStandsInTheBoxAndATypedOneIsTaken) {
    CComPortDlg dlg;
    dlg.m_strPort = QStringLiteral("COM12");
    Modal().Then([](QWidget* pModal) {
        CComPortDlg* pDlg = PortDialog(pModal);
        ASSERT_NE(pDlg, nullptr);
        EXPECT_EQ(pDlg->m_pPort->currentIndex(), -1);
        EXPECT_EQ(pDlg->m_pPort->currentText(), "COM12");
        // The operator types another port and presses Enter.
        ASSERT_TRUE(QTest::qWaitForWindowActive(pDlg));
        QLineEdit* pEdit = pDlg->m_pPort->lineEdit();
        pEdit->setFocus();
        pEdit->selectAll();
        QTest::keyClicks(pEdit, QStringLiteral("COM17"));
        QTest::keyClick(pEdit, Qt::Key_Return);
    });
    EXPECT_EQ(dlg.DoModal(), QDialog::Accepted);
    EXPECT_EQ(dlg.m_strPort, "COM17");
}

TEST_F(ComPortDlgTest, DescribesThePortTheLinkWouldOpen) {
    // Whatever the link reads as port 3 is described as port 3.
    for (const char* pszText : {"COM3", "COM 3", "COM+3", "COM3 (USB)"}) {
        EXPECT_EQ(DescribePort(QLatin1String(pszText)), m_strAdaptor) << pszText;
    }
    EXPECT_EQ(DescribePort(QStringLiteral("COM4")), m_strGone + QStringLiteral(" (not present)"));
    for (const char* pszText : {"COM", "COMX", "com3", "", "COM99999999999"}) {
        EXPECT_EQ(DescribePort(QLatin1String(pszText)), "(not a port)") << pszText;
    }
}

namespace {

class ComPortCommandTest : public CShellTest {
protected:
    void SetUp() override {
        CShellTest::SetUp();
        StartOnline();
        LetSplashGo();
        m_strProfile = ReadProfile();
    }

    // The dialog's next showing: what it proposed and whether the link was down meanwhile;
    // then the text chosen (Cancel when empty).
    void Choose(QString& strProposed, const QString& strPort) {
        Modal().Then([&strProposed, strPort](QWidget* pModal) {
            CComPortDlg* pDlg = PortDialog(pModal);
            ASSERT_NE(pDlg, nullptr);
            strProposed = pDlg->m_pPort->currentText();
            EXPECT_EQ(thePort.m_bOnline, 0);
            if (strPort.isEmpty()) {
                pDlg->reject();
                return;
            }
            pDlg->m_pPort->setEditText(strPort);
            pDlg->m_btnOK->click();
        });
    }

    std::string m_strProfile;
};

}  // namespace

TEST_F(ComPortCommandTest, APortThatFailsThenOneThatOpensIsStoredOnlyOnceOpen) {
    m_line.m_missing.insert("/dev/ttyS1");
    QString strFirst, strSecond;
    Choose(strFirst, QStringLiteral("COM2"));
    Choose(strSecond, QStringLiteral("COM12"));
    std::string strProfileWhenRefused;
    m_boxes.m_answers = {IDOK};
    m_boxes.m_fnWhileShown = [&](const std::string&) { strProfileWhenRefused = ReadProfile(); };

    Frame().Action(ID_COM_PORT)->trigger();

    ASSERT_TRUE(Modal().Done());
    EXPECT_EQ(strFirst, "COM1");
    EXPECT_EQ(m_boxes.TakeTexts(), Texts{"Serial Port not detected!"});
    EXPECT_EQ(strProfileWhenRefused, m_strProfile);
    EXPECT_EQ(strSecond, "COM2");  // the text last chosen
    EXPECT_EQ(thePort.m_bOnline, 1);
    EXPECT_EQ(thePort.m_nPort, 12);
    EXPECT_EQ(m_line.m_opened.back(), "/dev/ttyS11");
    EXPECT_EQ(StoredPort(), 12);
}

TEST_F(ComPortCommandTest, CancelLeavesTheLinkDownAndEverythingElseAsItWas) {
    QString strProposed;
    Choose(strProposed, QString());

    Frame().Action(ID_COM_PORT)->trigger();

    EXPECT_EQ(strProposed, "COM1");
    EXPECT_EQ(thePort.m_bOnline, 0);
    EXPECT_EQ(m_line.m_nOpenDevices, 1);  // the port is neither closed nor opened again
    EXPECT_EQ(ReadProfile(), m_strProfile);
    EXPECT_TRUE(m_boxes.m_shown.empty());
    EXPECT_TRUE(m_line.m_writes.empty());
    // Commands that need the link now say so.
    m_boxes.m_answers = {IDOK};
    ActivateFrame();
    QTest::keyClick(&View(), Qt::Key_S);
    EXPECT_EQ(m_boxes.TakeTexts(), Texts{"Command disabled!"});
    EXPECT_TRUE(m_line.m_writes.empty());
}

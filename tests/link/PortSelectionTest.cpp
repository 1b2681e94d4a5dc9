// Choosing the port at start-up and with the COM Port command, against a scripted line and
// operator and a profile file of the test's own.

#include <QFile>
#include <QTemporaryDir>

#include "LinkDoubles.h"
#include "app/Profile.h"
#include "link/PortSelection.h"

namespace {

// The dialog: answers from a script ("" for Cancel, else OK with that text) and writes down what
// it proposed each time. The link must be down while it is up.
class CScriptedPortDialog : public CPortDialog {
public:
    std::deque<std::optional<QString>> m_answers;
    std::vector<std::string> m_proposed;
    const CSerialPort* m_pPort = nullptr;

    bool Ask(QString& strPort) override {
        m_proposed.push_back(strPort.toStdString());
        if (m_pPort) {
            EXPECT_EQ(m_pPort->m_bOnline, 0);
        }
        if (m_answers.empty()) {
            ADD_FAILURE() << "unexpected dialog proposing " << strPort.toStdString();
            return false;
        }
        const std::optional<QString> answer = m_answers.front();
        m_answers.pop_front();
        if (!answer) {
            return false;
        }
        strPort = *answer;
        return true;
    }
};

const std::string NOT_DETECTED = "Serial Port not detected!";
constexpr unsigned OK_BOX = MB_OK | MB_ICONEXCLAMATION;

class PortSelectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_strProfile = m_dir.filePath(QStringLiteral("zef.ini"));
        m_port.SetDeviceFactory(m_line.Factory());
        m_port.SetMessageBoxes(&m_boxes);
        m_port.SetProfilePath(m_strProfile);
        m_boxes.m_pPort = &m_port;
        m_dlg.m_pPort = &m_port;
        // Ports 1 to 3 exist; any other is missing.
        for (int n = 4; n <= 20; ++n) {
            m_line.m_missing.insert("/dev/ttyS" + std::to_string(n - 1));
        }
        m_line.m_missing.insert("/dev/ttyS-1");
        m_line.m_missing.insert("/dev/ttyS-2");
    }

    void WriteProfile(const char* pszText) {
        QFile file(m_strProfile);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(pszText);
    }

    int StoredPort() const {
        return static_cast<int>(m_profile.GetProfileInt(PROFILE_SYSTEM, PROFILE_COM_PORT, 0));
    }
    bool Stored() const { return QFile::exists(m_strProfile); }

    QTemporaryDir m_dir;
    QString m_strProfile;
    CProfile m_profile{m_dir.filePath(QStringLiteral("zef.ini"))};
    CFakeLine m_line;
    CScriptedBoxes m_boxes;
    CScriptedPortDialog m_dlg;
    CSerialPort m_port;
};

TEST(PortText, ReadsAndWritesComN) {
    EXPECT_EQ(PortText(3).toStdString(), "COM3");
    EXPECT_EQ(PortText(12).toStdString(), "COM12");
    EXPECT_EQ(PortFromText(QStringLiteral("COM3")), 3);
    EXPECT_EQ(PortFromText(QStringLiteral("COM12")), 12);
    EXPECT_EQ(PortFromText(QStringLiteral("COM 4 (USB)")), 4);
    EXPECT_EQ(PortFromText(QStringLiteral("COM-2")), -2);
    EXPECT_EQ(PortFromText(QStringLiteral("COM0")), 0);
    for (const char* psz : {"", "COM", "com3", " COM3", "3", "COMx", "COM99999999999"}) {
        EXPECT_EQ(PortFromText(QString::fromLatin1(psz)), std::nullopt) << psz;
    }
}

TEST_F(PortSelectionTest, FirstStartProposesCom1AndStoresTheChoiceBeforeTryingIt) {
    m_dlg.m_answers = {QStringLiteral("COM2")};
    // The number is in the profile by the time the open is tried.
    std::vector<int> storedAtOpen;
    m_port.SetDeviceFactory([this, &storedAtOpen] {
        storedAtOpen.push_back(StoredPort());
        return std::make_unique<CFakeDevice>(m_line);
    });
    EXPECT_TRUE(SelectPortAtStartup(m_dlg, m_profile, m_boxes, m_port));
    EXPECT_EQ(storedAtOpen, std::vector<int>{2});
    EXPECT_EQ(m_dlg.m_proposed, std::vector<std::string>{"COM1"});
    EXPECT_EQ(m_port.m_bOnline, 1);
    EXPECT_EQ(m_port.m_nPort, 2);
    EXPECT_EQ(StoredPort(), 2);
    EXPECT_EQ(m_line.m_opened, std::vector<std::string>{"/dev/ttyS1"});
    EXPECT_TRUE(m_boxes.m_shown.empty());
}

TEST_F(PortSelectionTest, StoredPortThatOpensAsksNothing) {
    WriteProfile("[System]\r\nCOM Port=3\r\n");
    EXPECT_TRUE(SelectPortAtStartup(m_dlg, m_profile, m_boxes, m_port));
    EXPECT_TRUE(m_dlg.m_proposed.empty());
    EXPECT_TRUE(m_boxes.m_shown.empty());
    EXPECT_EQ(m_port.m_bOnline, 1);
    EXPECT_EQ(m_port.m_nPort, 3);
}

TEST_F(PortSelectionTest, StartupLoopsUntilAPortOpensStoringEachChoice) {
    WriteProfile("[System]\r\nCOM Port=5\r\n");
    // Stored 5 fails; the operator tries 7 (fails, but stored), then text without a number
    // (stored as 0, the dialog again at once), then 2.
    m_dlg.m_answers = {QStringLiteral("COM7"), QStringLiteral("serial"), QStringLiteral("COM2")};
    std::vector<int> storedWhenAsked;
    m_boxes.m_answers = {IDOK, IDOK};
    m_boxes.m_fnWhileShown = [&](const std::string&) { storedWhenAsked.push_back(StoredPort()); };
    EXPECT_TRUE(SelectPortAtStartup(m_dlg, m_profile, m_boxes, m_port));
    EXPECT_EQ(m_dlg.m_proposed, (std::vector<std::string>{"COM5", "COM7", "COM7"}));
    ASSERT_EQ(m_boxes.m_shown.size(), 2u);
    EXPECT_EQ(m_boxes.m_shown[0].strText, NOT_DETECTED);
    EXPECT_EQ(m_boxes.m_shown[0].nType, OK_BOX);
    EXPECT_EQ(storedWhenAsked, (std::vector<int>{5, 7}));
    EXPECT_EQ(StoredPort(), 2);
    EXPECT_EQ(m_port.m_bOnline, 1);
}

TEST_F(PortSelectionTest, CancelAtStartupRunsOffLineAndKeepsTheSetting) {
    WriteProfile("[System]\r\nCOM Port=9\r\n");
    m_boxes.m_answers = {IDOK};
    m_dlg.m_answers = {std::nullopt};
    EXPECT_FALSE(SelectPortAtStartup(m_dlg, m_profile, m_boxes, m_port));
    EXPECT_EQ(m_dlg.m_proposed, std::vector<std::string>{"COM9"});
    EXPECT_EQ(m_port.m_bOnline, 0);
    EXPECT_EQ(StoredPort(), 9);
}

TEST_F(PortSelectionTest, ComPortCommandStoresOnlyAPortThatOpened) {
    WriteProfile("[System]\r\nCOM Port=3\r\n");
    m_port.m_nPort = 3;
    m_port.m_bOnline = 1;
    // 12 fails (nothing stored, the dialog returns with that text), then 1 opens.
    m_dlg.m_answers = {QStringLiteral("COM12"), QStringLiteral("COM1")};
    m_boxes.m_answers = {IDOK};
    m_boxes.m_fnWhileShown = [&](const std::string&) { EXPECT_EQ(StoredPort(), 3); };
    EXPECT_TRUE(OnComPort(m_dlg, m_profile, m_boxes, m_port));
    EXPECT_EQ(m_dlg.m_proposed, (std::vector<std::string>{"COM3", "COM12"}));
    EXPECT_EQ(m_boxes.TakeTexts(), std::vector<std::string>{NOT_DETECTED});
    EXPECT_EQ(m_port.m_nPort, 1);
    EXPECT_EQ(m_port.m_bOnline, 1);
    EXPECT_EQ(StoredPort(), 1);
}

TEST_F(PortSelectionTest, ComPortCommandOpensAPortNamedInThePortsSection) {
    WriteProfile("[Ports]\r\nCOM12=/dev/ttyUSB0\r\n");
    m_dlg.m_answers = {QStringLiteral("COM12")};
    EXPECT_TRUE(OnComPort(m_dlg, m_profile, m_boxes, m_port));
    EXPECT_EQ(m_line.m_opened, std::vector<std::string>{"/dev/ttyUSB0"});
    EXPECT_EQ(StoredPort(), 12);
}

TEST_F(PortSelectionTest, CancellingTheComPortCommandLeavesTheLinkDown) {
    ASSERT_TRUE(m_port.Open());
    m_port.m_bOnline = 1;
    m_dlg.m_answers = {std::nullopt};
    EXPECT_FALSE(OnComPort(m_dlg, m_profile, m_boxes, m_port));
    EXPECT_EQ(m_port.m_bOnline, 0);
    // The port is neither closed nor opened again.
    EXPECT_EQ(m_line.m_nOpenDevices, 1);
    EXPECT_EQ(m_line.m_opened.size(), 1u);
    EXPECT_FALSE(Stored());
    // Polls send nothing now.
    TestRecord rec(1, 80);
    CPollHostDouble host;
    Poll(rec, host, m_port);
    EXPECT_TRUE(m_line.m_writes.empty());
}

TEST_F(PortSelectionTest, TextWithoutAPortNumberNamesNoPort) {
    m_port.m_nPort = 2;
    ASSERT_TRUE(m_port.Open());
    m_dlg.m_answers = {QStringLiteral("ttyUSB0"), QStringLiteral("COM2")};
    m_boxes.m_answers = {IDOK};
    // Nothing was tried, and the port held was left as it was.
    m_boxes.m_fnWhileShown = [&](const std::string&) {
        EXPECT_EQ(m_line.m_opened.size(), 1u);
        EXPECT_EQ(m_line.m_nOpenDevices, 1);
        EXPECT_EQ(m_port.m_nPort, 2);
    };
    EXPECT_TRUE(OnComPort(m_dlg, m_profile, m_boxes, m_port));
    EXPECT_EQ(m_dlg.m_proposed, (std::vector<std::string>{"COM2", "ttyUSB0"}));
    EXPECT_EQ(m_boxes.TakeTexts(), std::vector<std::string>{NOT_DETECTED});
    EXPECT_EQ(m_line.m_opened, (std::vector<std::string>{"/dev/ttyS1", "/dev/ttyS1"}));
    EXPECT_EQ(StoredPort(), 2);
}

// A device that is there but may not be used says why; one that is not there says no more.
TEST_F(PortSelectionTest, NotDetectedSaysWhyWhenTheDeviceIsThere) {
    m_dlg.m_answers = {QStringLiteral("COM2"), QStringLiteral("COM4"), std::nullopt};
    m_boxes.m_answers = {IDOK, IDOK};
    m_line.m_nOpenError = EACCES;
    m_boxes.m_fnWhileShown = [&](const std::string&) { m_line.m_nOpenError = 0; };
    EXPECT_FALSE(OnComPort(m_dlg, m_profile, m_boxes, m_port));
    const std::vector<std::string> texts = m_boxes.TakeTexts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0].rfind(NOT_DETECTED + "\r/dev/ttyS1: Permission denied", 0), 0u) << texts[0];
    EXPECT_EQ(texts[1], NOT_DETECTED);
    EXPECT_EQ(m_port.m_strOpenError.toStdString(), "/dev/ttyS3: No such file or directory");
}

TEST_F(PortSelectionTest, PortNumbersOfZeroOrBelowFailInOpen) {
    m_dlg.m_answers = {QStringLiteral("COM0"), QStringLiteral("COM-1"), std::nullopt};
    m_boxes.m_answers = {IDOK, IDOK};
    EXPECT_FALSE(OnComPort(m_dlg, m_profile, m_boxes, m_port));
    EXPECT_EQ(m_boxes.TakeTexts(), (std::vector<std::string>{NOT_DETECTED, NOT_DETECTED}));
    EXPECT_EQ(m_port.m_nPort, -1);
    EXPECT_TRUE(m_line.m_opened.empty());
    EXPECT_FALSE(Stored());
}

}  // namespace

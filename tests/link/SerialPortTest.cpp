// The link object against a scripted line: opening, the exchange, the operator's Retry and
// Cancel, the status query, and the link-up flag through all of them.

#include <QFile>
#include <QTemporaryDir>
#include <cstring>

#include "LinkDoubles.h"

namespace {

class SerialPortTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_port.SetDeviceFactory(m_line.Factory());
        m_port.SetMessageBoxes(&m_boxes);
        m_port.SetProfilePath(QStringLiteral("/nonexistent/zef-link-test.ini"));
        m_boxes.m_pPort = &m_port;
    }

    void GoOnline() {
        ASSERT_TRUE(m_port.Open());
        m_port.m_bOnline = 1;
    }

    CFakeLine m_line;
    CScriptedBoxes m_boxes;
    CSerialPort m_port;
};

TEST(SerialPortStart, FieldsStartAsTheConsoleExpects) {
    for (const CSerialPort* pPort : {static_cast<const CSerialPort*>(&thePort),
                                     static_cast<const CSerialPort*>(new CSerialPort)}) {
        EXPECT_EQ(pPort->m_nPort, 1);
        EXPECT_EQ(pPort->m_hComm, nullptr);
        EXPECT_EQ(pPort->m_bOnline, 0);
        EXPECT_EQ(pPort->m_nStatus, 0);
        EXPECT_EQ(pPort->m_bRunning, 0);
        EXPECT_EQ(pPort->m_nSpeedStep, 5);
        EXPECT_EQ(pPort->m_nPollTimer, 0u);
        EXPECT_EQ(pPort->m_bReturningToZero, 0);
        EXPECT_EQ(pPort->ByteTimeout(), 4000);
        if (pPort != &thePort) {
            delete pPort;
        }
    }
}

TEST_F(SerialPortTest, OpenUsesTheProfilesPortsSectionElseTtyS) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString strProfile = dir.filePath(QStringLiteral("zef.ini"));
    QFile file(strProfile);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[System]\r\nCOM Port=3\r\n[ports]\r\ncom3 = /dev/ttyUSB0\r\n");
    file.close();
    m_port.SetProfilePath(strProfile);

    m_port.m_nPort = 3;
    EXPECT_TRUE(m_port.Open());
    m_port.m_nPort = 12;
    EXPECT_TRUE(m_port.Open());
    EXPECT_EQ(m_line.m_opened, (std::vector<std::string>{"/dev/ttyUSB0", "/dev/ttyS11"}));
    // Each open released the port held before.
    EXPECT_EQ(m_line.m_nOpenDevices, 1);
    // Open leaves the link flag to its callers.
    EXPECT_EQ(m_port.m_bOnline, 0);
}

TEST_F(SerialPortTest, FailedOpenKeepsTheReasonAndTheNextOpenWorks) {
    m_line.m_missing.insert("/dev/ttyS98");
    m_port.m_nPort = 99;
    m_port.m_bOnline = 1;
    EXPECT_FALSE(m_port.Open());
    EXPECT_EQ(m_port.m_hComm, nullptr);
    EXPECT_EQ(m_port.m_bOnline, 1);
    EXPECT_EQ(m_port.m_nOpenError, ENOENT);
    EXPECT_EQ(m_port.m_strOpenError.toStdString(), "/dev/ttyS98: No such file or directory");

    m_port.m_nPort = 2;
    EXPECT_TRUE(m_port.Open());
    EXPECT_NE(m_port.m_hComm, nullptr);
    EXPECT_EQ(m_port.m_nOpenError, 0);
    EXPECT_TRUE(m_port.m_strOpenError.isEmpty());

    // A device that opens but refuses the line settings stays held until the next open.
    m_line.m_bRefuseSettings = true;
    EXPECT_FALSE(m_port.Open());
    ASSERT_NE(m_port.m_hComm, nullptr);
    EXPECT_TRUE(m_port.m_hComm->IsOpen());
    m_line.m_bRefuseSettings = false;
    EXPECT_TRUE(m_port.Open());
    EXPECT_EQ(m_line.m_nOpenDevices, 1);
}

TEST_F(SerialPortTest, ExchangeDiscardsStaleInputWritesTheBytesAndReadsOneLine) {
    GoOnline();
    m_line.m_nStatus = 12;
    m_line.m_strInput = "stale 99\r";
    char szReply[52];
    std::memset(szReply, 'X', sizeof szReply);
    EXPECT_TRUE(m_port.SendCommand("S", szReply, sizeof szReply, true));
    EXPECT_STREQ(szReply, "12\r");
    EXPECT_EQ(m_line.m_nDiscards, 1);
    EXPECT_EQ(m_line.TakeWrites(), std::vector<std::string>{"S"});
    // One read per byte, each allowed 4000 ms, and none after the CR.
    EXPECT_EQ(m_line.m_timeouts, (std::vector<int>{4000, 4000, 4000}));

    // Nothing is added to the command.
    EXPECT_TRUE(m_port.SendCommand("W65\r", szReply, sizeof szReply, true));
    EXPECT_EQ(m_line.TakeWrites(), std::vector<std::string>{"W65<CR>"});
    EXPECT_TRUE(m_boxes.m_shown.empty());
}

TEST_F(SerialPortTest, CommandWithoutReplySucceedsEvenWithNothingConnected) {
    GoOnline();
    m_line.m_fnAnswer = [](const std::string&) { return std::string(); };
    char szReply[52] = "untouched";
    EXPECT_TRUE(m_port.SendCommand("C", szReply, sizeof szReply, false));
    EXPECT_STREQ(szReply, "untouched");
    EXPECT_TRUE(m_line.m_timeouts.empty());
    EXPECT_EQ(m_port.m_bOnline, 1);
}

TEST_F(SerialPortTest, NothingIsSentWhileOffLine) {
    GoOnline();
    m_port.m_bOnline = 0;
    char szReply[52] = "untouched";
    EXPECT_FALSE(m_port.SendCommand("S", szReply, sizeof szReply, true));
    EXPECT_FALSE(m_port.SendCommand("C", szReply, sizeof szReply, false));
    EXPECT_EQ(m_port.Exchange("S", szReply, sizeof szReply, true), 0);
    EXPECT_TRUE(m_port.CheckStatus());
    EXPECT_STREQ(szReply, "untouched");
    EXPECT_TRUE(m_line.m_writes.empty());
    EXPECT_EQ(m_line.m_nDiscards, 0);
    EXPECT_TRUE(m_boxes.m_shown.empty());
    EXPECT_EQ(m_port.m_bOnline, 0);
}

TEST_F(SerialPortTest, SilentControllerAsksAndCancelTakesTheLinkDown) {
    GoOnline();
    // Part of a reply, then silence: the bytes so far stay in the buffer.
    m_line.m_fnAnswer = [](const std::string&) { return std::string("12"); };
    char szReply[52];
    EXPECT_EQ(m_port.Exchange("S", szReply, sizeof szReply, true), 0);
    EXPECT_STREQ(szReply, "12");
    EXPECT_EQ(m_port.m_bOnline, 0);

    m_port.m_bOnline = 1;
    m_boxes.m_answers = {IDCANCEL};
    EXPECT_FALSE(m_port.SendCommand("S", szReply, sizeof szReply, true));
    ASSERT_EQ(m_boxes.m_shown.size(), 1u);
    EXPECT_EQ(m_boxes.m_shown[0].strText, COMM_ERROR_COM1);
    EXPECT_EQ(m_boxes.m_shown[0].nType, RETRY_CANCEL_BOX);
    EXPECT_EQ(m_port.m_bOnline, 0);
    m_line.TakeWrites();

    // Down until a caller brings it back.
    EXPECT_FALSE(m_port.SendCommand("S", szReply, sizeof szReply, true));
    EXPECT_TRUE(m_line.m_writes.empty());
}

TEST_F(SerialPortTest, RetryRepeatsTheWholeExchangeAfterTheControllerComesBack) {
    GoOnline();
    m_port.m_nPort = 7;
    m_line.m_bFailReads = true;
    m_boxes.m_answers = {IDRETRY, IDRETRY};
    int nBoxes = 0;
    m_boxes.m_fnWhileShown = [&](const std::string&) {
        // The second time the box is up the cable is back, and noise arrives meanwhile.
        if (++nBoxes == 2) {
            m_line.m_bFailReads = false;
            m_line.m_strInput = "noise\rmore";
        }
    };
    m_line.m_nStatus = 4;
    char szReply[52];
    EXPECT_TRUE(m_port.SendCommand("S", szReply, sizeof szReply, true));
    EXPECT_STREQ(szReply, "4\r");
    EXPECT_EQ(m_port.m_bOnline, 1);
    EXPECT_EQ(m_line.TakeWrites(), (std::vector<std::string>{"S", "S", "S"}));
    EXPECT_EQ(m_line.m_nDiscards, 3);
    ASSERT_EQ(m_boxes.m_shown.size(), 2u);
    EXPECT_EQ(m_boxes.m_shown[1].strText,
              "Serial Communications Error!\rBe sure Zefron is properly\r"
              "connected to serial port COM7");
}

TEST_F(SerialPortTest, ReplyLongerThanTheBufferFailsWithoutWritingPastIt) {
    GoOnline();
    m_line.m_fnAnswer = [](const std::string&) { return std::string("123456789\r"); };
    char buf[16];
    std::memset(buf, 'X', sizeof buf);
    m_boxes.m_answers = {IDCANCEL};
    EXPECT_FALSE(m_port.SendCommand("R", buf, 8, true));
    EXPECT_EQ(std::string(buf, 8), std::string("1234567\0", 8));
    EXPECT_EQ(std::string(buf + 8, 8), std::string(8, 'X'));
    EXPECT_EQ(m_boxes.TakeTexts(), std::vector<std::string>{COMM_ERROR_COM1});
    // It gave up at the end of the buffer instead of waiting for more.
    EXPECT_EQ(m_line.m_timeouts.size(), 7u);

    // A reply that just fits, CR included, is fine.
    m_port.m_bOnline = 1;
    m_line.m_fnAnswer = [](const std::string&) { return std::string("123456\r"); };
    EXPECT_TRUE(m_port.SendCommand("R", buf, 8, true));
    EXPECT_STREQ(buf, "123456\r");

    // No room at all: nothing is read and nothing is stored.
    m_line.m_timeouts.clear();
    EXPECT_EQ(m_port.Exchange("R", buf, 1, true), 0);
    EXPECT_EQ(buf[0], '\0');
    m_port.m_bOnline = 1;
    EXPECT_EQ(m_port.Exchange("R", nullptr, 52, true), 0);
    EXPECT_TRUE(m_line.m_timeouts.empty());
}

// The status word and what it brings up.
struct StatusCase {
    int nStatus;
    std::vector<int> answers;
    bool bResult;
    int bOnline;
    int bRunning;
    std::vector<std::string> boxes;
    int nQueries;
};

class CheckStatusTest : public SerialPortTest, public ::testing::WithParamInterface<StatusCase> {};

TEST_P(CheckStatusTest, StatusWordBringsItsMessages) {
    const StatusCase& c = GetParam();
    GoOnline();
    m_line.m_nStatus = c.nStatus;
    m_boxes.m_answers.assign(c.answers.begin(), c.answers.end());
    // A lock that Retry found still set is released the next time it is asked about.
    m_boxes.m_fnWhileShown = [&](const std::string& text) {
        if (text == MSG_PANEL_LOCKED && m_boxes.m_shown.size() >= 2) {
            m_line.m_nStatus &= ~STATUS_LOCKED;
        }
    };
    EXPECT_EQ(m_port.CheckStatus(), c.bResult);
    EXPECT_EQ(m_port.m_bOnline, c.bOnline);
    EXPECT_EQ(m_port.m_bRunning, c.bRunning);
    EXPECT_EQ(m_boxes.TakeTexts(), c.boxes);
    EXPECT_EQ(m_line.TakeWrites(), std::vector<std::string>(c.nQueries, "S"));
    EXPECT_TRUE(m_boxes.m_answers.empty());
}

const std::string CABLE = MSG_CABLE_DISCONNECTED;
const std::string LOCKED = MSG_PANEL_LOCKED;

INSTANTIATE_TEST_SUITE_P(
    Words, CheckStatusTest,
    ::testing::Values(
        // Plugged and running, plugged and stopped.
        StatusCase{4, {}, true, 1, 1, {}, 1}, StatusCase{12, {}, true, 1, 0, {}, 1},
        // Cable: Retry brings the link back without asking again; Cancel leaves it down.
        StatusCase{0, {IDRETRY}, true, 1, 1, {CABLE}, 1},
        StatusCase{8, {IDCANCEL}, false, 0, 0, {CABLE}, 1},
        // Locked: Retry asks again (still locked once, then free); Cancel leaves it down.
        StatusCase{20, {IDRETRY, IDRETRY}, true, 1, 1, {LOCKED, LOCKED}, 3},
        StatusCase{28, {IDCANCEL}, false, 0, 0, {LOCKED}, 1},
        // Both: the cable first, then the lock.
        StatusCase{16, {IDRETRY, IDCANCEL}, false, 0, 1, {CABLE, LOCKED}, 1},
        // Other bits are ignored.
        StatusCase{4 | 0x01 | 0x20 | 0x100, {}, true, 1, 1, {}, 1}));

TEST_F(SerialPortTest, FailedStatusQueryUsesTheLastGoodWord) {
    GoOnline();
    // No good answer yet: the word is still 0, so the cable is reported, and its Retry brings
    // the link back even though the query itself was cancelled.
    m_line.m_fnAnswer = [](const std::string&) { return std::string(); };
    m_boxes.m_answers = {IDCANCEL, IDRETRY};
    EXPECT_TRUE(m_port.CheckStatus());
    EXPECT_EQ(m_boxes.TakeTexts(), (std::vector<std::string>{COMM_ERROR_COM1, CABLE}));
    EXPECT_EQ(m_port.m_nStatus, 0);
    EXPECT_EQ(m_port.m_bOnline, 1);

    // A good answer, then a failed query: the old word stands and no second message comes.
    m_line.m_fnAnswer = [this](const std::string& cmd) { return m_line.DefaultAnswer(cmd); };
    m_line.m_nStatus = 4;
    EXPECT_TRUE(m_port.CheckStatus());
    EXPECT_EQ(m_port.m_bRunning, 1);
    m_line.m_fnAnswer = [](const std::string&) { return std::string(); };
    m_boxes.m_answers = {IDCANCEL};
    EXPECT_TRUE(m_port.CheckStatus());
    EXPECT_EQ(m_boxes.TakeTexts(), std::vector<std::string>{COMM_ERROR_COM1});
    EXPECT_EQ(m_port.m_nStatus, 4);
    EXPECT_EQ(m_port.m_bRunning, 1);
    EXPECT_EQ(m_port.m_bOnline, 0);
}

TEST_F(SerialPortTest, StatusReplyThatIsNotANumberLeavesTheWord) {
    GoOnline();
    m_line.m_nStatus = 12;
    ASSERT_TRUE(m_port.CheckStatus());
    for (const char* pszReply : {"?\r", "\r", "99999999999\r", "x4\r"}) {
        m_line.m_fnAnswer = [pszReply](const std::string&) { return std::string(pszReply); };
        EXPECT_TRUE(m_port.CheckStatus()) << pszReply;
        EXPECT_EQ(m_port.m_nStatus, 12) << pszReply;
        EXPECT_EQ(m_port.m_bRunning, 0);
    }
    // A word read as "%d" reads it: blanks and a sign before, anything after.
    std::int32_t nStatus = 0;
    EXPECT_TRUE(ParseStatusWord(" 20 ok\r", nStatus));
    EXPECT_EQ(nStatus, 20);
    EXPECT_TRUE(ParseStatusWord("-4\r", nStatus));
    EXPECT_EQ(nStatus, -4);
}

}  // namespace

// The link object against a scripted controller and operator: the exchange, the status query,
// the boxes and the link-up flag, choosing the port, and the poll cycle.

#include <algorithm>
#include <cmath>
#include <cstring>

#include "LinkDoubles.h"
#include "run/Units.h"

namespace {

using SerialPortTest = CLinkTest;

TEST_F(SerialPortTest, ExchangeReadsOneLineWithinTheBufferAndNothingIsSentWhileOffLine) {
    GoOnline();
    m_line.m_nStatus = 12;
    m_line.m_strInput = "stale 99\r";
    char szReply[16];
    std::memset(szReply, 'X', sizeof szReply);
    EXPECT_TRUE(m_port.SendCommand("S", szReply, sizeof szReply, true));
    EXPECT_STREQ(szReply, "12\r");
    // One read per byte, each allowed 4000 ms, and none after the CR.
    EXPECT_EQ(m_line.m_timeouts, (std::vector<int>{4000, 4000, 4000}));
    EXPECT_TRUE(m_port.SendCommand("W65\r", szReply, sizeof szReply, true));
    m_line.m_fnAnswer = [](const std::string&) { return std::string(); };
    EXPECT_TRUE(m_port.SendCommand("C", szReply, sizeof szReply, false));
    EXPECT_EQ(m_line.m_timeouts.size(), 4u) << "a command without a reply reads nothing";
    EXPECT_EQ(m_line.TakeWrites(), (Texts{"S", "W65<CR>", "C"}));

    // A reply longer than the buffer fails the exchange, and nothing is written past the end;
    // one that just fits, CR included, is fine.
    std::string strLine = "123456789\r";
    m_line.m_fnAnswer = [&](const std::string&) { return strLine; };
    std::memset(szReply, 'X', sizeof szReply);
    m_boxes.m_answers = {IDCANCEL};
    EXPECT_FALSE(m_port.SendCommand("R", szReply, 8, true));
    EXPECT_EQ(std::string(szReply, sizeof szReply), std::string("1234567\0XXXXXXXX", 16));
    EXPECT_EQ(m_boxes.TakeTexts(), Texts{COMM_ERROR_COM1});
    m_port.m_bOnline = 1;
    strLine = "123456\r";
    EXPECT_TRUE(m_port.SendCommand("R", szReply, 8, true));
    EXPECT_EQ(std::string(szReply, sizeof szReply), std::string("123456\r\0XXXXXXXX", 16));

    m_line.TakeWrites();
    m_port.m_bOnline = 0;
    EXPECT_FALSE(m_port.SendCommand("S", szReply, sizeof szReply, true));
    EXPECT_FALSE(m_port.SendCommand("C", szReply, sizeof szReply, false));
    EXPECT_EQ(m_port.Exchange("S", szReply, sizeof szReply, true), 0);
    EXPECT_TRUE(m_port.CheckStatus());
    EXPECT_TRUE(m_line.m_writes.empty());
}

// The status word, its boxes and the operator's answers. The operator mends the fault while a
// box is up, so a Retry that asks again finds the controller plugged and free.
struct StatusCase {
    std::string strReply;  // the controller's answer to "S" ("" for silence)
    int nOldWord;
    std::vector<int> answers;
    bool bResult;
    int bOnline;
    int nWord;
    Texts boxes;
    int nQueries;
};

void PrintTo(const StatusCase& c, std::ostream* os) { *os << testing::PrintToString(c.strReply); }

class CheckStatusTest : public CLinkTest, public ::testing::WithParamInterface<StatusCase> {};

TEST_P(CheckStatusTest, WordBringsItsBoxesAndTheLinkFollowsTheAnswers) {
    const StatusCase& c = GetParam();
    GoOnline();
    m_port.m_nStatus = c.nOldWord;
    std::string strReply = c.strReply;
    m_line.m_fnAnswer = [&](const std::string&) { return strReply; };
    m_boxes.m_fnWhileShown = [&](const std::string&) { strReply = "4\r"; };
    m_boxes.m_answers.assign(c.answers.begin(), c.answers.end());
    EXPECT_EQ(m_port.CheckStatus(), c.bResult);
    EXPECT_EQ(m_port.m_bOnline, c.bOnline);
    EXPECT_EQ(m_port.m_nStatus, c.nWord);
    EXPECT_EQ(m_port.m_bRunning, (c.nWord & STATUS_STOPPED) ? 0 : 1);
    EXPECT_EQ(m_boxes.TakeTexts(), c.boxes);
    EXPECT_EQ(m_line.TakeWrites(), Texts(c.nQueries, "S"));
}

const std::string CABLE = MSG_CABLE_DISCONNECTED;
const std::string LOCKED = MSG_PANEL_LOCKED;

INSTANTIATE_TEST_SUITE_P(
    Words, CheckStatusTest,
    ::testing::Values(
        StatusCase{"4\r", 8, {}, true, 1, 4, {}, 1}, StatusCase{"12\r", 0, {}, true, 1, 12, {}, 1},
        // Retry on the cable box does not ask again; on the lock box it does.
        StatusCase{"0\r", 4, {IDRETRY}, true, 1, 0, {CABLE}, 1},
        StatusCase{"8\r", 4, {IDCANCEL}, false, 0, 8, {CABLE}, 1},
        StatusCase{"20\r", 4, {IDRETRY}, true, 1, 4, {LOCKED}, 2},
        StatusCase{"28\r", 4, {IDCANCEL}, false, 0, 28, {LOCKED}, 1},
        StatusCase{"16\r", 4, {IDRETRY, IDCANCEL}, false, 0, 16, {CABLE, LOCKED}, 1},
        // After a failed query or a reply that is not a number the old word stands; after
        // Cancel it alone decides on the cable box. Other bits are ignored.
        StatusCase{"", 12, {IDRETRY}, true, 1, 4, {COMM_ERROR_COM1}, 2},
        StatusCase{"", 12, {IDCANCEL}, true, 0, 12, {COMM_ERROR_COM1}, 1},
        StatusCase{"", 0, {IDCANCEL, IDRETRY}, true, 1, 0, {COMM_ERROR_COM1, CABLE}, 1},
        StatusCase{"?\r", 12, {}, true, 1, 12, {}, 1},
        StatusCase{"99999999999\r", 12, {}, true, 1, 12, {}, 1},
        StatusCase{"293\r", 0, {}, true, 1, 293, {}, 1}));

const std::string NOT_DETECTED = MSG_PORT_NOT_DETECTED;

class PortSelectionTest : public CLinkTest {
protected:
    PortSelectionTest() {
        // COM7, COM9 and COM12 are missing.
        m_line.m_missing = {"/dev/ttyS6", "/dev/ttyS8", "/dev/ttyS11"};
        m_port.SetDeviceFactory([this] {
            m_storedAtOpen.push_back(StoredPort());
            return std::make_unique<CFakeDevice>(m_line);
        });
    }
    int StoredPort() const {
        return static_cast<int>(m_profile.GetProfileInt(PROFILE_SYSTEM, PROFILE_COM_PORT, 0));
    }

    std::vector<int> m_storedAtOpen;
};

TEST(PortText, ReadsAndWritesComN) {
    const std::pair<const char*, int> cases[] = {{"COM12", 12}, {"COM 4 (USB)", 4}, {"COM-2", -2},
                                                 {"COM", 0}, {"com3", 0}, {" COM3", 0},
                                                 {"COM99999999999", 0}};
    for (const auto& [pszText, nPort] : cases) {
        EXPECT_EQ(PortFromText(QString::fromLatin1(pszText)).value_or(0), nPort) << pszText;
    }
}

TEST_F(PortSelectionTest, StartupAsksUntilAPortOpensStoringEachChoiceBeforeTryingIt) {
    // A fresh installation proposes COM1; the operator's 7 fails, a text without a number
    // names no port, 2 opens.
    m_dlg.m_answers = {QStringLiteral("COM7"), QStringLiteral("serial"), QStringLiteral("COM2")};
    m_boxes.m_answers = {IDOK};
    EXPECT_TRUE(SelectPortAtStartup(m_dlg, m_profile, m_boxes, m_port));
    EXPECT_EQ(m_dlg.m_proposed, (Texts{"COM1", "COM7", "COM7"}));
    EXPECT_EQ(m_boxes.m_shown.at(0).nType, unsigned{MB_OK | MB_ICONEXCLAMATION});
    EXPECT_EQ(m_storedAtOpen, (std::vector<int>{7, 2}));
    EXPECT_EQ(m_line.m_opened, Texts{"/dev/ttyS1"});
    EXPECT_EQ(m_port.m_bOnline, 1);

    // A stored port there but unusable is asked about, saying why, with the group that may use
    // it; a Cancel then runs off-line, the setting kept.
    m_dlg.m_proposed.clear();
    WriteProfile("[System]\r\nCOM Port=9\r\n[Ports]\r\nCOM9=/dev/null\r\n");
    m_line.m_nOpenError = EACCES;
    m_boxes.m_answers = {IDOK};
    EXPECT_FALSE(SelectPortAtStartup(m_dlg, m_profile, m_boxes, m_port));
    const std::string strWhy = "\r/dev/null: Permission denied (the device belongs to group root)";
    EXPECT_EQ(m_boxes.TakeTexts(), (Texts{NOT_DETECTED, NOT_DETECTED + strWhy}));
    EXPECT_EQ(m_dlg.m_proposed, Texts{"COM9"});
    EXPECT_EQ(m_port.m_bOnline, 0);
    EXPECT_EQ(StoredPort(), 9);
}

TEST_F(PortSelectionTest, ComPortCommandStoresOnlyAPortThatOpened) {
    WriteProfile("[System]\r\nCOM Port=3\r\n[Ports]\r\nCOM5=/dev/ttyUSB0\r\n");
    m_port.m_nPort = 3;
    GoOnline();
    // 12 fails, a text without a number is not tried, 5 opens its adaptor.
    m_dlg.m_answers = {QStringLiteral("COM12"), QStringLiteral("ttyUSB0"), QStringLiteral("COM5")};
    m_boxes.m_answers = {IDOK, IDOK};
    EXPECT_TRUE(OnComPort(m_dlg, m_profile, m_boxes, m_port));
    EXPECT_EQ(m_dlg.m_proposed, (Texts{"COM3", "COM12", "ttyUSB0"}));
    EXPECT_EQ(m_boxes.TakeTexts(), (Texts{NOT_DETECTED, NOT_DETECTED}));
    EXPECT_EQ(m_storedAtOpen, (std::vector<int>{3, 3, 3}));
    EXPECT_EQ(m_line.m_opened, (Texts{"/dev/ttyS2", "/dev/ttyUSB0"}));
    EXPECT_EQ(m_port.m_bOnline, 1);
    EXPECT_EQ(StoredPort(), 5);

    // Cancel leaves the link down, the port held as it was and the setting alone.
    EXPECT_FALSE(OnComPort(m_dlg, m_profile, m_boxes, m_port));
    EXPECT_EQ(m_port.m_bOnline, 0);
    EXPECT_EQ(m_line.m_opened.size(), 2u);
    EXPECT_EQ(m_line.m_nOpenDevices, 1);
    EXPECT_EQ(StoredPort(), 5);
}

class PollTest : public CLinkTest {
protected:
    void SetUp() override {
        GoOnline();
        m_line.m_nStatus = STATUS_PLUGGED;  // running
    }
    bool NothingRecorded() const {
        const SlotTable& lift = m_rec.m_lift.m_dValue;
        return std::all_of(lift.begin() + 1, lift.end(), [](double d) { return d == EMPTY_SLOT; });
    }
};

TEST_F(PollTest, TickCommandsReadsSmoothsAtAThirdAndRecordsConvertedIfMetric) {
    m_rec.m_dTargetSpeed = 10;
    m_rec.m_dFiltWind = 6.0;
    m_rec.m_dFiltLift = 0.03;
    m_rec.m_dFiltDrag = 0.01;
    m_line.m_strReading = "240,45,67\r";  // 24.0 mph, drag 0.045 lb, lift 0.067 lb
    Tick();
    EXPECT_EQ(m_line.TakeWrites(), (Texts{"S", "W5<CR>", "R"}));
    // Each moves a third of the way from its memory to the new sample.
    EXPECT_DOUBLE_EQ(m_rec.m_dFiltWind, 12.0);
    EXPECT_DOUBLE_EQ(m_rec.m_dFiltLift, 0.03 + (0.067 - 0.03) / 3);
    EXPECT_DOUBLE_EQ(m_rec.m_dFiltDrag, 0.01 + (0.045 - 0.01) / 3);
    EXPECT_EQ(m_rec.m_nLastSlot, 120);
    EXPECT_DOUBLE_EQ(m_rec.m_lift.m_dValue[120], m_rec.m_dFiltLift);
    EXPECT_DOUBLE_EQ(m_rec.m_drag.m_dValue[120], m_rec.m_dFiltDrag);

    // In Metric the memory still keeps mph and lb; 16.0 mph is recorded as 25.7 km/h, in kg.
    m_rec.m_bEnglish = 0;
    Tick();
    EXPECT_DOUBLE_EQ(m_rec.m_dFiltWind, 16.0);
    EXPECT_EQ(m_rec.m_nLastSlot, 257);
    EXPECT_DOUBLE_EQ(m_rec.m_lift.m_dValue[257], m_rec.m_dFiltLift * KG_PER_LB);
    EXPECT_DOUBLE_EQ(m_rec.m_drag.m_dValue[257], m_rec.m_dFiltDrag * KG_PER_LB);
}

// The commanded speed moves half a mph a tick toward the target and rests on the step at or
// below it, from either side; "W" carries it in tenths, truncated.
TEST_F(PollTest, SpeedRampsHalfAMphATickAndIsSentInTruncatedTenths) {
    const struct {
        double dFrom;
        double dTarget;
        Texts commands;
    } cases[] = {
        {5, 10 * MPH_PER_KMH, {"W55", "W60", "W60", "W60"}},
        {10, 8.5, {"W95", "W90", "W85", "W85"}},
        {8, 7.25, {"W75", "W70", "W70"}},
        {6.26, 10, {"W67", "W72"}},
        {-0.26, -1, {"W-7", "W-12", "W-12"}}};
    for (const auto& c : cases) {
        m_rec.m_dCommandSpeed = c.dFrom;
        m_rec.m_dTargetSpeed = c.dTarget;
        for (const std::string& strCommand : c.commands) {
            Tick();
            EXPECT_EQ(m_line.TakeWrites().at(1), strCommand + "<CR>") << c.dTarget;
        }
    }
}

// Ticks whose "R" was not exchanged or is not three finite numbers; the operator cancels.
struct NoReading {
    Texts wReplies;  // the replies to "W" in turn
    std::string strReading;
    Texts writes;
};

void PrintTo(const NoReading& c, std::ostream* os) { *os << testing::PrintToString(c.strReading); }

class PollNoReadingTest : public PollTest, public ::testing::WithParamInterface<NoReading> {};

TEST_P(PollNoReadingTest, RecordsNothing) {
    const NoReading& c = GetParam();
    std::size_t nW = 0;
    m_line.m_fnAnswer = [&](const std::string& cmd) {
        return cmd[0] == 'W' ? c.wReplies.at(nW++)
                             : cmd == "R" ? c.strReading : m_line.DefaultAnswer(cmd);
    };
    m_boxes.m_answers = {IDCANCEL};
    m_rec.m_dFiltWind = m_rec.m_dFiltLift = m_rec.m_dFiltDrag = 0.5;
    Tick();
    EXPECT_EQ(m_line.TakeWrites(), c.writes);
    EXPECT_TRUE(NothingRecorded());
    EXPECT_EQ(m_rec.m_dFiltWind + m_rec.m_dFiltLift + m_rec.m_dFiltDrag, 1.5);
    EXPECT_EQ(m_port.m_bOnline, m_boxes.m_answers.empty() ? 0 : 1);
}

const Texts SWR = {"S", "W0<CR>", "R"};

INSTANTIATE_TEST_SUITE_P(
    Replies, PollNoReadingTest,
    ::testing::Values(NoReading{{"\r"}, "\r", SWR}, NoReading{{"\r"}, "300,45\r", SWR},
                      NoReading{{"\r"}, "nan,1,2\r", SWR}, NoReading{{"\r"}, "300,1,-inf\r", SWR},
                      NoReading{{"\r"}, "1e999,0,0\r", SWR}, NoReading{{"\r"}, "", SWR},
                      NoReading{{"\r"}, std::string(60, '1') + "\r", SWR},
                      NoReading{{""}, "300,45,67\r", {"S", "W0<CR>"}},
                      NoReading{{"?\r", ""}, "300,45,67\r", {"S", "W0<CR>", "C", "W0<CR>"}}));

TEST_F(PollTest, ReadingOutsideTheTablesIsNotRecorded) {
    // The memory is set to the reading, so it is what the tick records: below 0, above
    // 140.0 mph, and 100 mph, which is 160.9 km/h; 86.9 mph is 139.9 km/h.
    const struct {
        int bEnglish;
        double dWind;
    } cases[] = {{1, -1.0}, {1, 141.0}, {0, 100.0}, {0, 86.9}};
    for (const auto& c : cases) {
        m_rec.m_bEnglish = c.bEnglish;
        m_rec.m_dFiltWind = c.dWind;
        m_line.m_strReading = std::to_string(std::lround(c.dWind * 10)) + ",10,10\r";
        Tick();
        EXPECT_EQ(NothingRecorded(), c.dWind != 86.9) << c.dWind;
    }
}

TEST_F(PollTest, ScalesWidenOneRangeATickOnWindAndLiftOnly) {
    m_rec.SetSpeedRange(4);
    m_rec.SetForceRange(4);
    m_rec.m_dFiltWind = 120.0;
    m_rec.m_dFiltLift = -9.0;
    m_line.m_strReading = "1200,0,-9000\r";
    for (int nRange = 3; nRange >= 1; --nRange) {
        Tick();
        EXPECT_EQ(m_rec.m_axisWind.m_nRange, nRange);
        EXPECT_EQ(m_rec.m_axisForce.m_nRange, nRange);
    }
    Tick();
    EXPECT_EQ(m_host.m_nRedraws, 6);

    // A reading just at the top widens; a large drag alone does not.
    m_rec.SetSpeedRange(2);
    m_rec.SetForceRange(3);
    m_rec.m_dFiltWind = m_rec.m_dFiltLift = 0;
    m_rec.m_dFiltDrag = 5.0;
    m_line.m_strReading = "1275,5000,0\r";  // a third of 127.5 mph: 42.5, the top of range 2
    Tick();
    EXPECT_EQ(m_rec.m_axisWind.m_nRange, 1);
    EXPECT_EQ(m_rec.m_axisForce.m_nRange, 3);
}

TEST_F(PollTest, StopAsksOnlyTheStatusUntilTheFanRestsOrTheLinkGoes) {
    m_port.m_bReturningToZero = 1;
    m_rec.m_dTargetSpeed = 10;
    Tick();
    EXPECT_EQ(m_line.TakeWrites(), Texts{"S"});
    EXPECT_EQ(m_host.m_status, Texts{MSG_RETURNING_TO_ZERO});
    EXPECT_TRUE(m_host.m_bTimerRunning);
    EXPECT_EQ(m_rec.m_dCommandSpeed, 0.0);
    for (const int nStatus : {STATUS_PLUGGED | STATUS_STOPPED, STATUS_PLUGGED | STATUS_LOCKED}) {
        m_port.m_bReturningToZero = 1;
        m_host.m_bTimerRunning = true;
        m_line.m_nStatus = nStatus;
        m_boxes.m_answers = {IDCANCEL};
        Tick();
        EXPECT_EQ(m_line.TakeWrites(), Texts{"S"});
        EXPECT_EQ(m_host.m_status.back(), MSG_WIND_IS_ZERO);
        EXPECT_FALSE(m_host.m_bTimerRunning);
        EXPECT_EQ(m_port.m_bReturningToZero, 0);
    }
}

}  // namespace

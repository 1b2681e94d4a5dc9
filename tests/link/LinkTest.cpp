// The link against a scripted controller and operator: the exchange, the status query, the boxes and the link-up flag, choosing the port, and the poll cycle.

#include <algorithm>
#include <cstring>
#include <tuple>

#include "LinkDoubles.h"
#include "core/record/Units.h"

namespace {

using SerialPortTest = CLinkTest;

// The box of a failed exchange on port 1, which opens /dev/ttyS0 when [Ports] does not map it.
const std::string COMM_ERROR_1 = COMM_ERROR + "1\rCOM1: /dev/ttyS0";

TEST_F(SerialPortTest, ExchangeReadsOneLineWithinTheBufferAndNothingIsSentWhileOffLine) {
    GoOnline();
    m_line.m_nStatus = 12;
    m_line.m_strInput = "stale 99\r";
    char szReply[16];
    EXPECT_TRUE(m_port.SendCommand("S", szReply, sizeof szReply, true));
    EXPECT_STREQ(szReply, "12\r");
    // One read per byte, each allowed 4000 ms, none after the CR nor for a command without reply.
    EXPECT_TRUE(m_port.SendCommand("C", szReply, sizeof szReply, false));
    EXPECT_EQ(m_line.m_timeouts, (std::vector<int>{4000, 4000, 4000}));
    EXPECT_EQ(m_line.TakeWrites(), (Texts{"S", "C"}));

    // A reply longer than the buffer fails the exchange, and nothing is written past the end; one
    // that just fits, CR included, is fine. A reply that only ends the exchange is read to its CR
    // whatever its length, keeping what fits; one that never ends fails after its limit.
    const std::tuple<std::string, ReplyUse, bool, std::string, std::size_t> cases[] = {
        {"123456789\r", ReplyUse::PARSED, false, std::string("1234567\0XXXXXXXX", 16), 3},
        {"123456\r", ReplyUse::PARSED, true, std::string("123456\r\0XXXXXXXX", 16), 0},
        {std::string(40, '7') + "\r", ReplyUse::UNEXAMINED, true,
         std::string("7777777\0XXXXXXXX", 16), 0},
        {std::string(MAX_UNEXAMINED_REPLY + 5, '7'), ReplyUse::UNEXAMINED, false, "", 5}};
    for (const auto& [strReply, use, bOk, strBuffer, nLeft] : cases) {
        m_line.m_strReading = strReply;
        std::memset(szReply, 'X', sizeof szReply);
        m_boxes.m_answers.assign(!bOk, IDCANCEL);
        m_port.m_bOnline = 1;
        EXPECT_EQ(m_port.SendCommand("R", szReply, 8, true, use), bOk) << strReply;
        if (!strBuffer.empty()) {
            EXPECT_EQ(std::string(szReply, sizeof szReply), strBuffer);
        }
        EXPECT_EQ(m_line.m_strInput.size(), nLeft);
        EXPECT_EQ(m_boxes.TakeTexts(), bOk ? Texts{} : Texts{COMM_ERROR_1});
    }

    m_line.TakeWrites();
    m_port.m_bOnline = 0;
    EXPECT_FALSE(m_port.SendCommand("S", szReply, sizeof szReply, true));
    EXPECT_FALSE(m_port.SendCommand("C", szReply, sizeof szReply, false));
    EXPECT_EQ(m_port.Exchange("S", szReply, sizeof szReply, true), 0);
    EXPECT_TRUE(m_commands.CheckStatus());
    EXPECT_TRUE(m_line.m_writes.empty());
}

// The status word, its boxes and the operator's answers, who mends the fault while a box is up,
// so that a Retry that asks again finds the controller plugged and free. Each case: the reply to
// "S" ("" for silence), the word before, the answers; then what CheckStatus returns, the link-up
// flag, the word, the boxes and the number of "S" sent.
TEST_F(SerialPortTest, StatusWordBringsItsBoxesAndTheLinkFollowsTheAnswers) {
    const std::tuple<std::string, int, std::deque<int>, bool, int, int, Texts, int> cases[] = {
        // Retry on the cable box does not ask again; on the lock box it does.
        {"0\r", 4, {IDRETRY}, true, 1, 0, {CABLE_BOX}, 1},
        {"8\r", 4, {IDCANCEL}, false, 0, 8, {CABLE_BOX}, 1},
        {"20\r", 4, {IDRETRY}, true, 1, 4, {LOCK_BOX}, 2},
        {"28\r", 4, {IDCANCEL}, false, 0, 28, {LOCK_BOX}, 1},
        {"16\r", 4, {IDRETRY, IDCANCEL}, false, 0, 16, {CABLE_BOX, LOCK_BOX}, 1},
        // After a failed query (silent, or cut off) or a reply that is not a number the old word
        // stands; after Cancel it alone decides on the cable box. Other bits are ignored.
        {"", 12, {IDRETRY}, true, 1, 4, {COMM_ERROR_1}, 2},
        {"0", 12, {IDCANCEL}, true, 0, 12, {COMM_ERROR_1}, 1},
        {"", 0, {IDCANCEL, IDRETRY}, true, 1, 0, {COMM_ERROR_1, CABLE_BOX}, 1},
        {"?\r", 12, {}, true, 1, 12, {}, 1},
        {"99999999999\r", 12, {}, true, 1, 12, {}, 1},
        {"293\r", 0, {}, true, 1, 293, {}, 1}};
    GoOnline();
    for (const auto& [strWord, nOld, answers, bResult, bOnline, nWord, boxes, nQueries] : cases) {
        SCOPED_TRACE(testing::PrintToString(strWord) + " after " + std::to_string(nOld));
        std::string strReply = strWord;
        m_line.m_fnAnswer = [&](const std::string&) { return strReply; };
        m_boxes.m_fnWhileShown = [&](const std::string&) { strReply = "4\r"; };
        m_boxes.m_answers = answers;
        m_port.m_bOnline = 1;
        m_port.m_nStatus = nOld;
        EXPECT_EQ(m_commands.CheckStatus(), bResult);
        EXPECT_EQ(m_port.m_bOnline, bOnline);
        EXPECT_EQ(m_port.m_nStatus, nWord);
        EXPECT_EQ(m_port.m_bRunning, (nWord & 8) ? 0 : 1);  // 8: the fan at rest
        EXPECT_EQ(m_boxes.TakeTexts(), boxes);
        EXPECT_EQ(m_line.TakeWrites(), Texts(nQueries, "S"));
    }
}

TEST(PortText, ReadsComN) {
    const std::pair<const char*, std::optional<int>> cases[] = {
        {"COM12", 12}, {"COM 4 (USB)", 4}, {"COM-2", -2},         {"COM", {}},
        {"com3", {}},  {" COM3", {}},      {"COM99999999999", {}}};
    for (const auto& [pszText, nPort] : cases)
        EXPECT_EQ(PortFromText(QString::fromLatin1(pszText)), nPort) << pszText;
}

// Start-up asks until a port opens, storing each choice before it is tried; the COM Port
// command stores only a port that opened. COM7, COM9 and COM12 are missing.
TEST_F(SerialPortTest, PortIsChosenUntilOneOpensOrTheOperatorCancels) {
    const auto StoredPort = [this] {
        return static_cast<int>(m_profile.GetProfileInt(PROFILE_SYSTEM, PROFILE_COM_PORT, 0));
    };
    std::vector<int> storedAtOpen;
    m_port.SetDeviceFactory([&, fnOpen = m_line.Factory()] {
        storedAtOpen.push_back(StoredPort());
        return fnOpen();
    });
    m_line.m_missing = {"/dev/ttyS6", "/dev/ttyS8", "/dev/ttyS11"};
    WriteProfile("[Ports]\r\nCOM5=/dev/ttyUSB0\r\n");
    const std::string NOT_DETECTED = "Serial Port not detected!";

    // A fresh installation proposes COM1; the operator's 7 fails, a text without a number
    // names no port, 2 opens.
    m_portAnswers = {"COM7", "serial", "COM2"};
    m_boxes.m_answers = {IDOK};
    EXPECT_TRUE(SelectPortAtStartup(*this, m_profile, m_boxes, m_port));
    EXPECT_EQ(m_port.m_bOnline, 1);
    // The command: 12 fails, a text without a number is not tried, 5 opens its adaptor.
    m_portAnswers = {"COM12", "ttyUSB0", "COM5"};
    m_boxes.m_answers = {IDOK, IDOK};
    EXPECT_TRUE(OnComPort(*this, m_profile, m_boxes, m_port));
    EXPECT_EQ(m_port.m_bOnline, 1);
    EXPECT_EQ(m_proposed, (Texts{"COM1", "COM7", "COM7", "COM2", "COM12", "ttyUSB0"}));
    EXPECT_EQ(m_boxes.m_types, std::vector<unsigned>(3, MB_OK | MB_ICONEXCLAMATION));
    EXPECT_EQ(m_boxes.TakeTexts(), (Texts{NOT_DETECTED + "\rCOM7: /dev/ttyS6, no such device",
                                          NOT_DETECTED + "\rCOM12: /dev/ttyS11, no such device",
                                          NOT_DETECTED + "\rttyUSB0: no such port"}));
    EXPECT_EQ(storedAtOpen, (std::vector<int>{7, 2, 2, 2}));
    EXPECT_EQ(m_line.m_opened, (Texts{"/dev/ttyS1", "/dev/ttyUSB0"}));
    EXPECT_EQ(StoredPort(), 5);
    // Cancel leaves the link up, the port held as it was and the setting alone.
    EXPECT_FALSE(OnComPort(*this, m_profile, m_boxes, m_port));
    EXPECT_EQ(m_port.m_bOnline, 1);
    EXPECT_EQ(m_line.m_opened.size(), 2u);
    EXPECT_EQ(m_line.m_nOpenDevices, 1);
    EXPECT_EQ(StoredPort(), 5);

    // A stored port there but unusable is asked about, saying why, with the group that may use
    // it; a Cancel then runs off-line, the setting kept.
    m_proposed.clear();
    WriteProfile("[System]\r\nCOM Port=9\r\n[Ports]\r\nCOM9=/dev/null\r\n");
    m_line.m_nOpenError = EACCES;
    m_boxes.m_answers = {IDOK};
    EXPECT_FALSE(SelectPortAtStartup(*this, m_profile, m_boxes, m_port));
    const std::string strWhy =
        "\rCOM9: /dev/null: Permission denied (the device belongs to group root)";
    EXPECT_EQ(m_boxes.TakeTexts(), Texts{NOT_DETECTED + strWhy});
    EXPECT_EQ(m_proposed, Texts{"COM9"});
    EXPECT_EQ(m_port.m_bOnline, 0);
    EXPECT_EQ(StoredPort(), 9);

    // Numbers outside 1 to 255, stored or typed, name no port and open nothing.
    m_line.m_nOpenError = 0;
    m_proposed.clear();
    WriteProfile("[System]\r\nCOM Port=2147483648\r\n");
    m_portAnswers = {"COM256", "COM-2147483648"};
    m_boxes.m_answers = {IDOK, IDOK, IDOK};
    EXPECT_FALSE(SelectPortAtStartup(*this, m_profile, m_boxes, m_port));
    m_portAnswers = {"COM0"};
    m_boxes.m_answers = {IDOK};
    EXPECT_FALSE(OnComPort(*this, m_profile, m_boxes, m_port));
    EXPECT_EQ(m_proposed,
              (Texts{"COM-2147483648", "COM256", "COM-2147483648", "COM-2147483648", "COM0"}));
    Texts noPort;
    for (const char* pszPort : {"COM-2147483648", "COM256", "COM-2147483648", "COM0"}) {
        noPort.push_back(NOT_DETECTED + "\r" + pszPort + ": no such port");
    }
    EXPECT_EQ(m_boxes.TakeTexts(), noPort);
    EXPECT_EQ(m_line.m_opened.size(), 2u);
}

// At start-up a device chosen for a port is tried on it, the number stored before, and mapped to
// it under [Ports] only once it opened. (The COM Port command: ComPortDialog's tests.)
TEST_F(SerialPortTest, ANewDeviceIsMappedToItsPortOnlyOnceItOpens) {
    const auto Mapped = [this] {
        return m_profile.GetProfileString(PROFILE_PORTS, "COM3").value_or("");
    };
    m_line.m_missing = {"/dev/ttyUSB4"};
    m_strNewDevice = "/dev/ttyUSB4";
    m_portAnswers = {"COM3", "COM3"};
    m_boxes.m_answers = {IDOK};
    m_boxes.m_fnWhileShown = [&](const std::string&) {
        EXPECT_EQ(Mapped(), "");
        EXPECT_EQ(m_profile.GetProfileInt(PROFILE_SYSTEM, PROFILE_COM_PORT, 0), 3u);
        m_line.m_missing.clear();
    };
    EXPECT_TRUE(SelectPortAtStartup(*this, m_profile, m_boxes, m_port));
    EXPECT_EQ(m_boxes.TakeTexts(),
              Texts{"Serial Port not detected!\rCOM3: /dev/ttyUSB4, no such device"});
    EXPECT_EQ(m_line.m_opened, Texts{"/dev/ttyUSB4"});
    EXPECT_EQ(Mapped(), "/dev/ttyUSB4");
    EXPECT_EQ(m_port.DevicePath().toStdString(), "/dev/ttyUSB4");
}

// A reply that dribbles never lets a byte's wait run out; the whole reply has a deadline all the
// same: the wait for one byte and twice the buffer's bytes at 2400 baud (25/3 ms a byte). The
// controller answers one byte every 500 ms of the link's clock. For "W" (51 bytes): 4000 + 425 ms,
// so each read is allowed what is left of it, and after nine bytes (at 4000 ms) no tenth is
// waited for.
TEST_F(SerialPortTest, AReplyThatNeverEndsFailsAtItsWholeDeadline) {
    GoOnline();
    m_line.m_fnAnswer = [](const std::string&) { return std::string(60, '1'); };
    // The clock moves half a second with each byte read.
    std::int64_t tNow = 0;
    std::size_t nReads = 0;
    m_port.SetClock([&] {
        if (m_line.m_timeouts.size() > nReads) {
            nReads = m_line.m_timeouts.size();
            tNow += 500;
        }
        return tNow;
    });
    m_boxes.m_answers = {IDCANCEL};
    EXPECT_EQ(m_commands.SetSpeed(10), SpeedAck::FAILED);
    EXPECT_EQ(m_line.m_timeouts,
              (std::vector<int>{4000, 3925, 3425, 2925, 2425, 1925, 1425, 925, 425}));
    EXPECT_EQ(m_boxes.TakeTexts(), Texts{COMM_ERROR + "1\rCOM1: /dev/ttyS0"});
    EXPECT_EQ(m_port.m_bOnline, 0);
}

// Cancel in COM Port puts the link back as the command found it, while the port it held is still
// held; a port tried meanwhile has given that one up. Each case: on-line before, the ports
// chosen before Cancel, the boxes; then on-line after, and the devices open.
TEST_F(SerialPortTest, CancelInComPortLeavesTheLinkAsItWasUnlessAPortWasTried) {
    const std::tuple<int, std::deque<std::string>, Texts, int, int> cases[] = {
        {1, {}, {}, 1, 1},
        {0, {}, {}, 0, 1},
        {1, {"COM7"}, {"Serial Port not detected!\rCOM7: /dev/ttyS6, no such device"}, 0, 0},
        {1, {"port"}, {"Serial Port not detected!\rport: no such port"}, 1, 1}};
    m_line.m_missing = {"/dev/ttyS6"};
    for (const auto& [bBefore, answers, boxes, bAfter, nOpen] : cases) {
        SCOPED_TRACE(testing::PrintToString(answers) + " from " + std::to_string(bBefore));
        m_port.m_nPort = 1;
        GoOnline();
        m_port.m_bOnline = bBefore;
        m_portAnswers = answers;
        m_boxes.m_answers.assign(boxes.size(), IDOK);
        EXPECT_FALSE(OnComPort(*this, m_profile, m_boxes, m_port));
        EXPECT_EQ(m_port.m_bOnline, bAfter);
        EXPECT_EQ(m_line.m_nOpenDevices, nOpen);
        EXPECT_EQ(m_boxes.TakeTexts(), boxes);
    }
    EXPECT_TRUE(m_line.m_writes.empty());
}

// The fan's state comes from the last status word read on the port open, and is unknown while
// the link is down or before the controller has been asked. Each case: the reply to "S", a stop
// in progress, the link left down afterwards; then the state.
TEST_F(SerialPortTest, TheFansStateIsTheLastStatusWordOnTheOpenPort) {
    GoOnline();
    EXPECT_EQ(FanStateOf(m_port), FanState::UNKNOWN);  // not asked yet
    const std::tuple<const char*, int, int, FanState> cases[] = {
        // clang-format off
        {"12\r", 0, 1, FanState::STOPPED}, {"4\r", 0, 1, FanState::RUNNING},
        {"4\r", 1, 1, FanState::STOPPING}, {"12\r", 1, 1, FanState::STOPPED},
        {"4\r", 0, 0, FanState::UNKNOWN},
        // clang-format on
    };
    for (const auto& [pszWord, bStopping, bOnline, state] : cases) {
        SCOPED_TRACE(std::string(pszWord) + (bStopping ? " stopping" : ""));
        m_line.m_fnAnswer = [pszWord](const std::string&) { return std::string(pszWord); };
        m_port.m_bOnline = 1;
        m_port.m_bReturningToZero = bStopping;
        EXPECT_TRUE(m_commands.CheckStatus());
        m_port.m_bOnline = bOnline;
        EXPECT_EQ(FanStateOf(m_port), state);
    }
    // A port opened afresh has not been asked; a reply that is no number tells nothing.
    GoOnline();
    m_line.m_fnAnswer = [](const std::string&) { return std::string("?\r"); };
    EXPECT_TRUE(m_commands.CheckStatus());
    EXPECT_EQ(FanStateOf(m_port), FanState::UNKNOWN);
}

// The box of a failed exchange names the device of its port, also one [Ports] maps.
TEST_F(SerialPortTest, ACommunicationsErrorNamesTheDevice) {
    WriteProfile("[Ports]\r\nCOM3=/tmp/zefron\r\n");
    m_port.m_nPort = 3;
    GoOnline();
    m_line.m_fnAnswer = [](const std::string&) { return std::string(); };
    m_boxes.m_answers = {IDCANCEL};
    EXPECT_FALSE(m_commands.Read().has_value());
    EXPECT_EQ(m_boxes.TakeTexts(), Texts{COMM_ERROR + "3\rCOM3: /tmp/zefron"});
}

class PollTest : public CLinkTest {
protected:
    void SetUp() override {
        GoOnline();
        m_line.m_nStatus = STATUS_PLUGGED;  // running
    }
};

TEST_F(PollTest, TickCommandsReadsSmoothsAtAThirdAndRecordsConvertedIfMetric) {
    m_poll.m_dTargetSpeed = 10;
    m_poll.m_dFiltWind = 6.0;
    m_poll.m_dFiltLift = 0.03;
    m_poll.m_dFiltDrag = 0.01;
    m_line.m_strReading = "240,45,67\r";  // 24.0 mph, drag 0.045 lb, lift 0.067 lb
    Tick();
    EXPECT_EQ(m_line.TakeWrites(), (Texts{"S", "W5<CR>", "R"}));
    // Each moves a third of the way from its memory to the new sample.
    EXPECT_DOUBLE_EQ(m_poll.m_dFiltWind, 12.0);
    EXPECT_DOUBLE_EQ(m_poll.m_dFiltLift, 0.03 + (0.067 - 0.03) / 3);
    EXPECT_DOUBLE_EQ(m_poll.m_dFiltDrag, 0.01 + (0.045 - 0.01) / 3);
    EXPECT_EQ(m_rec.m_nLastSlot, 120);
    EXPECT_DOUBLE_EQ(m_rec.m_lift.m_dValue[120], m_poll.m_dFiltLift);
    EXPECT_DOUBLE_EQ(m_rec.m_drag.m_dValue[120], m_poll.m_dFiltDrag);

    // In Metric the memory still keeps mph and lb; 16.0 mph is recorded as 25.7 km/h, in kg.
    m_rec.m_bEnglish = 0;
    Tick();
    EXPECT_DOUBLE_EQ(m_poll.m_dFiltWind, 16.0);
    EXPECT_EQ(m_rec.m_nLastSlot, 257);
    EXPECT_DOUBLE_EQ(m_rec.m_lift.m_dValue[257], m_poll.m_dFiltLift * KG_PER_LB);
    EXPECT_DOUBLE_EQ(m_rec.m_drag.m_dValue[257], m_poll.m_dFiltDrag * KG_PER_LB);
}

// Ticks whose "R" was not exchanged or is not three finite numbers record nothing; the operator
// cancels the box a reply that never ended brings. Each case: the replies to "W" in turn and to
// "R", and the commands sent.
TEST_F(PollTest, TickWithoutAReadingRecordsNothing) {
    const Texts SWR = {"S", "W0<CR>", "R"};
    const std::tuple<Texts, std::string, Texts> cases[] = {
        {{"\r"}, "300,45\r", SWR},
        {{"\r"}, "nan,1,2\r", SWR},
        {{"\r"}, "1e999,0,0\r", SWR},
        {{"\r"}, "300,45,67", SWR},
        {{""}, "300,45,67\r", {"S", "W0<CR>"}},
        {{"?\r", ""}, "300,45,67\r", {"S", "W0<CR>", "C", "W0<CR>"}}};
    for (const auto& [wReplies, strReading, writes] : cases) {
        SCOPED_TRACE(testing::PrintToString(strReading));
        std::size_t nW = 0;
        m_line.m_fnAnswer = [&, &wReplies = wReplies,
                             &strReading = strReading](const std::string& cmd) {
            return cmd[0] == 'W' ? wReplies.at(nW++)
                   : cmd == "R"  ? strReading
                                 : m_line.DefaultAnswer(cmd);
        };
        m_port.m_bOnline = 1;
        m_boxes.m_answers = {IDCANCEL};
        m_poll.m_dFiltWind = m_poll.m_dFiltLift = m_poll.m_dFiltDrag = 0.5;
        Tick();
        EXPECT_EQ(m_line.TakeWrites(), writes);
        EXPECT_EQ(m_poll.m_dFiltWind + m_poll.m_dFiltLift + m_poll.m_dFiltDrag, 1.5);
        EXPECT_EQ(m_port.m_bOnline, m_boxes.m_answers.empty() ? 0 : 1);
    }
}

// A stop asks only the status, the target left alone, until the fan rests or the link goes:
// turning, at rest, then the panel locked and its box cancelled.
TEST_F(PollTest, StopAsksOnlyTheStatusUntilTheFanRestsOrTheLinkGoes) {
    m_poll.m_dTargetSpeed = 10;
    for (const int nStatus : {0, STATUS_STOPPED, STATUS_LOCKED}) {
        m_port.m_bReturningToZero = 1;
        m_bTimerRunning = true;
        m_line.m_nStatus = STATUS_PLUGGED | nStatus;
        m_boxes.m_answers.assign(nStatus == STATUS_LOCKED, IDCANCEL);
        Tick();
        EXPECT_EQ(m_line.TakeWrites(), Texts{"S"});
        EXPECT_EQ(m_status.back(), nStatus ? "Wind speed is Zero" : "Returning Wind speed to Zero");
        EXPECT_EQ(m_bTimerRunning, !nStatus);
        EXPECT_EQ(m_port.m_bReturningToZero, !nStatus);
        EXPECT_EQ(m_poll.m_dCommandSpeed, 0.0);
    }
}

// The commanded speed moves half a mph a tick toward the target and rests on the step at or
// below it, from either side; "W" carries it in tenths, truncated.
TEST_F(PollTest, SpeedRampsHalfAMphATickAndIsSentInTruncatedTenths) {
    const std::tuple<double, double, Texts> cases[] = {
        {5, 10 * MPH_PER_KMH, {"W55", "W60", "W60", "W60"}},
        {10, 8.5, {"W95", "W90", "W85", "W85"}},
        {8, 7.25, {"W75", "W70", "W70"}},
        {6.26, 10, {"W67", "W72"}},
        {-0.26, -1, {"W-7", "W-12", "W-12"}}};
    for (const auto& [dFrom, dTarget, commands] : cases) {
        m_poll.m_dCommandSpeed = dFrom;
        m_poll.m_dTargetSpeed = dTarget;
        for (const std::string& strCommand : commands) {
            Tick();
            EXPECT_EQ(m_line.TakeWrites().at(1), strCommand + "<CR>") << dTarget;
        }
    }
}

TEST_F(PollTest, ScalesWidenOneRangeATickOnWindAndLiftOnly) {
    m_rec.SetSpeedRange(4);
    m_rec.SetForceRange(4);
    m_poll.m_dFiltWind = 120.0;
    m_poll.m_dFiltLift = -9.0;
    m_line.m_strReading = "1200,0,-9000\r";
    for (int nRange = 3; nRange >= 1; --nRange) {
        Tick();
        EXPECT_EQ(m_rec.m_axisWind.m_nRange, nRange);
        EXPECT_EQ(m_rec.m_axisForce.m_nRange, nRange);
    }
    Tick();
    EXPECT_EQ(m_nRedraws, 6);

    // A reading just at the top widens; a large drag alone does not.
    m_rec.SetSpeedRange(2);
    m_rec.SetForceRange(3);
    m_poll.m_dFiltWind = m_poll.m_dFiltLift = 0;
    m_poll.m_dFiltDrag = 5.0;
    m_line.m_strReading = "1275,5000,0\r";  // a third of 127.5 mph: 42.5, the top of range 2
    Tick();
    EXPECT_EQ(m_rec.m_axisWind.m_nRange, 1);
    EXPECT_EQ(m_rec.m_axisForce.m_nRange, 3);
}

// What the operator does while a reply is awaited waits for the link's work, and runs in order
// once the outermost work is over, stops first; a poll tick that comes due during an exchange
// runs once afterwards, unless the poll was stopped or started afresh meanwhile. With the link
// idle an action runs at once.
TEST_F(PollTest, WhatComesDuringAnExchangeRunsInOrderOnceTheWorkIsOver) {
    CLinkGate& gate = m_port.Gate();
    Texts log;
    gate.SetTickRunner([&] { log.push_back("tick"); });
    const auto Act = [&](const std::string& strName) {
        return [&log, strName] { log.push_back(strName); };
    };
    gate.Submit(Act("idle"));
    EXPECT_EQ(log, Texts{"idle"});
    log.clear();

    const struct {
        bool bDropTick;
        Texts expected;
    } cases[] = {
        {false, {"S", "W5<CR>", "R", "tick", "stop 1", "stop 2", "open", "save"}},
        {true, {"S", "W5<CR>", "R", "stop 1", "stop 2", "open", "save"}},
    };
    for (const auto& c : cases) {
        m_poll.m_dTargetSpeed = 10;
        m_poll.m_dCommandSpeed = 0;
        m_line.m_fnAnswer = [&](const std::string& cmd) {
            log.push_back(cmd == "W5\r" ? "W5<CR>" : cmd);
            if (cmd == "W5\r") {
                EXPECT_TRUE(gate.Busy());
                EXPECT_FALSE(gate.AdmitTick());
                EXPECT_FALSE(gate.AdmitTick());  // held once, however often it came
                gate.Submit(Act("open"));
                gate.Submit(Act("stop 1"), true);
                gate.Submit(Act("save"));
                gate.Submit(Act("stop 2"), true);
                if (c.bDropTick) {
                    gate.DropTick();
                }
            }
            return m_line.DefaultAnswer(cmd);
        };
        {
            const CLinkGate::CWork work(gate);  // a command around the tick
            Tick();
            EXPECT_EQ(log, (Texts{"S", "W5<CR>", "R"}));  // nothing ran inside the work
            EXPECT_EQ(gate.Waiting(), 4u);
        }
        EXPECT_EQ(log, c.expected);
        EXPECT_EQ(gate.Waiting(), 0u);
        EXPECT_FALSE(gate.Busy());
        EXPECT_TRUE(gate.AdmitTick());
        log.clear();
        m_line.TakeWrites();
    }

    // A controller slower than the poll: each held tick comes due again during its own exchange.
    // The five run one after another, never one inside another's end.
    int nRuns = 0, nDepth = 0, nMaxDepth = 0;
    gate.SetTickRunner([&] {
        nMaxDepth = std::max(nMaxDepth, ++nDepth);
        {
            const CLinkGate::CWork work(gate);
            const CLinkGate::CExchange exchange(gate);
            if (++nRuns < 5) {
                EXPECT_FALSE(gate.AdmitTick());
            }
        }
        --nDepth;
    });
    {
        const CLinkGate::CWork work(gate);
        const CLinkGate::CExchange exchange(gate);
        EXPECT_FALSE(gate.AdmitTick());
    }
    EXPECT_EQ(nRuns, 5);
    EXPECT_EQ(nMaxDepth, 1);
}

}  // namespace

// zefsim as the console and the scripts meet it: the real program on a real pseudo-terminal,
// driven the way the console drives the controller, with the operator's lines on its input.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

extern char** environ;

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int PLUGGED = 0x04;
constexpr int STOPPED = 0x08;
constexpr int LOCKED = 0x10;
constexpr int AT_REST = PLUGGED | STOPPED;

// The console waits this long for each byte of a reply.
constexpr auto BYTE_WAIT = 4000ms;
// Generous: start-up under sanitizers on a busy machine.
constexpr auto START_WAIT = 20s;

struct CReading {
    int nWind = 0;
    int nDrag = 0;
    int nLift = 0;
};

std::optional<CReading> ParseReading(const std::string& strReply) {
    CReading r;
    int nUsed = 0;
    if (std::sscanf(strReply.c_str(), "%d,%d,%d\r%n", &r.nWind, &r.nDrag, &r.nLift, &nUsed) != 3 ||
        nUsed == 0 || static_cast<std::size_t>(nUsed) != strReply.size()) {
        return std::nullopt;
    }
    return r;
}

// A scratch directory, removed with its contents.
class CScratchDir {
public:
    CScratchDir() {
        std::string strTemplate = (std::filesystem::temp_directory_path() / "zefsim-XXXXXX");
        m_strPath = mkdtemp(strTemplate.data()) ? strTemplate : std::string();
    }
    ~CScratchDir() {
        if (!m_strPath.empty()) {
            std::error_code ec;
            std::filesystem::remove_all(m_strPath, ec);
        }
    }
    std::string operator/(const std::string& strName) const { return m_strPath + "/" + strName; }

private:
    std::string m_strPath;
};

// One running zefsim with pipes on its standard streams and the console's end of its line.
class CZefsim {
public:
    CZefsim() = default;
    CZefsim(const CZefsim&) = delete;
    CZefsim& operator=(const CZefsim&) = delete;

    ~CZefsim() {
        CloseLine();
        if (m_nPid > 0 && !WaitExit(0ms)) {
            kill(m_nPid, SIGTERM);
            if (!WaitExit(5s)) {
                kill(m_nPid, SIGKILL);
                WaitExit(5s);
            }
        }
        for (int* pFd : {&m_nIn, &m_nOut, &m_nErr}) {
            if (*pFd >= 0) {
                close(*pFd);
            }
        }
    }

    // Starts the program and reads the device from its first line; does not open the device.
    ::testing::AssertionResult Spawn(const std::vector<std::string>& vecArgs) {
        // An emulator that died must fail the test, not kill it through its input pipe.
        signal(SIGPIPE, SIG_IGN);
        int nIn[2], nOut[2], nErr[2];
        if (pipe2(nIn, O_CLOEXEC) != 0 || pipe2(nOut, O_CLOEXEC) != 0 ||
            pipe2(nErr, O_CLOEXEC) != 0) {
            return ::testing::AssertionFailure() << "pipe failed";
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, nIn[0], STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, nOut[1], STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, nErr[1], STDERR_FILENO);
        std::vector<char*> vecArgv = {const_cast<char*>(ZEF_ZEFSIM)};
        for (const std::string& str : vecArgs) {
            vecArgv.push_back(const_cast<char*>(str.c_str()));
        }
        vecArgv.push_back(nullptr);
        const int nRc =
            posix_spawn(&m_nPid, ZEF_ZEFSIM, &actions, nullptr, vecArgv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(nIn[0]);
        close(nOut[1]);
        close(nErr[1]);
        m_nIn = nIn[1];
        m_nOut = nOut[0];
        m_nErr = nErr[0];
        if (nRc != 0) {
            m_nPid = -1;
            return ::testing::AssertionFailure() << "cannot start " << ZEF_ZEFSIM;
        }
        m_strDevice = ReadTo(m_nOut, '\n', START_WAIT).value_or("");
        if (m_strDevice.rfind("/dev/", 0) != 0 || m_strDevice.back() != '\n') {
            return ::testing::AssertionFailure() << "no device on the first line: " << m_strDevice;
        }
        m_strDevice.pop_back();
        return ::testing::AssertionSuccess();
    }

    ::testing::AssertionResult Start(const std::vector<std::string>& vecArgs) {
        ::testing::AssertionResult result = Spawn(vecArgs);
        return result ? OpenLine(m_strDevice) : result;
    }

    // Opens the line as the console does: raw, 8N1, 2400 baud.
    ::testing::AssertionResult OpenLine(const std::string& strPath) {
        CloseLine();
        m_nLine = open(strPath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        termios tio{};
        if (m_nLine < 0 || tcgetattr(m_nLine, &tio) != 0) {
            return ::testing::AssertionFailure() << "cannot open " << strPath;
        }
        cfmakeraw(&tio);
        cfsetspeed(&tio, B2400);
        tcsetattr(m_nLine, TCSANOW, &tio);
        return ::testing::AssertionSuccess();
    }

    void CloseLine() {
        if (m_nLine >= 0) {
            close(m_nLine);
            m_nLine = -1;
        }
    }

    const std::string& Device() const { return m_strDevice; }
    pid_t Pid() const { return m_nPid; }

    void Operator(const std::string& strLine) {
        const std::string strText = strLine + "\n";
        ASSERT_GE(m_nIn, 0);
        ASSERT_EQ(write(m_nIn, strText.data(), strText.size()),
                  static_cast<ssize_t>(strText.size()));
    }

    void CloseStdin() {
        close(m_nIn);
        m_nIn = -1;
    }

    // Discards unread input, then writes the command, as the console does before each one.
    void Send(const std::string& strBytes) {
        tcflush(m_nLine, TCIFLUSH);
        ASSERT_EQ(write(m_nLine, strBytes.data(), strBytes.size()),
                  static_cast<ssize_t>(strBytes.size()));
    }

    // One reply line up to its CR, each byte awaited at most nWait; nullopt if one never comes.
    std::optional<std::string> ReadReply(Clock::duration nWait = BYTE_WAIT) {
        return ReadTo(m_nLine, '\r', nWait);
    }

    std::optional<std::string> Exchange(const std::string& strCommand,
                                        Clock::duration nWait = BYTE_WAIT) {
        Send(strCommand);
        return ReadReply(nWait);
    }

    int Status() {
        const std::string strReply = Exchange("S").value_or("");
        int nStatus = -1, nUsed = 0;
        std::sscanf(strReply.c_str(), "%d\r%n", &nStatus, &nUsed);
        return nUsed > 0 && static_cast<std::size_t>(nUsed) == strReply.size() ? nStatus : -1;
    }

    std::optional<CReading> Read() {
        const std::optional<std::string> strReply = Exchange("R");
        return strReply ? ParseReading(*strReply) : std::nullopt;
    }

    // Polls the status until (status & nMask) == nWant; false if it does not come within nLimit.
    bool AwaitStatus(int nMask, int nWant, Clock::duration nLimit) {
        const auto tEnd = Clock::now() + nLimit;
        do {
            const int nStatus = Status();
            if (nStatus >= 0 && (nStatus & nMask) == nWant) {
                return true;
            }
            std::this_thread::sleep_for(50ms);
        } while (Clock::now() < tEnd);
        return false;
    }

    // The exit status once the program has ended within nLimit.
    std::optional<int> WaitExit(Clock::duration nLimit) {
        if (m_nPid <= 0) {
            return m_nExit;
        }
        const auto tEnd = Clock::now() + nLimit;
        for (;;) {
            int nWait = 0;
            if (waitpid(m_nPid, &nWait, WNOHANG) == m_nPid) {
                m_nPid = -1;
                m_nExit = WIFEXITED(nWait) ? WEXITSTATUS(nWait) : 128 + WTERMSIG(nWait);
                return m_nExit;
            }
            if (Clock::now() >= tEnd) {
                return std::nullopt;
            }
            std::this_thread::sleep_for(10ms);
        }
    }

    std::string StderrLine() { return ReadTo(m_nErr, '\n', 10s).value_or(""); }

private:
    // Text up to and with cEnd, each byte awaited at most nWait; nullopt on silence or hang-up.
    static std::optional<std::string> ReadTo(int nFd, char cEnd, Clock::duration nWait) {
        const int nMs =
            static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(nWait).count());
        std::string strText;
        for (;;) {
            pollfd fd = {nFd, POLLIN, 0};
            char c;
            if (poll(&fd, 1, nMs) != 1) {
                return std::nullopt;
            }
            const ssize_t n = read(nFd, &c, 1);
            if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
                continue;
            }
            if (n != 1) {
                return std::nullopt;
            }
            strText += c;
            if (c == cEnd) {
                return strText;
            }
        }
    }

    pid_t m_nPid = -1;
    std::optional<int> m_nExit;
    int m_nIn = -1;
    int m_nOut = -1;
    int m_nErr = -1;
    int m_nLine = -1;
    std::string m_strDevice;
};

// Mean of n readings taken back to back.
CReading MeanReading(CZefsim& sim, int n) {
    long nWind = 0, nDrag = 0, nLift = 0;
    for (int i = 0; i < n; ++i) {
        const std::optional<CReading> r = sim.Read();
        EXPECT_TRUE(r.has_value());
        if (r) {
            nWind += r->nWind;
            nDrag += r->nDrag;
            nLift += r->nLift;
        }
    }
    return {static_cast<int>(nWind / n), static_cast<int>(nDrag / n), static_cast<int>(nLift / n)};
}

std::string FileText(const std::string& strPath) {
    std::ifstream file(strPath, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// Waits until the fan has settled near nTenths (the wind reading within 2 mph of it).
bool AwaitWind(CZefsim& sim, int nTenths, Clock::duration nLimit) {
    const auto tEnd = Clock::now() + nLimit;
    do {
        const std::optional<CReading> r = sim.Read();
        if (r && std::abs(r->nWind - nTenths) <= 20) {
            return true;
        }
        std::this_thread::sleep_for(50ms);
    } while (Clock::now() < tEnd);
    return false;
}

}  // namespace

TEST(ZefsimStatus, BitsFollowTheOperatorsSwitches) {
    CZefsim sim;
    ASSERT_TRUE(sim.Start({"--no-pacing"}));
    EXPECT_EQ(sim.Status(), AT_REST);
    sim.Operator("lock");
    EXPECT_EQ(sim.Status(), AT_REST | LOCKED);
    sim.Operator("unplug");
    EXPECT_EQ(sim.Status(), STOPPED | LOCKED);
    sim.Operator("plug");
    EXPECT_EQ(sim.Status(), AT_REST | LOCKED);
    sim.Operator("unlock");
    EXPECT_EQ(sim.Status(), AT_REST);
    sim.Operator("unplug");
    EXPECT_EQ(sim.Status(), STOPPED);

    // Blank and unknown lines change nothing; the unknown one is reported.
    sim.Operator("  ");
    sim.Operator("frobnicate");
    EXPECT_NE(sim.StderrLine().find("frobnicate"), std::string::npos);
    EXPECT_EQ(sim.Status(), STOPPED);
}

TEST(ZefsimWind, AcknowledgementAndGarbling) {
    CZefsim sim;
    ASSERT_TRUE(sim.Start({"--no-pacing"}));
    EXPECT_EQ(sim.Exchange("W100\r"), "\r");

    sim.Operator("garble-w");
    std::optional<std::string> strReply = sim.Exchange("W100\r");
    ASSERT_TRUE(strReply.has_value());
    EXPECT_NE(strReply->front(), '\r');
    // A reset does not mend the operator's fault.
    strReply = sim.Exchange(std::string(1, '\x03'));
    ASSERT_TRUE(strReply.has_value());
    strReply = sim.Exchange("W100\r");
    ASSERT_TRUE(strReply.has_value());
    EXPECT_NE(strReply->front(), '\r');

    sim.Operator("ungarble-w");
    EXPECT_EQ(sim.Exchange("W100\r"), "\r");
    // "C" cancels without a reply; the next command is answered as usual.
    sim.Send("C");
    EXPECT_EQ(sim.ReadReply(300ms), std::nullopt);
    EXPECT_EQ(sim.Exchange("O"), "\r");
}

TEST(ZefsimWind, FanFollowsTheCommandWithALagAndRunsDownAfterO) {
    CZefsim sim;
    ASSERT_TRUE(sim.Start({"--no-pacing"}));
    ASSERT_EQ(sim.Exchange("W100\r"), "\r");
    const std::optional<CReading> first = sim.Read();
    ASSERT_TRUE(first.has_value());
    EXPECT_LT(first->nWind, 60) << "the fan cannot reach 10 mph at once";

    EXPECT_TRUE(sim.AwaitStatus(STOPPED, 0, 10s));
    int nPeak = 0;
    const auto tEnd = Clock::now() + 30s;
    while (nPeak < 95 && Clock::now() < tEnd) {
        const std::optional<CReading> r = sim.Read();
        ASSERT_TRUE(r.has_value());
        EXPECT_LE(r->nWind, 105) << "a first-order lag does not overshoot";
        nPeak = std::max(nPeak, r->nWind);
        std::this_thread::sleep_for(100ms);
    }
    EXPECT_GE(nPeak, 95);

    ASSERT_TRUE(sim.Exchange("O").has_value());
    EXPECT_EQ(sim.Status() & STOPPED, 0) << "from 10 mph the fan takes seconds to stop";
    EXPECT_TRUE(sim.AwaitStatus(STOPPED, STOPPED, 20s));
    EXPECT_LE(sim.Read().value_or(CReading{999, 0, 0}).nWind, 5);
}

TEST(ZefsimWind, ForcesGrowWithTheSquareOfTheWind) {
    CZefsim sim;
    ASSERT_TRUE(sim.Start({"--no-pacing", "--tau", "0.2"}));
    for (int i = 0; i < 20; ++i) {
        const std::optional<CReading> r = sim.Read();
        ASSERT_TRUE(r.has_value());
        EXPECT_EQ(r->nWind >= 0 && r->nWind <= 2, true) << r->nWind;
        EXPECT_LE(std::abs(r->nDrag), 10);
        EXPECT_LE(std::abs(r->nLift), 10);
    }

    ASSERT_EQ(sim.Exchange("W800\r"), "\r");
    ASSERT_TRUE(AwaitWind(sim, 800, 20s));
    std::this_thread::sleep_for(500ms);
    const CReading fast = MeanReading(sim, 10);
    EXPECT_NEAR(fast.nWind, 800, 10);
    // About 1.2 lb of lift and 0.2 lb of drag at 80 mph, drag before lift in the reply.
    EXPECT_NEAR(fast.nLift, 1200, 150);
    EXPECT_NEAR(fast.nDrag, 200, 40);

    ASSERT_EQ(sim.Exchange("W400\r"), "\r");
    ASSERT_TRUE(AwaitWind(sim, 400, 20s));
    std::this_thread::sleep_for(500ms);
    const CReading half = MeanReading(sim, 10);
    EXPECT_NEAR(half.nLift * 4, fast.nLift, 150) << "half the wind, a quarter of the lift";
    EXPECT_NEAR(half.nDrag * 4, fast.nDrag, 50);
}

TEST(ZefsimWind, AbsurdAndBrokenSpeedCommands) {
    CZefsim sim;
    ASSERT_TRUE(sim.Start({"--no-pacing", "--tau", "0.2"}));
    // A negative speed means rest.
    EXPECT_EQ(sim.Exchange("W-50\r"), "\r");
    // A speed cut short by another command or by a cancel is dropped; its rest is noise.
    EXPECT_EQ(sim.Exchange("W5S"), std::to_string(AT_REST) + "\r");
    sim.Send("00\r");
    sim.Send("W7C00\r");
    std::this_thread::sleep_for(1s);
    EXPECT_EQ(sim.Status(), AT_REST);

    // An absurd speed is held at the fan's limit of 150 mph.
    EXPECT_EQ(sim.Exchange("W99999999999\r"), "\r");
    ASSERT_TRUE(AwaitWind(sim, 1500, 20s));
    std::this_thread::sleep_for(500ms);
    EXPECT_NEAR(MeanReading(sim, 5).nWind, 1500, 10);

    // A reset stops the fan as "O" does.
    ASSERT_TRUE(sim.Exchange(std::string(1, '\x03')).has_value());
    EXPECT_TRUE(sim.AwaitStatus(STOPPED, STOPPED, 20s));
}

TEST(ZefsimMute, NoAnswerAndNoActionUntilUnmuted) {
    CZefsim sim;
    ASSERT_TRUE(sim.Start({"--no-pacing", "--tau", "0.2"}));
    sim.Operator("mute");
    EXPECT_EQ(sim.Exchange("S", 300ms), std::nullopt);
    EXPECT_EQ(sim.Exchange("W100\r", 300ms), std::nullopt);
    std::this_thread::sleep_for(500ms);
    sim.Operator("unmute");
    // Had the muted "W" been obeyed the fan would be turning by now.
    EXPECT_EQ(sim.Status(), AT_REST);
    EXPECT_EQ(sim.Exchange("W100\r"), "\r");
    EXPECT_TRUE(sim.AwaitStatus(STOPPED, 0, 10s));
}

TEST(ZefsimLog, RecordsEveryCommandOnePerLine) {
    CScratchDir dir;
    const std::string strLog = dir / "commands.log";
    std::ofstream(strLog) << "earlier run\n";
    CZefsim sim;
    ASSERT_TRUE(sim.Start({"--no-pacing", "--log", strLog}));
    ASSERT_TRUE(sim.Exchange(std::string(1, '\x03')).has_value());
    sim.Send("C");
    ASSERT_TRUE(sim.Exchange("W100\r").has_value());
    ASSERT_TRUE(sim.Exchange("S").has_value());
    ASSERT_TRUE(sim.Exchange("R").has_value());
    ASSERT_TRUE(sim.Exchange("O").has_value());
    ASSERT_TRUE(sim.Exchange("W12S").has_value());
    sim.Send(std::string(1, '\x7f'));
    sim.Operator("mute");
    sim.Send("S");
    // The line delivers its bytes later than a pipe does: an answer after unmuting shows that
    // the muted command has arrived before the quit is given.
    sim.Operator("unmute");
    ASSERT_TRUE(sim.Exchange("R").has_value());
    sim.Operator("quit");
    ASSERT_EQ(sim.WaitExit(10s), 0);
    EXPECT_EQ(FileText(strLog), "earlier run\n<03>\nC\nW100<CR>\nS\nR\nO\nW12\nS\n<7F>\nS\nR\n");
}

TEST(ZefsimLink, MadeOverAStaleLinkAndRemovedOnQuit) {
    CScratchDir dir;
    const std::string strLink = dir / "ttyZefron";
    ASSERT_EQ(symlink("/nonexistent/pts", strLink.c_str()), 0);
    CZefsim sim;
    ASSERT_TRUE(sim.Spawn({"--no-pacing", "--link", strLink}));
    EXPECT_EQ(std::filesystem::read_symlink(strLink).string(), sim.Device());
    ASSERT_TRUE(sim.OpenLine(strLink));
    EXPECT_EQ(sim.Status(), AT_REST);
    sim.Operator("quit");
    EXPECT_EQ(sim.WaitExit(10s), 0);
    EXPECT_FALSE(std::filesystem::is_symlink(strLink));
}

TEST(ZefsimLink, NeverReplacesAFile) {
    CScratchDir dir;
    const std::string strFile = dir / "notes";
    std::ofstream(strFile) << "keep me\n";
    CZefsim sim;
    EXPECT_FALSE(sim.Spawn({"--link", strFile}));
    EXPECT_NE(sim.WaitExit(10s).value_or(0), 0);
    EXPECT_EQ(FileText(strFile), "keep me\n");
}

TEST(ZefsimNoise, SameSeedSameReadings) {
    // At rest the readings are pure noise, so they depend on the seed and nothing else.
    const auto readings = [](const std::string& strSeed) {
        CZefsim sim;
        EXPECT_TRUE(sim.Start({"--no-pacing", "--seed", strSeed}));
        std::vector<std::string> vec;
        EXPECT_TRUE(sim.Exchange(std::string(1, '\x03')).has_value());
        for (int i = 0; i < 8; ++i) {
            vec.push_back(sim.Exchange(i % 2 ? "R" : "S").value_or("none"));
        }
        return vec;
    };
    const std::vector<std::string> vecFirst = readings("7");
    EXPECT_EQ(readings("7"), vecFirst);
    EXPECT_NE(readings("8"), vecFirst);
}

TEST(ZefsimPacing, RepliesLeaveAtTheLineRate) {
    const std::string strReset(1, '\x03');
    const auto shortest = [&](const std::vector<std::string>& vecArgs, std::size_t& nBytes) {
        CZefsim sim;
        EXPECT_TRUE(sim.Start(vecArgs));
        auto nBest = Clock::duration::max();
        for (int i = 0; i < 5; ++i) {
            const auto t0 = Clock::now();
            const std::optional<std::string> strReply = sim.Exchange(strReset);
            nBest = std::min(nBest, Clock::now() - t0);
            EXPECT_TRUE(strReply.has_value());
            nBytes = strReply.value_or("").size();
        }
        return nBest;
    };
    std::size_t nBytes = 0;
    const auto nPaced = shortest({}, nBytes);
    ASSERT_GE(nBytes, 2u);
    // 10 bits a byte at 2400 baud is 4.17 ms; allow for clock granularity.
    EXPECT_GE(nPaced, nBytes * 4ms);
    const auto nUnpaced = shortest({"--no-pacing"}, nBytes);
    EXPECT_LT(nUnpaced, nBytes * 4ms / 2);
}

TEST(ZefsimLifetime, OutlivesItsInputAndItsConsoleAndEndsOnSignals) {
    for (int nSignal : {SIGTERM, SIGINT}) {
        CScratchDir dir;
        const std::string strLink = dir / "tty";
        CZefsim sim;
        ASSERT_TRUE(sim.Start({"--no-pacing", "--link", strLink}));
        sim.CloseStdin();
        std::this_thread::sleep_for(200ms);
        EXPECT_EQ(sim.Status(), AT_REST);
        // The console closes the port and opens it again.
        sim.CloseLine();
        std::this_thread::sleep_for(100ms);
        ASSERT_TRUE(sim.OpenLine(sim.Device()));
        EXPECT_EQ(sim.Status(), AT_REST);
        EXPECT_EQ(sim.WaitExit(200ms), std::nullopt);

        kill(sim.Pid(), nSignal);
        EXPECT_EQ(sim.WaitExit(10s), 0);
        EXPECT_FALSE(std::filesystem::is_symlink(strLink));
    }
}

// zefsim as a program, spoken to through the console's link. What it answers and how its faults
// show in the console is tested end to end in tests/link/ZefsimLinkTest.cpp.

#include <chrono>
#include <filesystem>
#include <thread>

#include "LinkDoubles.h"
#include "Zefsim.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr char AT_REST[] = "12\r";  // plugged, stopped

class ZefsimTest : public CLinkTest {
protected:
    void SetUp() override {
        if (!CZefsim::Available()) {
            GTEST_SKIP() << "zefsim is not built";
        }
    }
    void Start(const std::vector<std::string>& options) {
        m_pSim = std::make_unique<CZefsim>(options);
        ASSERT_TRUE(m_pSim->IsRunning());
        Open(m_pSim->Device());
    }
    void Open(const std::string& strPath) {
        WriteProfile("[Ports]\r\nCOM1=" + strPath);
        m_port.SetDeviceFactory({});
        ASSERT_TRUE(m_port.Open()) << m_port.m_strOpenError.toStdString();
    }
    // The reply up to its CR, each byte awaited at most nWaitMs; "" when one never comes.
    std::string Exchange(const char* pszCommand, int nWaitMs = 4000) {
        char szReply[POLL_REPLY_SIZE];
        m_port.m_bOnline = 1;
        m_port.SetByteTimeout(nWaitMs);
        return m_port.Exchange(pszCommand, szReply, sizeof szReply, true) ? szReply : "";
    }

    // Four exchanges of a command with a fresh emulator: the replies, and the shortest time.
    std::pair<std::string, Clock::duration> Exchanges(const std::vector<std::string>& options,
                                                      const char* pszCommand) {
        Start(options);
        std::pair<std::string, Clock::duration> result = {"", Clock::duration::max()};
        for (int i = 0; i < 4; ++i) {
            const auto t0 = Clock::now();
            result.first += Exchange(pszCommand);
            result.second = std::min(result.second, Clock::now() - t0);
        }
        return result;
    }

    std::unique_ptr<CZefsim> m_pSim;
};

TEST_F(ZefsimTest, MutedControllerNeitherAnswersNorActs) {
    ASSERT_NO_FATAL_FAILURE(Start({"--no-pacing", "--tau", "0.2"}));
    m_pSim->Operator("mute");
    EXPECT_EQ(Exchange("S", 300), "");
    EXPECT_EQ(Exchange("W100\r", 300), "");
    std::this_thread::sleep_for(500ms);
    m_pSim->Operator("unmute");
    EXPECT_EQ(Exchange("S"), AT_REST) << "the muted speed was obeyed";
    EXPECT_EQ(m_pSim->Stop(), 0) << "quit";
}

TEST_F(ZefsimTest, LinkIsMadeOverAStaleOneAndRemovedWhenItEnds) {
    // The link, removed again as the emulator ends, outlives the operator's input and the
    // console's closing the port.
    const std::string strLink = m_dir.filePath(QStringLiteral("ttyZefron")).toStdString();
    ASSERT_EQ(::symlink("/nonexistent/pts", strLink.c_str()), 0);
    ASSERT_NO_FATAL_FAILURE(Start({"--no-pacing", "--link", strLink}));
    m_pSim->CloseInput();
    std::this_thread::sleep_for(200ms);
    ASSERT_NO_FATAL_FAILURE(Open(strLink));
    EXPECT_EQ(Exchange("S"), AT_REST);
    EXPECT_EQ(m_pSim->Stop(SIGTERM), 0);
    EXPECT_FALSE(std::filesystem::is_symlink(strLink));
}

TEST_F(ZefsimTest, SameSeedGivesTheSameReadings) {
    // At rest the readings are pure noise.
    const std::string strFirst = Exchanges({"--no-pacing", "--seed", "7"}, "R").first;
    EXPECT_EQ(Exchanges({"--no-pacing", "--seed", "7"}, "R").first, strFirst);
    EXPECT_NE(Exchanges({"--no-pacing", "--seed", "8"}, "R").first, strFirst);
}

TEST_F(ZefsimTest, RepliesLeaveAtTheLineRateUnlessUnpaced) {
    const auto [strPaced, paced] = Exchanges({}, "\x03");
    const auto unpaced = Exchanges({"--no-pacing"}, "\x03").second;
    const std::size_t nBytes = strPaced.size() / 4;
    ASSERT_GE(nBytes, 2u);
    // 10 bits a byte at 2400 baud: 4.17 ms.
    EXPECT_GE(paced, nBytes * 4ms);
    EXPECT_LT(unpaced, nBytes * 2ms);
}

}  // namespace

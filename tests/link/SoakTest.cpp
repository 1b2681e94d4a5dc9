// A long run against the emulator with faults thrown at random and an operator who answers at
// random: the link must never crash, never send while it is down, always end in a state that
// agrees with the operator's last answer, and not grow its memory.

#include <malloc.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <random>

#include "LinkDoubles.h"
#include "Zefsim.h"
#include "app/Profile.h"
#include "link/PortSelection.h"

extern "C" std::size_t __sanitizer_get_current_allocated_bytes() __attribute__((weak));

namespace {

using Clock = std::chrono::steady_clock;

constexpr int SOAK_TICKS = 10000;
// Long enough that the emulator, slowed by the sanitizers on a busy machine, still answers in
// time; short enough that silent lines do not take the soak's whole time.
constexpr int SOAK_BYTE_TIMEOUT_MS = 200;

std::size_t LiveHeapBytes() {
    if (__sanitizer_get_current_allocated_bytes) {
        return __sanitizer_get_current_allocated_bytes();
    }
    return mallinfo2().uordblks;
}

int OpenDescriptors() {
    return static_cast<int>(QDir(QStringLiteral("/proc/self/fd")).count());
}

// The terminal device, counting what goes over the line.
class CCountingDevice : public CSerialDevice {
public:
    explicit CCountingDevice(long& nWrites) : m_nWrites(nWrites) {}
    bool Open(const std::string& strPath, COpenFailure& failure) override {
        return m_device.Open(strPath, failure);
    }
    bool IsOpen() const override { return m_device.IsOpen(); }
    void Close() override { m_device.Close(); }
    void DiscardInput() override { m_device.DiscardInput(); }
    bool Write(const char* pData, std::size_t nLength) override {
        ++m_nWrites;
        return m_device.Write(pData, nLength);
    }
    ReadResult ReadByte(char& c, int nTimeoutMs) override {
        return m_device.ReadByte(c, nTimeoutMs);
    }

private:
    CTermiosDevice m_device;
    long& m_nWrites;
};

class CNullDrawing : public CRecordDrawing {
public:
    void EraseStretch(TestRecord&, int, int) override {}
    void DrawStretch(TestRecord&, int, int) override {}
    void MoveSpeedMarker(TestRecord&, double, int) override {}
    void ShowStatus(TestRecord&, double, double, double, double, double) override {}
};

class CSoakHost : public CPollHost {
public:
    CNullDrawing m_dc;
    bool m_bTimerRunning = false;
    int m_nDepth = 0;
    long m_nZeroMessages = 0;
    CRecordDrawing& TickDrawing() override {
        ++m_nDepth;
        return m_dc;
    }
    void EndTick() override { --m_nDepth; }
    void RedrawAll() override {}
    void SetStatusText(const std::string& strText) override {
        if (strText == MSG_WIND_IS_ZERO) {
            ++m_nZeroMessages;
        }
    }
    void KillPollTimer() override { m_bTimerRunning = false; }
};

struct SoakCounts {
    long nTicks = 0;
    long nFaults = 0;
    long nCommBoxes = 0;
    long nCableBoxes = 0;
    long nLockBoxes = 0;
    long nOtherBoxes = 0;
    long nRetries = 0;
    long nCancels = 0;
    long nNestedTicks = 0;
    long nReopens = 0;
    long nStops = 0;
    long nTargets = 0;
    long nStopsResumed = 0;
    long nReadings = 0;
};

class CSoak : public CMessageBoxes, public CPortDialog {
public:
    CSoak(CZefsim& sim, const QString& strProfile, unsigned nSeed)
        : m_sim(sim), m_profile(strProfile), m_rng(nSeed) {
        m_port.SetProfilePath(strProfile);
        m_port.SetMessageBoxes(this);
        m_port.SetDeviceFactory([this] { return std::make_unique<CCountingDevice>(m_nWrites); });
        m_port.SetByteTimeout(SOAK_BYTE_TIMEOUT_MS);
        m_port.m_nPort = 4;
        m_rec.ApplyUnitScales();
        m_rec.RecordPoint(m_host.m_dc, 0, 0, 0, RECORD_CLEAR);
    }

    // The operator: sometimes mends the fault first, sometimes not, sometimes gives up.
    int Show(const QString& strText, unsigned nType) override {
        EXPECT_EQ(m_port.m_bOnline, 0) << strText.toStdString();
        const std::string text = strText.toStdString();
        const char* pszMend = nullptr;
        if (text.rfind("Serial Communications Error!", 0) == 0) {
            ++m_counts.nCommBoxes;
            pszMend = "unmute";
        } else if (text == MSG_CABLE_DISCONNECTED) {
            ++m_counts.nCableBoxes;
            pszMend = "plug";
        } else if (text == MSG_PANEL_LOCKED) {
            ++m_counts.nLockBoxes;
            pszMend = "unlock";
        } else {
            ++m_counts.nOtherBoxes;
            ADD_FAILURE() << "unexpected box: " << text;
        }
        // A timer message while the box is up: its tick must send nothing.
        if (Chance(0.5)) {
            const long nWrites = m_nWrites;
            Poll(m_rec, m_host, m_port);
            ++m_counts.nNestedTicks;
            EXPECT_EQ(m_nWrites, nWrites) << "a nested tick sent something";
        }
        if ((nType & MB_TYPEMASK) != MB_RETRYCANCEL) {
            ADD_FAILURE() << "not a Retry/Cancel box: " << text;
            return IDOK;
        }
        const double dRoll = Roll();
        if (dRoll < 0.3) {
            m_bCancelled = true;
            ++m_counts.nCancels;
            return IDCANCEL;
        }
        // Retry as it is now at most twice running; otherwise mend the fault first.
        if (dRoll < 0.5 && m_nRetriesUnmended < 2) {
            ++m_nRetriesUnmended;
        } else {
            m_sim.Operator(pszMend);
            m_nRetriesUnmended = 0;
        }
        m_bCancelled = false;
        ++m_counts.nRetries;
        return IDRETRY;
    }

    // The COM Port dialog: the operator picks the emulator's port.
    bool Ask(QString& strPort) override {
        EXPECT_EQ(m_port.m_bOnline, 0);
        strPort = QStringLiteral("COM4");
        return true;
    }

    void Run(int nTicks) {
        ASSERT_TRUE(SelectPortAtStartup(*this, m_profile, *this, m_port));
        char szReply[POLL_REPLY_SIZE];
        m_port.SendCommand(CMD_RESET, szReply, sizeof szReply, true);
        m_port.SendCommand(CMD_CANCEL, szReply, sizeof szReply, false);
        SetTarget();

        while (m_counts.nTicks < nTicks) {
            if (m_counts.nTicks == 1000 && m_nHeapAt1000 == 0) {
                m_nHeapAt1000 = LiveHeapBytes();
                m_nFdsAt1000 = OpenDescriptors();
            }
            Operate();
            if (!m_host.m_bTimerRunning) {
                continue;
            }
            const double dCommandBefore = m_rec.m_dCommandSpeed;
            const long nWritesBefore = m_nWrites;
            const int bOnlineBefore = m_port.m_bOnline;
            const int bStoppingBefore = m_port.m_bReturningToZero;
            const double dFiltBefore = m_rec.m_dFiltWind;
            Poll(m_rec, m_host, m_port);
            ++m_counts.nTicks;
            CheckTick(dCommandBefore, nWritesBefore, bOnlineBefore, bStoppingBefore, dFiltBefore);
            if (::testing::Test::HasFatalFailure() || m_nFailures > 20) {
                return;
            }
        }
    }

    // Brings everything back and shows that a plain tick works again.
    void Finish() {
        for (const char* psz : {"unmute", "plug", "unlock", "ungarble-w"}) {
            m_sim.Operator(psz);
        }
        if (!m_port.m_bOnline) {
            ASSERT_TRUE(OnComPort(*this, m_profile, *this, m_port));
        }
        m_port.m_bReturningToZero = 0;
        m_rec.m_dTargetSpeed = 5;
        m_host.m_bTimerRunning = true;
        const long nWrites = m_nWrites;
        Poll(m_rec, m_host, m_port);
        EXPECT_EQ(m_port.m_bOnline, 1);
        EXPECT_EQ(m_nWrites - nWrites, 3) << "S, W and R";
        EXPECT_TRUE(m_host.m_bTimerRunning);
    }

    const SoakCounts& Counts() const { return m_counts; }
    std::size_t HeapAt1000() const { return m_nHeapAt1000; }
    int FdsAt1000() const { return m_nFdsAt1000; }

private:
    double Roll() { return std::uniform_real_distribution<double>(0.0, 1.0)(m_rng); }
    bool Chance(double d) { return Roll() < d; }

    // What the operator and the tunnel do between ticks.
    void Operate() {
        if (Chance(0.02)) {
            static const char* const FAULTS[] = {"mute", "lock", "unplug", "garble-w",
                                                 "ungarble-w"};
            m_sim.Operator(FAULTS[std::uniform_int_distribution<int>(0, 4)(m_rng)]);
            ++m_counts.nFaults;
        }
        if (!m_port.m_bOnline) {
            // After a Cancel the operator chooses the port again, mostly after mending.
            if (Chance(0.2)) {
                if (Chance(0.7)) {
                    for (const char* psz : {"unmute", "plug", "unlock"}) {
                        m_sim.Operator(psz);
                    }
                }
                m_bCancelled = false;
                m_nRetriesUnmended = 0;
                ASSERT_TRUE(OnComPort(*this, m_profile, *this, m_port));
                ++m_counts.nReopens;
                if (!m_host.m_bTimerRunning) {
                    SetTarget();
                }
            }
            return;
        }
        if (!m_host.m_bTimerRunning || Chance(0.025)) {
            SetTarget();
        } else if (Chance(0.004)) {
            StopWind();
        } else if (Chance(0.001)) {
            // The COM Port command while running, choosing the same port again.
            m_bCancelled = false;
            ASSERT_TRUE(OnComPort(*this, m_profile, *this, m_port));
            ++m_counts.nReopens;
        }
    }

    // Set Wind speed, as the run command does it (without its dialog).
    void SetTarget() {
        if (!m_port.m_bOnline) {
            return;
        }
        if (m_port.m_bReturningToZero) {
            if (!m_port.CheckStatus()) {
                m_host.KillPollTimer();
            } else if (!m_host.m_bTimerRunning) {
                // A stop whose poll was ended by a Cancel while the fan still ran: nothing in
                // the run commands starts it again, so the soak's operator does.
                m_host.m_bTimerRunning = true;
                ++m_counts.nStopsResumed;
            }
            return;
        }
        m_rec.m_dTargetSpeed = std::uniform_int_distribution<int>(-2, 80)(m_rng);
        m_host.m_bTimerRunning = true;
        ++m_counts.nTargets;
    }

    // Stop Wind, as the run command does it.
    void StopWind() {
        if (!m_port.CheckStatus()) {
            m_host.KillPollTimer();
        }
        if (m_port.m_bRunning != 1) {
            m_host.KillPollTimer();
        } else if (!m_port.m_bReturningToZero) {
            m_host.KillPollTimer();
            char szReply[POLL_REPLY_SIZE];
            m_port.SendCommand(CMD_CANCEL, szReply, sizeof szReply, false);
            m_rec.RecordPoint(m_host.m_dc, 0, 0, 0, RECORD_STOP);
            char szOff[12];
            m_port.SendCommand(CMD_OFF, szOff, sizeof szOff, true);
            m_host.m_bTimerRunning = true;
            m_port.m_bReturningToZero = 1;
            m_rec.m_dFiltLift = m_rec.m_dFiltDrag = m_rec.m_dFiltWind = 0.0;
            ++m_counts.nStops;
        }
        m_rec.m_dTargetSpeed = m_rec.m_dCommandSpeed = 0.0;
    }

    void Expect(bool bOk, const char* pszWhat) {
        if (!bOk) {
            ++m_nFailures;
            ADD_FAILURE() << "tick " << m_counts.nTicks << ": " << pszWhat;
        }
    }

    void CheckTick(double dCommandBefore, long nWritesBefore, int bOnlineBefore,
                   int bStoppingBefore, double dFiltBefore) {
        Expect(m_host.m_nDepth == 0, "ticks begun and ended in pairs");
        Expect(m_port.m_bOnline == 0 || m_port.m_bOnline == 1, "link flag is 0 or 1");
        Expect(m_port.m_bRunning == ((m_port.m_nStatus & STATUS_STOPPED) ? 0 : 1),
               "run flag follows the status word");
        // The link is down exactly when the operator's last answer was Cancel.
        Expect(m_port.m_bOnline == (m_bCancelled ? 0 : 1), "link state agrees with the answers");
        if (!bOnlineBefore) {
            Expect(m_nWrites == nWritesBefore, "nothing sent while the link is down");
            Expect(m_rec.m_dCommandSpeed == dCommandBefore, "nothing changes while down");
        }
        if (bStoppingBefore) {
            Expect(m_rec.m_dCommandSpeed == dCommandBefore, "no speed commanded while stopping");
        }
        Expect(std::fabs(m_rec.m_dCommandSpeed - dCommandBefore) <= RAMP_STEP_MPH,
               "the speed moves half a mph a tick at most");
        Expect(m_rec.m_nLastSlot >= 0 && m_rec.m_nLastSlot <= LAST_SLOT, "last slot in range");
        Expect(m_rec.m_axisWind.m_nRange >= 1 && m_rec.m_axisForce.m_nRange >= 1,
               "ranges stay valid");
        Expect(std::isfinite(m_rec.m_dFiltWind) && std::isfinite(m_rec.m_dFiltLift) &&
                   std::isfinite(m_rec.m_dFiltDrag),
               "smoothing memory stays finite");
        const double dValue = m_rec.m_lift.m_dValue[m_rec.m_nLastSlot];
        Expect(dValue == EMPTY_SLOT || std::isfinite(dValue), "recorded values are numbers");
        if (m_rec.m_dFiltWind != dFiltBefore) {
            ++m_counts.nReadings;
        }
    }

    CZefsim& m_sim;
    CProfile m_profile;
    std::mt19937 m_rng;
    long m_nWrites = 0;
    CSerialPort m_port;
    TestRecord m_rec{1, 80.0};
    CSoakHost m_host;
    SoakCounts m_counts;
    bool m_bCancelled = false;
    int m_nRetriesUnmended = 0;
    int m_nFailures = 0;
    std::size_t m_nHeapAt1000 = 0;
    int m_nFdsAt1000 = 0;
};

TEST(LinkSoak, TenThousandTicksWithFaultsEndConsistentAndDoNotGrow) {
    if (!CZefsim::Available()) {
        GTEST_SKIP() << "zefsim is not built";
    }
    const unsigned nSeed = 20240;
    CZefsim sim({"--no-pacing", "--tau", "0.05", "--seed", "7"});
    ASSERT_TRUE(sim.IsRunning());
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString strProfile = dir.filePath(QStringLiteral("zef.ini"));
    QFile file(strProfile);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(("[System]\r\nCOM Port=4\r\n[Ports]\r\nCOM4=" + sim.Device() + "\r\n").c_str());
    file.close();

    const auto tStart = Clock::now();
    CSoak soak(sim, strProfile, nSeed);
    ASSERT_NO_FATAL_FAILURE(soak.Run(SOAK_TICKS));
    ASSERT_NO_FATAL_FAILURE(soak.Finish());
    const double dSeconds = std::chrono::duration<double>(Clock::now() - tStart).count();
    const std::size_t nHeapEnd = LiveHeapBytes();
    const int nFdsEnd = OpenDescriptors();

    const SoakCounts& c = soak.Counts();
    std::printf(
        "soak: %ld ticks in %.1f s (seed %u); %ld faults thrown; boxes: %ld communications, "
        "%ld cable, %ld lock; %ld Retry, %ld Cancel; %ld nested ticks; %ld port re-opens; "
        "%ld stops (%ld resumed after a Cancel); %ld targets; %ld readings taken; live heap "
        "%zu -> %zu bytes; descriptors %d -> %d\n",
        c.nTicks, dSeconds, nSeed, c.nFaults, c.nCommBoxes, c.nCableBoxes, c.nLockBoxes, c.nRetries,
        c.nCancels, c.nNestedTicks, c.nReopens, c.nStops, c.nStopsResumed, c.nTargets, c.nReadings,
        soak.HeapAt1000(), nHeapEnd, soak.FdsAt1000(), nFdsEnd);

    EXPECT_GE(c.nTicks, SOAK_TICKS);
    // Every kind of fault was met and answered both ways.
    EXPECT_GT(c.nCommBoxes, 0);
    EXPECT_GT(c.nCableBoxes, 0);
    EXPECT_GT(c.nLockBoxes, 0);
    EXPECT_GT(c.nRetries, 0);
    EXPECT_GT(c.nCancels, 0);
    EXPECT_GT(c.nReopens, 0);
    EXPECT_GT(c.nStops, 0);
    EXPECT_GT(c.nReadings, SOAK_TICKS / 2);
    // Nothing accumulates: the heap stays within a few pages of where it was after warming up,
    // and no descriptor is left behind by the re-opens.
    EXPECT_LT(nHeapEnd, soak.HeapAt1000() + 64 * 1024);
    EXPECT_EQ(nFdsEnd, soak.FdsAt1000());
}

}  // namespace

// The cost of one poll tick to the console itself, against a controller that answers at once from
// memory, beside the time the same tick's bytes take on the line at 2400 baud.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <QTemporaryDir>

#include "core/files/Recovery.h"
#include "core/files/TestFile.h"
#include "core/link/Poll.h"
#include "core/link/SerialPort.h"

#include "BenchLink.h"

namespace {

class CBenchHost : public CPollHost {
public:
    CRecordDrawing& TickDrawing() override { return m_dc; }
    void RedrawAll() override {}
    void SetStatusText(const std::string&) override {}
    void KillPollTimer() override {}

private:
    CNullDrawing m_dc;
};

// A tick as the console runs it: with the unsaved test's copy kept when its argument is 1, the
// clock moving on by the poll's interval each tick, so that the copy is written about every
// seventh tick as in a run.
void BM_PollTick(benchmark::State& state) {
    const bool bRecovery = state.range(0) != 0;
    QTemporaryDir dir;
    std::int64_t tNow = 0;
    CRecovery recovery(dir.filePath(QStringLiteral("zef/unsaved.ZEF")), [&tNow] { return tNow; });
    long nWrites = 0;
    CNoBoxes boxes;
    CSerialPort port;
    CMemoryController* pController = OpenInMemory(port, boxes);
    if (!pController) {
        state.SkipWithError("the in-memory controller did not open");
        return;
    }
    TestRecord rec(1, 80.0);
    CNullDrawing dc;
    rec.ApplyUnitScales();
    rec.RecordPoint(dc, 0, 0, 0, RECORD_CLEAR);
    CPollState poll;
    poll.m_dTargetSpeed = 40.0;
    poll.m_dCommandSpeed = 40.0;
    CBenchHost host;

    for (auto _ : state) {
        if (bRecovery) {
            recovery.BeforeTick(rec);
        }
        Poll(rec, poll, host, port);
        if (bRecovery) {
            tNow += POLL_INTERVAL_MS;
            const bool bDue = recovery.Due();
            recovery.AfterTick(rec, false);
            nWrites += bDue;
        }
    }

    const double dTicks = static_cast<double>(state.iterations());
    const double dBytes =
        static_cast<double>(pController->m_nBytesSent + pController->m_nBytesReceived) / dTicks;
    state.counters["line_bytes"] = dBytes;
    // The physical floor of a tick: its bytes at 2400 baud, in microseconds.
    state.counters["line_us"] = dBytes * BITS_PER_BYTE / BAUD * 1e6;
    state.counters["copies"] = static_cast<double>(nWrites);
}
BENCHMARK(BM_PollTick)->Arg(0)->Arg(1);

// The worst tick: one that writes the copy of a test with every slot recorded.
void BM_RecoveryWrite(benchmark::State& state) {
    QTemporaryDir dir;
    CRecovery recovery(dir.filePath(QStringLiteral("zef/unsaved.ZEF")), [] { return 0; });
    TestRecord rec(1, 80.0);
    for (int i = 0; i < SLOT_COUNT; ++i) {
        rec.m_lift.m_dValue[i] = i * 0.00137 - 0.5;
        rec.m_drag.m_dValue[i] = i * 0.00071;
    }
    recovery.Changed();
    for (auto _ : state) {
        if (!recovery.Write(rec)) {
            state.SkipWithError("the copy could not be written");
            return;
        }
    }
    state.counters["bytes"] = static_cast<double>(FormatTestFile(rec).size());
}
BENCHMARK(BM_RecoveryWrite);

}  // namespace

BENCHMARK_MAIN();

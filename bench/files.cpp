// Saving and opening a full test: every one of the 1401 slots recorded.
#include <benchmark/benchmark.h>

#include <QTemporaryDir>

#include "core/files/TestFile.h"
#include "core/record/TestRecord.h"

namespace {

TestRecord FullTest() {
    TestRecord rec(1, 80.0);
    rec.ApplyUnitScales();
    for (int i = 0; i < SLOT_COUNT; ++i) {
        rec.m_lift.m_dValue[i] = 0.00018 * i * i / 100.0 + 0.001 * (i % 7);
        rec.m_drag.m_dValue[i] = 0.000035 * i * i / 100.0 + 0.0005 * (i % 5);
    }
    for (int k = 0; k < COMMENT_COUNT; ++k) {
        rec.m_strComment[k] = "comment line " + std::to_string(k);
    }
    return rec;
}

void BM_SaveFullTest(benchmark::State& state) {
    QTemporaryDir dir;
    const QString strPath = dir.filePath("full.ZEF");
    const TestRecord rec = FullTest();
    for (auto _ : state) {
        if (!WriteTestFile(rec, strPath).Ok()) {
            state.SkipWithError("save failed");
        }
    }
}
BENCHMARK(BM_SaveFullTest)->Unit(benchmark::kMicrosecond);

void BM_OpenFullTest(benchmark::State& state) {
    QTemporaryDir dir;
    const QString strPath = dir.filePath("full.ZEF");
    WriteTestFile(FullTest(), strPath);
    TestRecord rec(1, 80.0);
    for (auto _ : state) {
        if (!ReadTestFile(rec, strPath).Ok()) {
            state.SkipWithError("open failed");
        }
    }
}
BENCHMARK(BM_OpenFullTest)->Unit(benchmark::kMicrosecond);

// The same without the file system: formatting and parsing alone.
void BM_FormatFullTest(benchmark::State& state) {
    const TestRecord rec = FullTest();
    for (auto _ : state) {
        benchmark::DoNotOptimize(FormatTestFile(rec));
    }
}
BENCHMARK(BM_FormatFullTest)->Unit(benchmark::kMicrosecond);

void BM_ParseFullTest(benchmark::State& state) {
    const std::string strText = FormatTestFile(FullTest());
    TestRecord rec(1, 80.0);
    for (auto _ : state) {
        CMemoryByteReader reader(strText.data(), strText.size());
        benchmark::DoNotOptimize(ReadTestFile(rec, reader));
    }
}
BENCHMARK(BM_ParseFullTest)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();

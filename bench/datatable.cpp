// The cost of a poll tick while the data table is shown: the tick itself against a controller
// that answers at once, then the same tick with the table's rows brought up to date, as the
// console does at the end of every tick, and with the table's repaint that follows in the event
// loop. Next to them, the time the tick's bytes take on the line at 2400 baud.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTableView>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/link/Poll.h"
#include "core/link/SerialPort.h"
#include "console/DataTableModel.h"

#include "BenchLink.h"

namespace {

// The view's end of a tick: the table's rows follow the record, as CZEFView's hook makes them.
class CBenchHost : public CPollHost {
public:
    CRecordDrawing& TickDrawing() override { return m_dc; }
    void EndTick() override {
        if (m_pModel) {
            m_pModel->Sync();
        }
    }
    void RedrawAll() override {}
    void SetStatusText(const std::string&) override {}
    void KillPollTimer() override {}

    CDataTableModel* m_pModel = nullptr;

private:
    CNullDrawing m_dc;
};

enum class Table { None, Rows, RowsAndRepaint };

void Tick(benchmark::State& state, Table table) {
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
    rec.m_cd.m_bVisible = rec.m_ld.m_bVisible = 1;
    CPollState poll;
    poll.m_dTargetSpeed = poll.m_dCommandSpeed = 40.0;
    // A full table with an overlay: the largest the table gets.
    for (int i = 1; i < 800; ++i) {
        rec.RecordPoint(dc, i / 1000.0, i / 4000.0, i * 0.1, RECORD_READING);
    }
    rec.SetOverlay();
    CBenchHost host;
    CDataTableModel model(rec);
    QTableView view;
    view.setModel(&model);
    view.resize(500, 700);
    if (table != Table::None) {
        host.m_pModel = &model;
        view.show();
        QApplication::processEvents();
    }

    for (auto _ : state) {
        Poll(rec, poll, host, port);
        if (table == Table::RowsAndRepaint) {
            QApplication::processEvents();
        }
    }

    const double dBytes =
        static_cast<double>(pController->m_nBytesSent + pController->m_nBytesReceived) / static_cast<double>(state.iterations());
    // The physical floor of a tick: its bytes at 2400 baud (10 bits a byte), in microseconds.
    state.counters["line_us"] = dBytes * 10.0 / 2400.0 * 1e6;
    state.counters["rows"] = model.rowCount();
}

void BM_TickTableHidden(benchmark::State& state) {
    Tick(state, Table::None);
}
void BM_TickTableShown(benchmark::State& state) {
    Tick(state, Table::Rows);
}
void BM_TickTableShownAndRepainted(benchmark::State& state) {
    Tick(state, Table::RowsAndRepaint);
}
BENCHMARK(BM_TickTableHidden);
BENCHMARK(BM_TickTableShown);
BENCHMARK(BM_TickTableShownAndRepainted);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

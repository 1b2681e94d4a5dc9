// The graph's full draw and one live reading, side by side with the plotting library a Qt
// developer would most likely use instead, drawing the same eight curves of the same data with
// axes, grid and legend at the same size.
//
// Ours: the paint pass into the window's image (a new surface each time, as each paint makes),
// and one reading recorded on it over an overlay (the columns of its stretch drawn again whole,
// the marker, the throttled status).
// Theirs: replot() of a shown plot widget of that size (which draws into its own image buffer),
// the same drawn into a QImage through toPainter(), and one reading put into its four current
// curves followed by replot().
#include <benchmark/benchmark.h>

#include <qcustomplot.h>
#include <QApplication>
#include <cmath>

#include "graph/GraphDC.h"
#include "graph/GraphPasses.h"
#include "core/link/Poll.h"
#include "core/record/StatusPane.h"
#include "core/record/TestRecord.h"
#include "core/record/Units.h"

namespace {

class CNoPane : public CStatusPane {
public:
    void SetStatusText(const std::string& str) override { benchmark::DoNotOptimize(str.data()); }
};

// Lift, drag, Cd and L/D of a wing at slot j (mph x 10), with some measurement noise.
double Lift(int j, double dScale) {
    return dScale * (1.2e-6 * j * j + 0.002 * std::sin(j * 1.7));
}
double Drag(int j, double dScale) {
    return dScale * (0.3e-6 * j * j + 0.001 * std::cos(j * 2.3));
}

// A full test and a full overlay: every slot of all four quantities recorded, all four shown.
TestRecord FullRecord() {
    TestRecord rec(1, 80.0);
    rec.ApplyUnitScales();
    rec.m_cd.m_bVisible = 1;
    rec.m_ld.m_bVisible = 1;
    rec.m_dCdArea = 12.5;
    for (const double dScale : {0.85, 1.0}) {  // the overlay, then the current test
        rec.SetOverlay();
        for (int j = 0; j < SLOT_COUNT; ++j) {
            rec.StoreReading(j, j * 0.1, Lift(j, dScale), Drag(j, dScale));
        }
    }
    rec.m_strComment[0] = "NACA 0012, chord 4 in.";
    rec.m_strComment[1] = "angle of attack 8 deg";
    return rec;
}

// The same picture in the other library: wind along the bottom, force on the left, Cd on the
// right, L/D on an axis of its own that is not shown (the console shows one right-hand scale),
// dotted grid, legend of the current curves, the two comment lines.
class CPeerPlot {
public:
    CPeerPlot(const TestRecord& rec, const QSize& size) {
        m_plot.resize(size);
        m_plot.setAttribute(Qt::WA_DontShowOnScreen);
        m_plot.show();
        QApplication::processEvents();
        m_plot.xAxis->setLabel("Wind Speed (MPH)");
        m_plot.xAxis->setRange(0, 85);
        m_plot.yAxis->setLabel("Force (lbs)");
        m_plot.yAxis->setRange(0, 1);
        m_plot.yAxis2->setVisible(true);
        m_plot.yAxis2->setLabel("Cd @ 12.50 sq. in.");
        m_plot.yAxis2->setRange(0, 2);
        QCPAxis* pLDAxis = m_plot.axisRect()->addAxis(QCPAxis::atRight);
        pLDAxis->setRange(0, 20);
        pLDAxis->setVisible(false);
        m_plot.axisRect()->setBackground(QColor(192, 192, 192));
        m_plot.legend->setVisible(true);
        struct Curve {
            const CurveTable& table;
            QCPAxis* pAxis;
            const char* pName;
        };
        const Curve curves[] = {{rec.m_lift, m_plot.yAxis, "Lift"},
                                {rec.m_drag, m_plot.yAxis, "Drag"},
                                {rec.m_cd, m_plot.yAxis2, "Cd"},
                                {rec.m_ld, pLDAxis, "L/D"}};
        for (bool bOverlay : {true, false}) {
            for (const Curve& curve : curves) {
                QVector<double> keys;
                QVector<double> values;
                const SlotTable& data = bOverlay ? curve.table.m_dOverlay : curve.table.m_dValue;
                for (int j = 0; j < SLOT_COUNT; ++j) {
                    keys.append(j * 0.1);
                    values.append(std::fabs(data[j]));
                }
                QCPGraph* pGraph = m_plot.addGraph(m_plot.xAxis, curve.pAxis);
                pGraph->setData(keys, values, true);
                const COLORREF cr = bOverlay ? curve.table.m_crOverlay : curve.table.m_crValue;
                pGraph->setPen(QPen(QColor(GetRValue(cr), GetGValue(cr), GetBValue(cr))));
                pGraph->setName(curve.pName);
                if (bOverlay) {
                    pGraph->removeFromLegend();
                } else {
                    m_current.append(pGraph);
                }
            }
        }
        auto* pComments = new QCPItemText(&m_plot);
        pComments->position->setType(QCPItemPosition::ptAxisRectRatio);
        pComments->position->setCoords(0.6, 0.02);
        pComments->setPositionAlignment(Qt::AlignLeft | Qt::AlignTop);
        pComments->setText(
            QString::fromStdString(rec.m_strComment[0] + "\n" + rec.m_strComment[1]));
    }

    QCustomPlot m_plot;
    QVector<QCPGraph*> m_current;
};

void BM_OurFullDraw(benchmark::State& state) {
    TestRecord rec = FullRecord();
    QImage image(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)),
                 QImage::Format_RGB32);
    CNoPane pane;
    GraphScreen screen;
    for (auto _ : state) {
        CGraphDC dc(image);
        PaintPass(rec, screen, dc, pane, true);
    }
    benchmark::DoNotOptimize(image.constBits());
}

void BM_PeerReplot(benchmark::State& state) {
    const TestRecord rec = FullRecord();
    CPeerPlot peer(rec, QSize(static_cast<int>(state.range(0)), static_cast<int>(state.range(1))));
    for (auto _ : state) {
        peer.m_plot.replot();
    }
}

void BM_PeerToImage(benchmark::State& state) {
    const TestRecord rec = FullRecord();
    const QSize size(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    CPeerPlot peer(rec, size);
    QImage image(size, QImage::Format_RGB32);
    for (auto _ : state) {
        QCPPainter painter(&image);
        peer.m_plot.toPainter(&painter, size.width(), size.height());
    }
    benchmark::DoNotOptimize(image.constBits());
}

// Readings sweep up and down one slot at a time between 10 and 80 mph, so the tables stay
// full and each reading moves the marker, as a slowly ramping run does. The clock moves on by
// the poll's 150 ms, so about every second reading refreshes the status line.
class CSweep {
public:
    double Next() {
        m_nSlot += m_nStep;
        if (m_nSlot >= 800 || m_nSlot <= 100) {
            m_nStep = -m_nStep;
        }
        return m_nSlot * 0.1 + 0.05;
    }
    int Slot() const { return m_nSlot; }

private:
    int m_nSlot = 400;
    int m_nStep = 1;
};

void BM_OurPointUpdate(benchmark::State& state) {
    TestRecord rec = FullRecord();
    CPollState poll;
    std::int64_t tNow = 0;
    poll.m_fnClock = [&] { return tNow += 150; };
    QImage image(1920, 1080, QImage::Format_RGB32);
    CNoPane pane;
    GraphScreen screen;
    {
        CGraphDC dc(image);
        PaintPass(rec, screen, dc, pane, true);
    }
    CSweep sweep;
    for (auto _ : state) {
        const double dWind = sweep.Next();
        CGraphDC dc(image);
        CWindowDrawing window(dc, screen, pane, [] { return true; });
        CStatusThrottle live(window, poll);
        rec.RecordPoint(live, Lift(sweep.Slot(), 1.01), Drag(sweep.Slot(), 1.01), dWind,
                        RECORD_READING);
        benchmark::DoNotOptimize(dc.TakeChangedRect());
    }
}

void BM_PeerPointUpdate(benchmark::State& state) {
    TestRecord rec = FullRecord();
    CPeerPlot peer(rec, QSize(1920, 1080));
    CSweep sweep;
    for (auto _ : state) {
        sweep.Next();
        const double dKey = sweep.Slot() * 0.1;
        const double values[4] = {Lift(sweep.Slot(), 1.01), Drag(sweep.Slot(), 1.01), 0.5, 4.0};
        for (int k = 0; k < 4; ++k) {
            peer.m_current[k]->data()->remove(dKey);
            peer.m_current[k]->addData(dKey, values[k]);
        }
        peer.m_plot.replot();
    }
}

void Sizes(benchmark::internal::Benchmark* pBench) {
    pBench->Args({1280, 800})->Args({1920, 1080})->Args({3840, 2160});
    pBench->Unit(benchmark::kMillisecond);
}

}  // namespace

BENCHMARK(BM_OurFullDraw)->Apply(Sizes);
BENCHMARK(BM_PeerReplot)->Apply(Sizes);
BENCHMARK(BM_PeerToImage)->Apply(Sizes);
BENCHMARK(BM_OurPointUpdate)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PeerPointUpdate)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

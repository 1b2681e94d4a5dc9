#include "console/LoopProbe.h"

#include <algorithm>
#include <cmath>
#include <ctime>

namespace {

constexpr int PROBE_INTERVAL_MS = 5;
constexpr qint64 NS_PER_MS = 1000000;
constexpr qint64 NS_PER_S = 1000000000;

// The steady clock as other programs read it (CLOCK_MONOTONIC), so that a script can match the
// lines with its own moments.
double SteadySeconds() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

}  // namespace

CLoopProbe::CLoopProbe(const QString& strPath) : m_file(strPath) {
    m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text);
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, [this] { OnFire(); });
    m_clock.start();
    m_nDueNs = m_clock.nsecsElapsed() + PROBE_INTERVAL_MS * NS_PER_MS;
    m_nSecondEndNs = m_clock.nsecsElapsed() + NS_PER_S;
    m_timer.start(PROBE_INTERVAL_MS);
}

CLoopProbe::~CLoopProbe() {
    WriteSecond();
}

void CLoopProbe::OnFire() {
    const qint64 nNow = m_clock.nsecsElapsed();
    m_lateMs.push_back(static_cast<double>(std::max<qint64>(0, nNow - m_nDueNs)) / NS_PER_MS);
    if (nNow >= m_nSecondEndNs) {
        WriteSecond();
        m_nSecondEndNs = nNow + NS_PER_S;
    }
    m_nDueNs = m_clock.nsecsElapsed() + PROBE_INTERVAL_MS * NS_PER_MS;
    m_timer.start(PROBE_INTERVAL_MS);
}

void CLoopProbe::WriteSecond() {
    if (m_lateMs.empty() || !m_file.isOpen()) {
        return;
    }
    std::sort(m_lateMs.begin(), m_lateMs.end());
    const auto nP99 = static_cast<std::size_t>(std::ceil(0.99 * m_lateMs.size())) - 1;
    const QString strLine = QStringLiteral("t=%1 n=%2 p99=%3 max=%4\n")
                                .arg(SteadySeconds(), 0, 'f', 3)
                                .arg(m_lateMs.size())
                                .arg(m_lateMs[nP99], 0, 'f', 2)
                                .arg(m_lateMs.back(), 0, 'f', 2);
    m_file.write(strLine.toUtf8());
    m_file.flush();
    m_lateMs.clear();
}

#pragma once

#include <QElapsedTimer>
#include <QFile>
#include <QObject>
#include <QTimer>
#include <vector>

// How late the window's thread comes back to its event loop: a timer due every few
// milliseconds notes how late it fires. Once a second one line is appended to the file:
//   t=<steady clock, s> n=<timer fires> p99=<ms> max=<ms>
// for the second just past. Made by main when ZEF_LOOP_PROBE names a file; for trials and the
// acceptance suite, not for operators.
class CLoopProbe : public QObject {
public:
    explicit CLoopProbe(const QString& strPath);
    ~CLoopProbe() override;

private:
    void OnFire();
    void WriteSecond();

    QFile m_file;
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_nDueNs = 0;
    qint64 m_nSecondEndNs = 0;
    std::vector<double> m_lateMs;
};

#include "core/link/LineWait.h"

#include <poll.h>

#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>

namespace {

// Rounded up, so that a wait never ends before its deadline.
int MillisLeft(CLineWait::Clock::time_point tDeadline) {
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(tDeadline - CLineWait::Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// One poll() of at most nMs. The revents, 0 for none, -1 for a failure other than a signal.
int PollOnce(int hFile, short nEvents, int nMs) {
    for (;;) {
        pollfd fd = {hFile, nEvents, 0};
        const int n = ::poll(&fd, 1, nMs);
        if (n > 0) {
            return fd.revents;
        }
        if (n == 0) {
            return 0;
        }
        if (errno != EINTR) {
            return -1;
        }
    }
}

}  // namespace

int CPollWait::Wait(int hFile, short nEvents, Clock::time_point tDeadline) {
    for (;;) {
        const int nReady = PollOnce(hFile, nEvents, MillisLeft(tDeadline));
        if (nReady != 0 || Clock::now() >= tDeadline) {
            return nReady;
        }
    }
}

int CEventLoopWait::Wait(int hFile, short nEvents, Clock::time_point tDeadline) {
    for (;;) {
        // The descriptor is asked directly, so that what is already there is taken without a
        // turn of the loop, and a hang-up shows as the poll reports it.
        const int nReady = PollOnce(hFile, nEvents, 0);
        if (nReady != 0) {
            return nReady;
        }
        const int nLeft = MillisLeft(tDeadline);
        if (nLeft == 0) {
            return 0;
        }
        QEventLoop loop;
        QSocketNotifier notifier(
            hFile, (nEvents & POLLOUT) ? QSocketNotifier::Write : QSocketNotifier::Read);
        QObject::connect(&notifier, &QSocketNotifier::activated, &loop, &QEventLoop::quit);
        QTimer timer;
        timer.setSingleShot(true);
        timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
        timer.start(nLeft);
        if (loop.exec() != 0) {
            // The thread's loops are ending (the program is quitting): no loop turns any more,
            // so the rest of the wait blocks as a plain one does.
            return CPollWait().Wait(hFile, nEvents, tDeadline);
        }
    }
}

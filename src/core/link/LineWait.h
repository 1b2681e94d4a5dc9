#pragma once

#include <chrono>

// How the serial device waits for its descriptor. The plain wait blocks the thread in poll();
// the console's wait turns the thread's event loop meanwhile, so that the window repaints and
// takes the operator's input while the controller is slow to answer.
class CLineWait {
public:
    using Clock = std::chrono::steady_clock;

    virtual ~CLineWait() = default;
    // Waits until the descriptor is ready for nEvents (POLLIN, POLLOUT) or the deadline passes.
    // The revents, or 0 when the time ran out, or -1 when the wait itself failed.
    virtual int Wait(int hFile, short nEvents, Clock::time_point tDeadline) = 0;
};

// poll() on the calling thread, blocking it until the descriptor is ready or the time is up.
class CPollWait : public CLineWait {
public:
    int Wait(int hFile, short nEvents, Clock::time_point tDeadline) override;
};

// A wait on a nested event loop of the calling thread, woken by a socket notifier on the
// descriptor or by a timer at the deadline. Timers, paints and input go on meanwhile; what they
// may do while a reply is awaited is for their owners to decide (CLinkGate).
class CEventLoopWait : public CLineWait {
public:
    int Wait(int hFile, short nEvents, Clock::time_point tDeadline) override;
};

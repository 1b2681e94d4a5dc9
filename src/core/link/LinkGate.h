#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <utility>

#include "core/base/Clock.h"

// Keeps the link to one exchange at a time while the window goes on taking input during a
// reply's wait. The link's work (a poll tick, a run command, start-up's exchanges) is marked
// for its whole course; what the operator does meanwhile waits its turn and runs, in order, as
// soon as that work is over, a stop ahead of everything else. A poll tick that comes due during
// an exchange runs once after the work around it, as a timer held up by a busy line would.
class CLinkGate {
public:
    // The link's work, for the lifetime of the object.
    class CWork {
    public:
        explicit CWork(CLinkGate& gate) : m_gate(gate) { ++m_gate.m_nWork; }
        ~CWork() { m_gate.LeaveWork(); }
        CWork(const CWork&) = delete;
        CWork& operator=(const CWork&) = delete;

    private:
        CLinkGate& m_gate;
    };

    // One exchange on the line, from its command to the end of its reply.
    class CExchange {
    public:
        explicit CExchange(CLinkGate& gate);
        ~CExchange() { --m_gate.m_nExchanges; }
        CExchange(const CExchange&) = delete;
        CExchange& operator=(const CExchange&) = delete;

    private:
        CLinkGate& m_gate;
    };

    explicit CLinkGate(CClock fnClock = ProcessMillis) : m_fnClock(std::move(fnClock)) {}

    // The link is at work or a reply is awaited: what the operator asks for must wait.
    bool Busy() const { return m_nWork > 0 || m_nExchanges > 0; }
    bool Exchanging() const { return m_nExchanges > 0; }
    // How long the exchange in progress has lasted, in ms; 0 when there is none.
    std::int64_t ExchangeMillis() const;

    // Runs what the operator asked for now when the link is idle, else once its work is over.
    // Stops go ahead of what waits, each stop after the stops before it. What waits runs as
    // soon as the outermost work ends, each action in turn.
    void Submit(std::function<void()> fnAction, bool bStop = false);
    std::size_t Waiting() const { return m_actions.size(); }

    // What runs a poll tick that came due during an exchange (once the work around it is over).
    void SetTickRunner(std::function<void()> fnTick) { m_fnTick = std::move(fnTick); }
    // A poll tick came due: true when it may run now. During an exchange it is held instead.
    bool AdmitTick();
    // The poll timer was stopped or started afresh: a tick held from the old one is forgotten.
    void DropTick() { m_bTickDue = false; }

private:
    void LeaveWork();

    int m_nWork = 0;
    int m_nExchanges = 0;
    std::int64_t m_tExchangeStart = 0;
    bool m_bDraining = false;
    bool m_bTickDue = false;
    bool m_bRunningTicks = false;
    std::size_t m_nStops = 0;  // how many of the waiting actions, at the front, are stops
    std::deque<std::function<void()>> m_actions;
    std::function<void()> m_fnTick;
    CClock m_fnClock;
};

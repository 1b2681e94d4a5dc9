#include "core/link/LinkGate.h"

#include <utility>

CLinkGate::CExchange::CExchange(CLinkGate& gate) : m_gate(gate) {
    if (m_gate.m_nExchanges++ == 0) {
        m_gate.m_tExchangeStart = m_gate.m_fnClock();
    }
}

std::int64_t CLinkGate::ExchangeMillis() const {
    return m_nExchanges > 0 ? m_fnClock() - m_tExchangeStart : 0;
}

void CLinkGate::Submit(std::function<void()> fnAction, bool bStop) {
    if (!Busy()) {
        fnAction();
        return;
    }
    if (bStop) {
        m_actions.insert(m_actions.begin() + static_cast<std::ptrdiff_t>(m_nStops),
                         std::move(fnAction));
        ++m_nStops;
    } else {
        m_actions.push_back(std::move(fnAction));
    }
}

bool CLinkGate::AdmitTick() {
    if (Exchanging()) {
        m_bTickDue = true;
        return false;
    }
    return true;
}

void CLinkGate::LeaveWork() {
    --m_nWork;
    if (Exchanging()) {
        return;
    }
    // Held ticks run one after another from here, not each inside the last one's end, which
    // on a controller slower than the poll would nest without bound.
    if (!m_bRunningTicks) {
        m_bRunningTicks = true;
        while (!Exchanging() && std::exchange(m_bTickDue, false) && m_fnTick) {
            m_fnTick();
        }
        m_bRunningTicks = false;
    }
    if (Busy() || m_bDraining) {
        return;
    }
    // Each action may be link work of its own, which ends here again: the loop below takes the
    // rest in turn instead.
    m_bDraining = true;
    while (!m_actions.empty() && !Busy()) {
        std::function<void()> fnAction = std::move(m_actions.front());
        m_actions.pop_front();
        if (m_nStops > 0) {
            --m_nStops;
        }
        fnAction();
    }
    m_bDraining = false;
}

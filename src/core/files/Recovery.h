#pragma once

#include <QString>
#include <cstdint>

#include "core/base/Clock.h"

class TestRecord;

// The copy of an unsaved test that a crash, a power cut or a closed window cannot take: kept in
// the test-file format beside the operator's other state, written whole or not at all, and
// offered back at the next start. It decides when to write and what to do with what it finds;
// the console tells it what happened to the test.
class CRecovery {
public:
    // A newly recorded point reaches the file within this long (ticks check the deadline).
    static constexpr std::int64_t WRITE_DELAY_MS = 1000;

    CRecovery(QString strPath, CClock fnClock);

    // $XDG_STATE_HOME/zef/unsaved.ZEF, else ~/.local/state/zef/unsaved.ZEF.
    static QString DefaultPath();
    const QString& Path() const { return m_strPath; }
    void SetPath(const QString& strPath) { m_strPath = strPath; }

    // A reading was recorded: the test now differs from any saved copy, and the file follows
    // by the deadline.
    void PointRecorded();
    // Something else of the test changed that a save would keep (its comments).
    void Changed() { m_bUnsaved = true; }
    // The deadline of a recorded point has passed.
    bool Due() const;
    // Around each poll tick: a tick that recorded a reading sets the deadline, and the copy is
    // written once it has passed, or when the run ended with the tick. AfterTick is true when
    // the tick recorded a reading.
    void BeforeTick(const TestRecord& rec);
    bool AfterTick(const TestRecord& rec, bool bRunEnded);
    // Writes the test when it holds recorded points that are not saved; clears the deadline.
    // False only when a write was tried and failed (LastError says why).
    bool Write(const TestRecord& rec);
    // The test was saved, or emptied on purpose: nothing is left to keep, and the file goes.
    void Saved();
    // The test was replaced by one that was never recorded here (Open, New, Clear): it is not
    // unsaved; the file stays until something newer is kept or the operator says otherwise.
    void Replaced() { m_bUnsaved = false, m_tDeadline = NO_DEADLINE; }

    bool Unsaved() const { return m_bUnsaved; }
    void SetUnsaved(bool bUnsaved) { m_bUnsaved = bUnsaved; }
    const QString& LastError() const { return m_strError; }

    // While a copy found at start-up waits for the operator's answer, nothing replaces it.
    void Hold(bool bHold) { m_bHeld = bHold; }

    // What start-up finds at the path.
    struct Found {
        enum Kind { NOTHING, TEST, KEPT_ASIDE } kind = NOTHING;
        QString strKeptAs;  // KEPT_ASIDE: where the unreadable file went ("" when it could not)
        QString strReason;  // KEPT_ASIDE: why it could not be read
    };
    // Looks at the file: a complete test file with recorded points is a TEST (read into rec);
    // one without points is removed; one that cannot be read whole is renamed with its time.
    Found Look(TestRecord& rec) const;
    // Removes the file; true when it is gone.
    bool Remove() const;

private:
    static constexpr std::int64_t NO_DEADLINE = -1;

    QString m_strPath;
    CClock m_fnClock;
    std::int64_t m_tDeadline = NO_DEADLINE;
    bool m_bUnsaved = false;
    bool m_bHeld = false;
    QString m_strError;
    // Where the last reading went and what it was, before the tick.
    int m_nLastSlot = 0;
    double m_dLastLift = 0.0;
    double m_dLastDrag = 0.0;
};

// True when any slot above zero holds a reading.
bool HoldsPoints(const TestRecord& rec);

#pragma once

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "core/record/TestRecord.h"

// Stands in for the graph: writes down each drawing step RecordPoint asks for, in order, as
// "erase l-h", "draw l-h", "marker <speed> <show>" and "status <speed>".
class CRecordingDrawing : public CRecordDrawing {
public:
    void EraseStretch(TestRecord&, int nFrom, int nTo) override { Note("erase %d-%d", nFrom, nTo); }
    void DrawStretch(TestRecord&, int nFrom, int nTo) override { Note("draw %d-%d", nFrom, nTo); }
    void MoveSpeedMarker(TestRecord&, double dSpeed, int bShow) override {
        Note("marker %g %d", dSpeed, bShow);
    }
    void ShowStatus(TestRecord&, double dSpeed, double, double, double, double) override {
        Note("status %g", dSpeed);
    }
    std::vector<std::string> Take() { return std::exchange(m_calls, {}); }

    std::vector<std::string> m_calls;

private:
    template <typename... Args>
    void Note(const char* pFormat, Args... args) {
        char buf[64];
        std::snprintf(buf, sizeof buf, pFormat, args...);
        m_calls.push_back(buf);
    }
};

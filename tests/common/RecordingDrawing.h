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
    void EraseStretch(const TestRecord&, int l, int h) override { Note("erase %d-%d", l, h); }
    void DrawStretch(const TestRecord&, int l, int h) override { Note("draw %d-%d", l, h); }
    void MoveSpeedMarker(const TestRecord&, double d, int b) override {
        Note("marker %g %d", d, b);
    }
    void ShowStatus(const TestRecord&, double d, double, double, double, double) override {
        Note("status %g", d);
    }
    std::vector<std::string> Take() { return std::exchange(m_calls, {}); }

    std::vector<std::string> m_calls;

private:
    void Note(const char* pFormat, auto... args) {
        char buf[64];
        std::snprintf(buf, sizeof buf, pFormat, args...);
        m_calls.push_back(buf);
    }
};

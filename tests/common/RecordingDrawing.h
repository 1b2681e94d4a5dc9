#pragma once

#include <string>
#include <vector>

#include "run/TestRecord.h"

// Stands in for the graph: writes down each drawing step RecordPoint asks for, in order, as
// "erase l-h", "draw l-h", "marker <speed> <show>" and "status <speed>".
class CRecordingDrawing : public CRecordDrawing {
public:
    void EraseStretch(TestRecord&, int nFrom, int nTo) override {
        m_calls.push_back("erase " + std::to_string(nFrom) + "-" + std::to_string(nTo));
    }
    void DrawStretch(TestRecord&, int nFrom, int nTo) override {
        m_calls.push_back("draw " + std::to_string(nFrom) + "-" + std::to_string(nTo));
    }
    void MoveSpeedMarker(TestRecord&, double dSpeed, int bShow) override {
        char buf[64];
        std::snprintf(buf, sizeof buf, "marker %g %d", dSpeed, bShow);
        m_calls.push_back(buf);
    }
    void ShowStatus(TestRecord&, double dSpeed, double, double, double, double) override {
        char buf[64];
        std::snprintf(buf, sizeof buf, "status %g", dSpeed);
        m_calls.push_back(buf);
    }
    std::vector<std::string> Take() {
        std::vector<std::string> calls;
        calls.swap(m_calls);
        return calls;
    }

    std::vector<std::string> m_calls;
};

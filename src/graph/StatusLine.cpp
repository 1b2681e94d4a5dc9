#include "graph/StatusLine.h"

#include "core/base/NumberText.h"
#include "core/record/Units.h"

namespace {

// ", Cd: 0.1234", or the asterisks for a number that cannot be shown.
std::string Quantity(const char* pName, double dValue) {
    std::string str = std::string(", ") + pName + ": ";
    return str + (dValue < NOT_COMPUTABLE ? FormatFixed(dValue, 4, 4) : "******");
}

}  // namespace

std::string FormatStatus(const TestRecord& rec, bool bRunning, double dSpeed, double dLift,
                         double dDrag, double dCd, double dLD) {
    const char* pSpeedUnit = rec.m_bEnglish ? " MPH." : " KPH.";
    const char* pForceUnit = rec.m_bEnglish ? " lbs." : " kg.";
    std::string str = bRunning ? "RUNNING - " : "STOPPED - ";
    str += "Wind Speed: " + FormatFixed(dSpeed, 1, 4) + pSpeedUnit;
    str += ", Lift: " + FormatFixed(dLift, 3, 4, true) + pForceUnit;
    str += ", Drag: " + FormatFixed(dDrag, 3, 4) + pForceUnit;
    if (rec.m_cd.m_bVisible) {
        str += Quantity("Cd", dCd);
    }
    if (rec.m_ld.m_bVisible) {
        str += Quantity("L/D", dLD);
    }
    return str;
}

void ShowStatus(const TestRecord& rec, CStatusPane& pane, bool bRunning, double dSpeed,
                double dLift, double dDrag, double dCd, double dLD) {
    pane.SetStatusText(FormatStatus(rec, bRunning, dSpeed, dLift, dDrag, dCd, dLD));
}

#include "core/record/TestRecord.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "core/base/NumberText.h"
#include "core/record/Units.h"

namespace {

struct Steps {
    double dMajor;
    double dMinor;
};

// Major and minor tick steps by range 1..5.
constexpr Steps SPEED_STEPS_ENGLISH[5] = {{10, 1}, {5, 1}, {2, 0.2}, {1, 0.1}, {0.5, 0.1}};
constexpr Steps SPEED_STEPS_METRIC[5] = {{20, 2}, {10, 2}, {5, 1}, {2, 0.1}, {1, 0.1}};
constexpr Steps FORCE_STEPS_ENGLISH[5] = {
    {0.2, 0.02}, {0.1, 0.01}, {0.05, 0.005}, {0.02, 0.005}, {0.01, 0.002}};
constexpr Steps FORCE_STEPS_METRIC[5] = {
    {0.1, 0.01}, {0.05, 0.005}, {0.02, 0.002}, {0.01, 0.001}, {0.005, 0.001}};
constexpr Steps CD_STEPS[5] = {{0.2, 0.02}, {0.1, 0.01}, {0.05, 0.005}, {0.02, 0.005}, {0.01, 0.002}};
constexpr Steps LD_STEPS[5] = {{2, 0.2}, {1, 0.1}, {0.5, 0.05}, {0.2, 0.05}, {0.1, 0.02}};

// Stores the range and, for ranges 1..5, its steps; other ranges keep the steps they had.
void SetRange(GraphAxis& axis, int nIndex, const Steps (&steps)[5]) {
    axis.m_nRange = nIndex;
    if (nIndex >= 1 && nIndex <= 5) {
        axis.m_dMajorStep = steps[nIndex - 1].dMajor;
        axis.m_dMinorStep = steps[nIndex - 1].dMinor;
    }
}

GraphAxis MakeAxis(CRect rcArea, double dFullScale, int nScale) {
    GraphAxis axis;
    axis.m_rcArea = rcArea;
    axis.m_dMin = 0.0;
    axis.m_dFullScale = dFullScale;
    axis.m_nScale = nScale;
    return axis;
}

CurveTable MakeCurve(COLORREF crValue, COLORREF crOverlay, int bVisible) {
    CurveTable table;
    table.m_dValue.fill(EMPTY_SLOT);
    table.m_dOverlay.fill(EMPTY_SLOT);
    table.m_crValue = crValue;
    table.m_crOverlay = crOverlay;
    table.m_nPenStyle = 0;
    table.m_bVisible = bVisible;
    return table;
}

}  // namespace

double DisplayedTop(const GraphAxis& axis) {
    // ldexp halves exactly and cannot overflow a shift, whatever range an axis holds.
    return std::ldexp(axis.m_dFullScale, 1 - axis.m_nRange);
}

double DisplayedBottom(const GraphAxis& axis) { return std::ldexp(axis.m_dMin, 1 - axis.m_nRange); }

int RangeFromText(double dBase, std::string_view text, int nCurrentRange) {
    const double x = LeadingNumber(text).value_or(0.0);
    if (!(x > 0)) {
        return nCurrentRange;
    }
    const double dRatio = dBase / x;
    if (!(dRatio < 2147483648.0)) {
        return nCurrentRange;
    }
    // The count of binary digits of trunc(base / x): 1 -> 1, 2..3 -> 2, 4..7 -> 3, ...
    auto n = static_cast<std::uint32_t>(dRatio);
    if (n == 0) {
        return 1;
    }
    int nRange = 0;
    while (n != 0) {
        n >>= 1;
        ++nRange;
    }
    return nRange;
}

void BlankControlCharacters(std::string& str, std::size_t nFrom) {
    for (std::size_t i = nFrom; i < str.size(); ++i) {
        const auto c = static_cast<unsigned char>(str[i]);
        if (c < 0x20 || c == 0x7f) {
            str[i] = ' ';
        }
    }
}

int SlotOfSpeed(double dSpeed) {
    const double dSlot = std::trunc(dSpeed * 10);
    if (!(dSlot >= 0)) {
        return -1;
    }
    return dSlot > LAST_SLOT ? SLOT_COUNT : static_cast<int>(dSlot);
}

TestRecord::TestRecord(int bEnglish, double dMaxSpeed)
    : m_axisWind(MakeAxis({80, 920, 985, 990}, 80.0, 1)),
      m_axisForce(MakeAxis({0, 15, 80, 920}, 2.0, 10000)),
      m_axisCd(MakeAxis({905, 15, 985, 920}, 2.0, 1000)),
      m_axisLD(MakeAxis({905, 15, 985, 920}, 20.0, 100)),
      m_lift(MakeCurve(RGB(255, 0, 0), RGB(128, 0, 0), 1)),
      m_drag(MakeCurve(RGB(0, 0, 255), RGB(0, 0, 128), 1)),
      m_cd(MakeCurve(RGB(0, 255, 0), RGB(0, 128, 0), 0)),
      m_ld(MakeCurve(RGB(0, 255, 255), RGB(0, 128, 128), 0)),
      m_bEnglish(bEnglish),
      m_dMaxSpeed(dMaxSpeed) {
    SetDefaultRanges();
}

void TestRecord::SetDefaultRanges() {
    SetSpeedRange(1);
    SetForceRange(2);
    SetCdRange(1);
    SetLDRange(1);
}

double TestRecord::WindTopSlots() const { return DisplayedTop(m_axisWind) * 10; }

int TestRecord::LastDrawnSlot() const {
    return std::clamp(SlotOfSpeed(DisplayedTop(m_axisWind)), 0, LAST_SLOT);
}

void TestRecord::EmptySlots(int nFirst, int nLast) {
    nFirst = std::max(nFirst, 0);
    nLast = std::min(nLast, LAST_SLOT);
    for (int i = nFirst; i <= nLast; ++i) {
        m_lift.m_dValue[i] = EMPTY_SLOT;
        m_drag.m_dValue[i] = EMPTY_SLOT;
        m_cd.m_dValue[i] = EMPTY_SLOT;
        m_ld.m_dValue[i] = EMPTY_SLOT;
    }
}

void TestRecord::RecordPoint(CRecordDrawing& dc, double dLift, double dDrag, double dWind,
                             int nMode) {
    if (nMode == RECORD_CLEAR) {
        EmptySlots(0, LAST_SLOT);
        m_lift.m_dValue[0] = m_drag.m_dValue[0] = m_cd.m_dValue[0] = m_ld.m_dValue[0] = 0.0;
        m_nLastSlot = 0;
        dc.MoveSpeedMarker(*this, 0, 0);
        ClearComments();
        return;
    }
    if (nMode == RECORD_STOP) {
        dc.MoveSpeedMarker(*this, 0, 1);
        m_nLastSlot = 0;
        return;
    }

    // A reading that is not a number, or has no slot, has no place in the tables.
    if (!std::isfinite(dLift) || !std::isfinite(dDrag) || !std::isfinite(dWind)) {
        return;
    }
    const int g = SlotOfSpeed(dWind);
    if (!IsSlot(g)) {
        return;
    }
    const int nLast = m_nLastSlot;
    // A top of 21.25 draws slot 212 and none above it. The live update erases and draws only up
    // to it, as a full draw would, whatever the reading.
    const int nTopSlot = LastDrawnSlot();
    auto erase = [&](int nFrom, int nTo) {
        if (nFrom <= nTopSlot) {
            dc.EraseStretch(*this, nFrom, std::min(nTo, nTopSlot));
        }
    };

    // Upper neighbour: the next recorded slot above g up to the last drawn one, else g. It takes
    // in that slot itself: a reading just below it must redraw the line up to it. A slot beyond
    // it was never drawn, and erasing a line to it would draw one.
    int h = g + 1;
    while (h < nTopSlot && !IsRecorded(h)) {
        ++h;
    }
    if (h > nTopSlot || !IsRecorded(h)) {
        h = g;
    }
    // Lower neighbour: the previous recorded slot below g, else slot 0.
    int l = 0;
    if (g != 0) {
        l = g - 1;
        while (!IsRecorded(l) && l > 0) {
            --l;
        }
    }

    if (nLast < g) {
        // The wind has risen: everything it passed over since the last reading goes.
        l = std::min(l, nLast);
        erase(l, h);
        EmptySlots(nLast + 1, g);
    } else if (nLast > g) {
        // The wind has fallen: the slots from here up to the last reading go; the last stays.
        h = std::max(h, nLast);
        erase(l, h);
        EmptySlots(g, nLast - 1);
    } else {
        erase(l, h);
    }

    StoreReading(g, dWind, dLift, dDrag);

    if (!IsRecorded(l)) {
        l = g;
    }
    if (!IsRecorded(h)) {
        h = g;
    }
    if (l <= nTopSlot) {
        dc.DrawStretch(*this, l, std::min(h, nTopSlot));
    }

    if (g != nLast) {
        dc.MoveSpeedMarker(*this, dWind, 1);
    }
    m_nLastSlot = g;
    dc.ShowStatus(*this, dWind, dLift, dDrag, m_cd.m_dValue[g], m_ld.m_dValue[g]);
}

void TestRecord::ClearComments() {
    for (auto& str : m_strComment) {
        str.clear();
    }
}

void TestRecord::SetOverlay() {
    for (CurveTable* pTable : {&m_lift, &m_drag, &m_cd, &m_ld}) {
        pTable->m_dOverlay = pTable->m_dValue;
        pTable->m_dValue.fill(EMPTY_SLOT);
    }
}

void TestRecord::ClearOverlay() {
    for (CurveTable* pTable : {&m_lift, &m_drag, &m_cd, &m_ld}) {
        ClearOverlayTable(*pTable);
    }
}

void TestRecord::ClearOverlayTable(CurveTable& table) { table.m_dOverlay.fill(EMPTY_SLOT); }

int TestRecord::FirstRecordedSlot() const {
    int k = 1;
    if (IsRecorded(1)) {
        return 1;
    }
    const double t = WindTopSlots();
    while (k < t && k < LAST_SLOT) {
        ++k;
        if (IsRecorded(k)) {
            break;
        }
    }
    return k;
}

double TestRecord::DragCoefficient(double dSpeed, double dDrag) const {
    return ::DragCoefficient(m_bEnglish != 0, m_dCdArea, dSpeed, dDrag);
}

void TestRecord::StoreReading(int nSlot, double dWind, double dLift, double dDrag) {
    const bool bDerived = dWind >= DERIVED_MIN_SPEED;
    m_lift.m_dValue[nSlot] = dLift;
    m_drag.m_dValue[nSlot] = dDrag;
    m_cd.m_dValue[nSlot] = bDerived ? DragCoefficient(dWind, dDrag) : 0.0;
    m_ld.m_dValue[nSlot] = bDerived ? LiftDragRatio(dLift, dDrag) : 0.0;
}

void TestRecord::SetSpeedRange(int nIndex) {
    SetRange(m_axisWind, nIndex, m_bEnglish ? SPEED_STEPS_ENGLISH : SPEED_STEPS_METRIC);
}

void TestRecord::SetForceRange(int nIndex) {
    SetRange(m_axisForce, nIndex, m_bEnglish ? FORCE_STEPS_ENGLISH : FORCE_STEPS_METRIC);
}

void TestRecord::SetCdRange(int nIndex) { SetRange(m_axisCd, nIndex, CD_STEPS); }

void TestRecord::SetLDRange(int nIndex) { SetRange(m_axisLD, nIndex, LD_STEPS); }

void TestRecord::ApplyUnitScales() {
    const int nForceRange = m_axisForce.m_nRange;
    SetForceRange(1);
    m_axisWind.m_dFullScale = m_bEnglish ? 85.0 : 140.0;
    m_axisForce.m_dFullScale = m_bEnglish ? 2.0 : 1.0;
    m_axisForce.m_dMin = 0;
    SetForceRange(nForceRange);
}

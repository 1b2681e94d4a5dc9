#include "graph/GraphPasses.h"

#include <algorithm>

#include "graph/StatusLine.h"
#include "core/record/Units.h"

void OnDraw(TestRecord& rec, CGraphDC& dc, CStatusPane& pane, bool bRunning) {
    rec.m_crBackground = dc.IsPrinting() ? COLOR_WHITE : COLOR_LIGHT_GREY;
    rec.ApplyUnitScales();
    RedrawAll(rec, dc, pane, bRunning);
}

void RedrawAll(TestRecord& rec, CGraphDC& dc, CStatusPane& pane, bool bRunning) {
    // Clearing the page takes the marker with it. Drawing it again in exclusive-or to remove it
    // would leave a line wherever it stood outside the plot, and on paper, which knows no
    // exclusive-or, anywhere.
    rec.m_bMarkerShown = 0;
    rec.m_dMarkerSpeed = EMPTY_SLOT;
    ClearSurface(rec, dc, PlotFrameArea(rec, dc));
    DrawSpeedAxis(rec, dc);
    DrawForceAxis(rec, dc);
    DrawPlotFrame(rec, dc);
    ShowStatus(rec, pane, bRunning, 0, 0, 0, 0, NOT_COMPUTABLE);
    DrawCurves(rec, dc, DRAW_COPY);
}

void RedrawPlot(TestRecord& rec, CGraphDC& dc) {
    DrawPlotFrame(rec, dc);
    DrawCurves(rec, dc, DRAW_COPY);
}

void PaintPass(TestRecord& rec, CGraphDC& dc, CStatusPane& pane, bool bRunning) {
    rec.m_rcClient = CRect{0, 0, dc.Width(), dc.Height()};
    OnDraw(rec, dc, pane, bRunning);
}

namespace {

// The graph's height on a page: on paper taller than wide it keeps the proportions the same
// paper has turned, at the top of the page, so that its scales and comments fit across it as
// they do on a landscape page.
int PrintedHeight(int nWidth, int nHeight) {
    if (nHeight <= nWidth) {
        return nHeight;
    }
    return std::max(1, static_cast<int>(static_cast<long long>(nWidth) * nWidth / nHeight));
}

}  // namespace

void PrintPass(TestRecord& rec, CGraphDC& dc, CStatusPane& pane, bool bRunning) {
    const CRect rcClient = rec.m_rcClient;
    // The page's draw forgets the marker; the window still shows it, and the next reading must
    // remove it there.
    const std::int32_t bMarkerShown = rec.m_bMarkerShown;
    const double dMarkerSpeed = rec.m_dMarkerSpeed;
    rec.m_rcClient = CRect{0, 0, dc.Width(), PrintedHeight(dc.Width(), dc.Height())};
    OnDraw(rec, dc, pane, bRunning);
    rec.m_rcClient = rcClient;
    rec.m_crBackground = COLOR_LIGHT_GREY;
    rec.m_bMarkerShown = bMarkerShown;
    rec.m_dMarkerSpeed = dMarkerSpeed;
}

void CWindowDrawing::DrawFourCurves(TestRecord& rec, int nFromSlot, int nToSlot) {
    const double a = nFromSlot * 0.1;
    const double b = nToSlot * 0.1;
    DrawCurve(rec, m_dc, rec.m_lift, rec.m_axisForce, a, b, DRAW_XOR);
    DrawCurve(rec, m_dc, rec.m_drag, rec.m_axisForce, a, b, DRAW_XOR);
    DrawCurve(rec, m_dc, rec.m_cd, rec.m_axisCd, a, b, DRAW_XOR);
    DrawCurve(rec, m_dc, rec.m_ld, rec.m_axisLD, a, b, DRAW_XOR);
}

void CWindowDrawing::EraseStretch(TestRecord& rec, int nFromSlot, int nToSlot) {
    DrawFourCurves(rec, nFromSlot, nToSlot);
}

void CWindowDrawing::DrawStretch(TestRecord& rec, int nFromSlot, int nToSlot) {
    DrawFourCurves(rec, nFromSlot, nToSlot);
}

void CWindowDrawing::MoveSpeedMarker(TestRecord& rec, double dSpeed, int bShow) {
    ::MoveSpeedMarker(rec, m_dc, dSpeed, bShow);
}

void CWindowDrawing::ShowStatus(TestRecord& rec, double dSpeed, double dLift, double dDrag,
                                double dCd, double dLD) {
    ::ShowStatus(rec, m_pane, m_fnRunning && m_fnRunning(), dSpeed, dLift, dDrag, dCd, dLD);
}

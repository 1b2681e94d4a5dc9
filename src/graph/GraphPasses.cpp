#include "graph/GraphPasses.h"

#include <algorithm>

#include "core/record/Units.h"
#include "graph/StatusLine.h"

void OnDraw(const TestRecord& rec, GraphScreen& scr, CGraphDC& dc, CStatusPane& pane,
            bool bRunning) {
    scr.m_crBackground = dc.IsPrinting() ? COLOR_WHITE : COLOR_LIGHT_GREY;
    RedrawAll(rec, scr, dc, pane, bRunning);
}

void RedrawAll(const TestRecord& rec, GraphScreen& scr, CGraphDC& dc, CStatusPane& pane,
               bool bRunning) {
    // Clearing the page takes the marker with it. Drawing it again in exclusive-or to remove it
    // would leave a line wherever it stood outside the plot, and on paper, which knows no
    // exclusive-or, anywhere.
    scr.m_bMarkerShown = 0;
    scr.m_dMarkerSpeed = EMPTY_SLOT;
    ClearSurface(scr, dc, PlotFrameArea(rec, scr, dc));
    DrawSpeedAxis(rec, scr, dc);
    DrawForceAxis(rec, scr, dc);
    DrawPlotFrame(rec, scr, dc);
    ShowStatus(rec, pane, bRunning, 0, 0, 0, 0, NOT_COMPUTABLE);
    DrawCurves(rec, scr, dc, DRAW_COPY);
}

void RedrawPlot(const TestRecord& rec, GraphScreen& scr, CGraphDC& dc) {
    DrawPlotFrame(rec, scr, dc);
    DrawCurves(rec, scr, dc, DRAW_COPY);
}

void PaintPass(const TestRecord& rec, GraphScreen& scr, CGraphDC& dc, CStatusPane& pane,
               bool bRunning) {
    scr.m_rcClient = CRect{0, 0, dc.Width(), dc.Height()};
    OnDraw(rec, scr, dc, pane, bRunning);
}

void PaintPass(const TestRecord& rec, CGraphDC& dc, CStatusPane& pane, bool bRunning) {
    GraphScreen scr;
    PaintPass(rec, scr, dc, pane, bRunning);
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

void PrintPass(const TestRecord& rec, CGraphDC& dc, CStatusPane& pane, bool bRunning) {
    GraphScreen page;
    page.m_rcClient = CRect{0, 0, dc.Width(), PrintedHeight(dc.Width(), dc.Height())};
    OnDraw(rec, page, dc, pane, bRunning);
}

void CWindowDrawing::DrawFourCurves(const TestRecord& rec, int nFromSlot, int nToSlot) {
    const double a = nFromSlot * 0.1;
    const double b = nToSlot * 0.1;
    DrawCurve(rec, m_scr, m_dc, rec.m_lift, rec.m_axisForce, a, b, DRAW_XOR);
    DrawCurve(rec, m_scr, m_dc, rec.m_drag, rec.m_axisForce, a, b, DRAW_XOR);
    DrawCurve(rec, m_scr, m_dc, rec.m_cd, rec.m_axisCd, a, b, DRAW_XOR);
    DrawCurve(rec, m_scr, m_dc, rec.m_ld, rec.m_axisLD, a, b, DRAW_XOR);
}

void CWindowDrawing::EraseStretch(const TestRecord& rec, int nFromSlot, int nToSlot) {
    DrawFourCurves(rec, nFromSlot, nToSlot);
}

void CWindowDrawing::DrawStretch(const TestRecord& rec, int nFromSlot, int nToSlot) {
    DrawFourCurves(rec, nFromSlot, nToSlot);
}

void CWindowDrawing::MoveSpeedMarker(const TestRecord& rec, double dSpeed, int bShow) {
    ::MoveSpeedMarker(rec, m_scr, m_dc, dSpeed, bShow);
}

void CWindowDrawing::ShowStatus(const TestRecord& rec, double dSpeed, double dLift, double dDrag,
                                double dCd, double dLD) {
    ::ShowStatus(rec, m_pane, m_fnRunning && m_fnRunning(), dSpeed, dLift, dDrag, dCd, dLD);
}

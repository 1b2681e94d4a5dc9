#include "graph/GraphPasses.h"

#include <algorithm>
#include <climits>

#include "core/record/Units.h"
#include "graph/StatusLine.h"

void OnDraw(const TestRecord& rec, GraphScreen& scr, CGraphDC& dc, CStatusPane& pane,
            bool bRunning) {
    scr.m_crBackground = dc.IsPrinting() ? COLOR_WHITE : COLOR_LIGHT_GREY;
    RedrawAll(rec, scr, dc, pane, bRunning);
}

namespace {

// Everything a full draw puts on the surface but the status line. Clearing the page takes the
// marker with it. Drawing it again in exclusive-or to remove it would leave a line wherever it
// stood outside the plot, and on paper, which knows no exclusive-or, anywhere.
void DrawGraph(const TestRecord& rec, GraphScreen& scr, CGraphDC& dc) {
    scr.m_bMarkerShown = 0;
    scr.m_dMarkerSpeed = EMPTY_SLOT;
    ClearSurface(scr, dc, PlotFrameArea(rec, scr, dc));
    DrawSpeedAxis(rec, scr, dc);
    DrawForceAxis(rec, scr, dc);
    DrawPlotFrame(rec, scr, dc);
    DrawCurves(rec, scr, dc, DRAW_COPY);
}

}  // namespace

void RedrawAll(const TestRecord& rec, GraphScreen& scr, CGraphDC& dc, CStatusPane& pane,
               bool bRunning) {
    DrawGraph(rec, scr, dc);
    ShowStatus(rec, pane, bRunning, 0, 0, 0, 0, NOT_COMPUTABLE);
}

void RedrawPlot(const TestRecord& rec, GraphScreen& scr, CGraphDC& dc) {
    // Curves above the top of the force scale are drawn above the plot, over the page: the page
    // is drawn again with the plot so that none of them is left behind.
    DrawGraph(rec, scr, dc);
}

void RedrawArea(const TestRecord& rec, GraphScreen& scr, CGraphDC& dc, const QRect& rcArea) {
    // The marker lies over the picture in exclusive-or: it comes off whole before the area is
    // drawn (a clipped removal would cut it) and goes back over the new picture.
    const int bMarkerShown = scr.m_bMarkerShown;
    const double dMarkerSpeed = scr.m_dMarkerSpeed;
    ::MoveSpeedMarker(rec, scr, dc, 0, 0);
    dc.SetClip(rcArea);
    DrawGraph(rec, scr, dc);
    dc.SetClip(QRect());
    ::MoveSpeedMarker(rec, scr, dc, dMarkerSpeed == EMPTY_SLOT ? 0 : dMarkerSpeed, bMarkerShown);
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

void CWindowDrawing::EraseStretch(const TestRecord&, int nFromSlot, int nToSlot) {
    // What the stretch held goes when the columns it covers are drawn again with the new values.
    m_nFromSlot = std::min(m_nFromSlot, nFromSlot);
    m_nToSlot = std::max(m_nToSlot, nToSlot);
}

void CWindowDrawing::DrawStretch(const TestRecord& rec, int nFromSlot, int nToSlot) {
    EraseStretch(rec, nFromSlot, nToSlot);
    RedrawStretch(rec);
}

void CWindowDrawing::RedrawStretch(const TestRecord& rec) {
    if (m_nFromSlot > m_nToSlot) {
        return;
    }
    // Lines between two slots lie in the columns from the first slot's to the last's; a steep one
    // reaches its pen's width to the right of them.
    MapPlot(rec, m_scr, m_dc, rec.m_axisForce, 0);
    const int nMargin = m_dc.LineWidth() + 1;
    const int x0 = m_dc.ToDevice(m_nFromSlot, 0).x() - nMargin;
    const int x1 = m_dc.ToDevice(m_nToSlot, 0).x() + nMargin;
    m_nFromSlot = INT_MAX;
    m_nToSlot = INT_MIN;
    RedrawArea(rec, m_scr, m_dc, QRect(QPoint(x0, 0), QPoint(x1, m_dc.Height() - 1)));
}

void CWindowDrawing::MoveSpeedMarker(const TestRecord& rec, double dSpeed, int bShow) {
    RedrawStretch(rec);
    ::MoveSpeedMarker(rec, m_scr, m_dc, dSpeed, bShow);
}

void CWindowDrawing::ShowStatus(const TestRecord& rec, double dSpeed, double dLift, double dDrag,
                                double dCd, double dLD) {
    ::ShowStatus(rec, m_pane, m_fnRunning && m_fnRunning(), dSpeed, dLift, dDrag, dCd, dLD);
}

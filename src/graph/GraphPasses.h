#pragma once

#include <functional>

#include "graph/Graph.h"
#include "graph/GraphDC.h"
#include "core/record/StatusPane.h"
#include "core/record/TestRecord.h"

// The passes that draw the whole graph. Each full draw ends the status line with the zeroed
// text; bRunning is the serial link's run flag, which only chooses "RUNNING - " or "STOPPED - ".
//
// The view keeps an image of its client area from MakeWindowImage and opens a CGraphDC on it
// for each pass or poll tick (not across them):
// - when the window needs painting anew (first show, resize): PaintPass, then it shows the image;
// - each poll tick: rec.RecordPoint(CWindowDrawing(dc, pane, run flag), ...), RedrawAll on the
//   same surface when a scale widens, then it repaints dc.TakeChangedRect() (image pixels,
//   divided by the image's device-pixel ratio for the widget);
// - after commands that change the data: RedrawAll or RedrawPlot;
// - printing and preview: PrintPass on a CGraphDC(printer, true).

// The full draw: plot background white on paper, light grey on screen; unit scales applied;
// then everything RedrawAll draws.
void OnDraw(TestRecord& rec, CGraphDC& dc, CStatusPane& pane, bool bRunning);

// Clear page, speed and force scales, plot frame, zeroed status line, then the curves and
// comments. On the surface of the last paint (m_rcClient), with the record's background colour
// and scales as they are.
void RedrawAll(TestRecord& rec, CGraphDC& dc, CStatusPane& pane, bool bRunning);

// The plot frame, then the curves and comments.
void RedrawPlot(TestRecord& rec, CGraphDC& dc);

// Painting the window's image: m_rcClient becomes the image's rectangle in device pixels, then
// the full draw.
void PaintPass(TestRecord& rec, CGraphDC& dc, CStatusPane& pane, bool bRunning);

// Printing one page (a printer, or a PDF writer): m_rcClient becomes the page in device pixels
// (on a page taller than wide, its top part in the proportions of the page turned) for the full
// draw, which has a white plot; afterwards m_rcClient is what it was, the
// background light grey again, and the window's marker is still known to be where it is.
void PrintPass(TestRecord& rec, CGraphDC& dc, CStatusPane& pane, bool bRunning);

// The live update of the window's image while a test runs: RecordPoint's drawing steps, in
// exclusive-or mode, and its throttled status line. The surface's TakeChangedRect says which
// part of the image to repaint afterwards.
class CWindowDrawing : public CRecordDrawing {
public:
    CWindowDrawing(CGraphDC& dc, CStatusPane& pane, std::function<bool()> fnRunning)
        : m_dc(dc), m_pane(pane), m_fnRunning(std::move(fnRunning)) {}

    void EraseStretch(TestRecord& rec, int nFromSlot, int nToSlot) override;
    void DrawStretch(TestRecord& rec, int nFromSlot, int nToSlot) override;
    void MoveSpeedMarker(TestRecord& rec, double dSpeed, int bShow) override;
    void ShowStatus(TestRecord& rec, double dSpeed, double dLift, double dDrag, double dCd,
                    double dLD) override;

private:
    void DrawFourCurves(TestRecord& rec, int nFromSlot, int nToSlot);

    CGraphDC& m_dc;
    CStatusPane& m_pane;
    std::function<bool()> m_fnRunning;
};

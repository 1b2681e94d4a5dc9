#pragma once

#include <climits>
#include <functional>

#include "core/record/StatusPane.h"
#include "core/record/TestRecord.h"
#include "graph/Graph.h"
#include "graph/GraphDC.h"

// The passes that draw the whole graph. Each full draw ends the status line with the zeroed
// text; bRunning is the serial link's run flag, which only chooses "RUNNING - " or "STOPPED - ".
// The record is drawn as it stands: its owner applies the unit scales (ApplyUnitScales) before a
// full draw, as the window's paint always has.
//
// The view keeps an image of its client area and a GraphScreen for it, and opens a CGraphDC on
// the image for each pass or poll tick (not across them):
// - when the window needs painting anew (first show, resize): PaintPass, then it shows the image;
// - each poll tick: rec.RecordPoint(CWindowDrawing(dc, screen, pane, run flag), ...), RedrawAll
//   on the same surface when a scale widens, then it repaints dc.TakeChangedRect() (image
//   pixels, divided by the image's device-pixel ratio for the widget);
// - after commands that change the data: RedrawAll or RedrawPlot;
// - printing and preview: PrintPass on a CGraphDC(printer, true).

// The full draw: plot background white on paper, light grey on screen; then everything
// RedrawAll draws.
void OnDraw(const TestRecord& rec, GraphScreen& scr, CGraphDC& dc, CStatusPane& pane,
            bool bRunning);

// Clear page, speed and force scales, plot frame, zeroed status line, then the curves and
// comments. On the surface of the last paint (the screen's m_rcClient), with its background.
void RedrawAll(const TestRecord& rec, GraphScreen& scr, CGraphDC& dc, CStatusPane& pane,
               bool bRunning);

// The same without the status line: the page, scales, plot frame, curves and comments, for
// commands that change what the plot shows.
void RedrawPlot(const TestRecord& rec, GraphScreen& scr, CGraphDC& dc);

// The same held to a device rectangle: inside it the surface comes out as a full draw makes it,
// outside it nothing changes. A marker shown stays where it is.
void RedrawArea(const TestRecord& rec, GraphScreen& scr, CGraphDC& dc, const QRect& rcArea);

// Painting the window's image: the screen's m_rcClient becomes the image's rectangle in device
// pixels, then the full draw.
void PaintPass(const TestRecord& rec, GraphScreen& scr, CGraphDC& dc, CStatusPane& pane,
               bool bRunning);
// The same on a surface of its own (a picture in a file).
void PaintPass(const TestRecord& rec, CGraphDC& dc, CStatusPane& pane, bool bRunning);

// Printing one page (a printer, or a PDF writer) with a screen of the page's own: the page in
// device pixels (on a page taller than wide, its top part in the proportions of the page
// turned), a white plot, no marker. The window's screen is not the page's and stays as it is.
void PrintPass(const TestRecord& rec, CGraphDC& dc, CStatusPane& pane, bool bRunning);

// The live update of the window's image while a test runs: RecordPoint's drawing steps and its
// throttled status line. The columns of the stretches a reading erases and draws are drawn again
// whole, in copy mode, so that after each reading the image is what a full draw of the test
// makes (over an overlay, the grid or text as well), the marker apart. The surface's
// TakeChangedRect says which part of the image to repaint afterwards.
class CWindowDrawing : public CRecordDrawing {
public:
    CWindowDrawing(CGraphDC& dc, GraphScreen& scr, CStatusPane& pane,
                   std::function<bool()> fnRunning)
        : m_dc(dc), m_scr(scr), m_pane(pane), m_fnRunning(std::move(fnRunning)) {}

    void EraseStretch(const TestRecord& rec, int nFromSlot, int nToSlot) override;
    void DrawStretch(const TestRecord& rec, int nFromSlot, int nToSlot) override;
    void MoveSpeedMarker(const TestRecord& rec, double dSpeed, int bShow) override;
    void ShowStatus(const TestRecord& rec, double dSpeed, double dLift, double dDrag, double dCd,
                    double dLD) override;

private:
    // Draws the stretch erased and drawn since the last time, if any.
    void RedrawStretch(const TestRecord& rec);

    CGraphDC& m_dc;
    GraphScreen& m_scr;
    CStatusPane& m_pane;
    std::function<bool()> m_fnRunning;
    // The slots still to be drawn again; none while from > to.
    int m_nFromSlot = INT_MAX;
    int m_nToSlot = INT_MIN;
};

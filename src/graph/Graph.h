#pragma once

#include <string>

#include "core/record/TestRecord.h"
#include "graph/GraphDC.h"

// The graph of a test record: wind speed along the bottom, force up the left, Cd or L/D inside
// the right edge of the plot, the curves of the current test over those of the overlay, the
// legend, the comment lines and the wind-speed marker. Every routine reads the record and draws on
// the surface it is given, in page units (thousandths of the surface as the screen's m_rcClient
// gives it: only its right and bottom, the width and height in device pixels, are used), and
// leaves the stock black pen selected.

// How one surface shows the graph, apart from the test it shows: the window keeps one for its
// image; a printed page or a file is drawn with one of its own.
struct GraphScreen {
    CRect m_rcClient{};                          // the surface last drawn on
    COLORREF m_crBackground = COLOR_LIGHT_GREY;  // of the plot
    // Wind-speed marker: meant to be on the surface, and where it is drawn.
    std::int32_t m_bMarkerShown = 0;
    double m_dMarkerSpeed = EMPTY_SLOT;
};

// Whole logical units of a value, truncated toward zero as the graph always has, and held within
// +-LOGICAL_LIMIT so that a value far off its scale still maps to a point; a value that is not a
// number gives 0.
inline constexpr int LOGICAL_LIMIT = 1000000000;
int LogicalUnits(double dValue);

// n divided by 2^(range - 1) and truncated, for any range (range 0 doubles n).
int HalvedByRange(int n, int nRange);

inline constexpr COLORREF COLOR_BLACK = RGB(0, 0, 0);
inline constexpr COLORREF COLOR_GRID = RGB(128, 128, 128);
inline constexpr COLORREF COLOR_MARKER = RGB(128, 0, 0);

// A tick loop visits at most this many positions, and a grid draws at most this many lines; a
// scale that would need more (a range far outside 1 to 5) draws none.
inline constexpr int TICK_LIMIT = 20000;

// Mappings.
void MapRegion(const GraphScreen& scr, CGraphDC& dc, const CRect& rcRegion, int nLogLeft,
               int nLogTop, int nLogRight, int nLogBottom);
// Over the plot area: page 0 is speed x 10 across and the axis's value x m_nScale upward; page 1
// is 0..1000 both ways (legend, comments).
void MapPlot(const TestRecord& rec, const GraphScreen& scr, CGraphDC& dc, const GraphAxis& axis,
             int nPage);
void MapSpeedStrip(const TestRecord& rec, const GraphScreen& scr, CGraphDC& dc);
void MapForceStrip(const TestRecord& rec, const GraphScreen& scr, CGraphDC& dc);
void MapCdStrip(const TestRecord& rec, const GraphScreen& scr, CGraphDC& dc);
void MapLDStrip(const TestRecord& rec, const GraphScreen& scr, CGraphDC& dc);

// The wind speed under a device x position of the surface last painted (the screen's m_rcClient),
// in whole horizontal graph units: tenths of the wind scale's unit. The view multiplies a widget
// position by the device-pixel ratio first.
int SpeedUnitsAtX(const TestRecord& rec, const GraphScreen& scr, double dDeviceX);

// Frame and scales.
void ClearSurface(const GraphScreen& scr, CGraphDC& dc);
// The same, leaving the inside of rcFilledLater (device pixels) to whoever fills it next: the
// full draw leaves the plot to DrawPlotFrame, which fills it straight after.
void ClearSurface(const GraphScreen& scr, CGraphDC& dc, const QRect& rcFilledLater);
// The device rectangle DrawPlotFrame fills with the plot's background.
QRect PlotFrameArea(const TestRecord& rec, const GraphScreen& scr, CGraphDC& dc);
void DrawSpeedAxis(const TestRecord& rec, const GraphScreen& scr, CGraphDC& dc);
void DrawForceAxis(const TestRecord& rec, const GraphScreen& scr, CGraphDC& dc);
void DrawCdAxis(const TestRecord& rec, const GraphScreen& scr, CGraphDC& dc);
void DrawLDAxis(const TestRecord& rec, const GraphScreen& scr, CGraphDC& dc);
void DrawSpeedLine(const TestRecord& rec, const GraphScreen& scr, CGraphDC& dc, double dSpeed,
                   DrawMode mode, COLORREF crColor, int nPenStyle);
void DrawForceLine(const TestRecord& rec, const GraphScreen& scr, CGraphDC& dc, double dForce,
                   DrawMode mode, COLORREF crColor, int nPenStyle);
void DrawGrid(const TestRecord& rec, const GraphScreen& scr, CGraphDC& dc);
// Removes the marker, then background, outline, grid, the right-hand scale (Cd when shown, else
// L/D when shown, else none) and the legend.
void DrawPlotFrame(const TestRecord& rec, GraphScreen& scr, CGraphDC& dc);

// Curves. Speeds a and b bound the stretch drawn (slots trunc(a x 10) to trunc(b x 10), both
// included); slots whose value is not a finite number are passed over like empty ones.
void DrawCurve(const TestRecord& rec, const GraphScreen& scr, CGraphDC& dc, const CurveTable& table,
               const GraphAxis& axis, double dFrom, double dTo, DrawMode mode);
void DrawOverlayCurve(const TestRecord& rec, const GraphScreen& scr, CGraphDC& dc,
                      const CurveTable& table, const GraphAxis& axis, double dFrom, double dTo,
                      DrawMode mode);
// The four overlay curves, the four current curves, then the comment lines.
void DrawCurves(const TestRecord& rec, const GraphScreen& scr, CGraphDC& dc, DrawMode mode);
void DrawLegend(const TestRecord& rec, const GraphScreen& scr, CGraphDC& dc);
void DrawComments(const TestRecord& rec, const GraphScreen& scr, CGraphDC& dc);
// Removes the marker from where it is and, when bShow and the speed is not 0, draws it there.
void MoveSpeedMarker(const TestRecord& rec, GraphScreen& scr, CGraphDC& dc, double dSpeed,
                     int bShow);

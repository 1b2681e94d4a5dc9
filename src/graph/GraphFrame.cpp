// The frame of the graph: mappings, the clear page, the four scales, the grid and the plot frame.
#include <algorithm>
#include <cmath>

#include "core/base/NumberText.h"
#include "core/record/Units.h"
#include "graph/Graph.h"

namespace {

// Tick scales: positions on each scale are whole multiples of 1/S of its unit.
constexpr int SPEED_TICKS = 10;
constexpr int FORCE_TICKS = 10000;
constexpr int CD_TICKS = 1000;
constexpr int LD_TICKS = 100;

// Character heights in the strips' logical units.
constexpr int SPEED_TEXT_HEIGHT = 27;

enum TickKind { TICK_SHORT, TICK_MIDDLE, TICK_LONG };

// Visits the tick positions p0, p0 + minor, ... below p1 of a scale, in units of 1/S, and says
// which kind of tick each is. A step that comes out as nothing, or a scale that would need more
// than TICK_LIMIT ticks, visits none.
template <typename Visit>
void ForEachTick(const GraphAxis& axis, int nTickScale, Visit visit) {
    const long long p0 = LogicalUnits(DisplayedBottom(axis) * nTickScale);
    const long long p1 = LogicalUnits(DisplayedTop(axis) * nTickScale);
    const long long nMajor = LogicalUnits(axis.m_dMajorStep * nTickScale);
    const long long nMinor = LogicalUnits(axis.m_dMinorStep * nTickScale);
    if (nMajor <= 0 || nMinor <= 0 || (p1 - p0) / nMinor > TICK_LIMIT) {
        return;
    }
    const long long nHalf = nMajor / 2;
    for (long long p = p0; p < p1; p += nMinor) {
        TickKind kind = TICK_SHORT;
        if (p % nMajor == 0) {
            kind = TICK_LONG;
        } else if (nHalf != 0 && p % nHalf == 0) {
            kind = TICK_MIDDLE;
        }
        visit(static_cast<int>(p), kind);
    }
}

// The mapping MapRegion makes, for the surface size the screen holds.
CMapping RegionMapping(const GraphScreen& scr, const CRect& rc, int nLogLeft, int nLogTop,
                       int nLogRight, int nLogBottom) {
    const long long nWidth = std::max(scr.m_rcClient.right, 0);
    const long long nHeight = std::max(scr.m_rcClient.bottom, 0);
    CMapping map;
    map.Set(static_cast<int>(rc.left * nWidth / 1000), static_cast<int>(rc.top * nHeight / 1000),
            static_cast<int>(rc.right * nWidth / 1000),
            static_cast<int>(rc.bottom * nHeight / 1000), nLogLeft, nLogTop, nLogRight, nLogBottom);
    return map;
}

CMapping SpeedStripMapping(const TestRecord& rec, const GraphScreen& scr) {
    const GraphAxis& wind = rec.m_axisWind;
    return RegionMapping(scr, wind.m_rcArea, LogicalUnits(DisplayedBottom(wind) * 10), 100,
                         LogicalUnits(DisplayedTop(wind) * 10), 0);
}

// A strip beside the plot: x 0..100 across, y the scale in units of 1/S.
void MapValueStrip(const GraphScreen& scr, CGraphDC& dc, const GraphAxis& axis, int nTickScale) {
    MapRegion(scr, dc, axis.m_rcArea, 0, LogicalUnits(DisplayedTop(axis) * nTickScale), 100,
              LogicalUnits(DisplayedBottom(axis) * nTickScale));
}

// The Cd and L/D scales share one routine: ticks from the plot's right edge into the plot,
// middle ticks as long as long ones, labels on the plot background.
void DrawRightScale(const GraphScreen& scr, CGraphDC& dc, const GraphAxis& axis, int nTickScale,
                    double dLabelUnit, int nPrecision, double dTitleY,
                    const std::string& strTitle) {
    dc.SelectStockPen();
    const COLORREF crOld = dc.SetTextBackground(scr.m_crBackground);
    MapValueStrip(scr, dc, axis, nTickScale);
    dc.SetDrawMode(DRAW_COPY);
    const int nHeight = HalvedByRange(40, axis.m_nRange);
    const int nOffset = HalvedByRange(50, axis.m_nRange);
    dc.SelectFont(nHeight, false);
    ForEachTick(axis, nTickScale, [&](int p, TickKind kind) {
        dc.Line(100, p, kind == TICK_SHORT ? 95 : 85, p);
        if (kind == TICK_LONG) {
            dc.TextOut(40, p + nOffset, FormatFixed(p * dLabelUnit, nPrecision, 2));
        }
    });
    dc.SelectFont(nHeight, true);
    dc.TextOut(0, LogicalUnits(dTitleY), strTitle);
    dc.SelectStockFont();
    dc.SetTextBackground(crOld);
    dc.SelectStockPen();
}

// The corners of the plot's background on the force axis's plot mapping.
struct PlotCorners {
    int x0, y0, x1, y1;
};
PlotCorners PlotFrameCorners(const TestRecord& rec) {
    const GraphAxis& wind = rec.m_axisWind;
    const GraphAxis& force = rec.m_axisForce;
    return {LogicalUnits(DisplayedBottom(wind) * 10), LogicalUnits(DisplayedTop(force) * 10000),
            LogicalUnits(DisplayedTop(wind) * 10), LogicalUnits(DisplayedBottom(force) * 10000)};
}

}  // namespace

int LogicalUnits(double dValue) {
    if (std::isnan(dValue)) {
        return 0;
    }
    // Held to the limit first; the conversion then truncates toward zero.
    return static_cast<int>(std::clamp(dValue, -double(LOGICAL_LIMIT), double(LOGICAL_LIMIT)));
}

int HalvedByRange(int n, int nRange) {
    const long long nExponent = std::clamp(1LL - nRange, -4096LL, 4096LL);
    return LogicalUnits(std::ldexp(double(n), static_cast<int>(nExponent)));
}

void MapRegion(const GraphScreen& scr, CGraphDC& dc, const CRect& rcRegion, int nLogLeft,
               int nLogTop, int nLogRight, int nLogBottom) {
    dc.Mapping() = RegionMapping(scr, rcRegion, nLogLeft, nLogTop, nLogRight, nLogBottom);
}

void MapPlot(const TestRecord& rec, const GraphScreen& scr, CGraphDC& dc, const GraphAxis& axis,
             int nPage) {
    if (nPage == 1) {
        MapRegion(scr, dc, rec.m_rcPlot, 0, 1000, 1000, 0);
        return;
    }
    const GraphAxis& wind = rec.m_axisWind;
    MapRegion(scr, dc, rec.m_rcPlot, LogicalUnits(DisplayedBottom(wind) * 10),
              LogicalUnits(axis.m_nScale * DisplayedTop(axis)),
              LogicalUnits(DisplayedTop(wind) * 10),
              LogicalUnits(axis.m_nScale * DisplayedBottom(axis)));
}

void MapSpeedStrip(const TestRecord& rec, const GraphScreen& scr, CGraphDC& dc) {
    dc.Mapping() = SpeedStripMapping(rec, scr);
}

void MapForceStrip(const TestRecord& rec, const GraphScreen& scr, CGraphDC& dc) {
    MapValueStrip(scr, dc, rec.m_axisForce, FORCE_TICKS);
}

void MapCdStrip(const TestRecord& rec, const GraphScreen& scr, CGraphDC& dc) {
    MapValueStrip(scr, dc, rec.m_axisCd, CD_TICKS);
}

void MapLDStrip(const TestRecord& rec, const GraphScreen& scr, CGraphDC& dc) {
    MapValueStrip(scr, dc, rec.m_axisLD, LD_TICKS);
}

int SpeedUnitsAtX(const TestRecord& rec, const GraphScreen& scr, double dDeviceX) {
    return LogicalUnits(std::floor(SpeedStripMapping(rec, scr).LogicalX(dDeviceX) + 0.5));
}

void ClearSurface(const GraphScreen& scr, CGraphDC& dc) {
    ClearSurface(scr, dc, QRect());
}

void ClearSurface(const GraphScreen& scr, CGraphDC& dc, const QRect& rcFilledLater) {
    MapRegion(scr, dc, CRect{0, 0, 1000, 1000}, 0, 1000, 1000, 0);
    dc.SelectBrush(COLOR_WHITE);
    dc.SetDrawMode(DRAW_COPY);
    dc.Rectangle(0, 0, 1000, 1000, rcFilledLater);
}

void DrawSpeedAxis(const TestRecord& rec, const GraphScreen& scr, CGraphDC& dc) {
    const GraphAxis& axis = rec.m_axisWind;
    dc.SelectStockPen();
    MapSpeedStrip(rec, scr, dc);
    dc.SelectFont(SPEED_TEXT_HEIGHT, false);
    dc.SetDrawMode(DRAW_COPY);
    const int nOffset = HalvedByRange(2, axis.m_nRange);
    ForEachTick(axis, SPEED_TICKS, [&](int p, TickKind kind) {
        dc.Line(p, 100, p, kind == TICK_LONG ? 80 : kind == TICK_MIDDLE ? 87 : 92);
        if (kind == TICK_LONG) {
            dc.TextOut(p + nOffset, 80, FormatFixed(p * 0.1, 0, 3));
        }
    });
    dc.TextOut(LogicalUnits(DisplayedTop(axis) * 4.5), 25,
               rec.m_bEnglish ? "Wind Speed (MPH)" : "Wind Speed (KPH)");
    dc.SelectStockFont();
    dc.SelectStockPen();
}

void DrawForceAxis(const TestRecord& rec, const GraphScreen& scr, CGraphDC& dc) {
    const GraphAxis& axis = rec.m_axisForce;
    const double dTop = DisplayedTop(axis);
    dc.SelectStockPen();
    MapForceStrip(rec, scr, dc);
    dc.SetDrawMode(DRAW_COPY);
    const int nHeight = LogicalUnits(dTop * 10000 * 0.02);
    const int nOffset = HalvedByRange(250, axis.m_nRange);
    dc.SelectFont(nHeight, false);
    ForEachTick(axis, FORCE_TICKS, [&](int p, TickKind kind) {
        dc.Line(100, p, kind == TICK_LONG ? 85 : kind == TICK_MIDDLE ? 90 : 95, p);
        if (kind == TICK_LONG) {
            dc.TextOut(40, p + nOffset, FormatFixed(p * 0.0001, 3, 2));
        }
    });
    dc.SelectFont(nHeight, true);
    dc.TextOut(10, LogicalUnits(dTop * 4500), rec.m_bEnglish ? "Force (lbs)" : "Force (kg)");
    dc.SelectStockFont();
    dc.SelectStockPen();
}

void DrawCdAxis(const TestRecord& rec, const GraphScreen& scr, CGraphDC& dc) {
    const std::string strTitle =
        rec.m_bEnglish ? "Cd @ " + FormatFixed(rec.m_dCdArea, 2, 3) + " sq. in."
                       : "Cd @ " + FormatFixed(rec.m_dCdArea * SQCM_PER_SQIN, 2, 3) + " sq. cm.";
    DrawRightScale(scr, dc, rec.m_axisCd, CD_TICKS, 0.001, 2, DisplayedTop(rec.m_axisCd) * 450,
                   strTitle);
}

void DrawLDAxis(const TestRecord& rec, const GraphScreen& scr, CGraphDC& dc) {
    DrawRightScale(scr, dc, rec.m_axisLD, LD_TICKS, 0.01, 1, DisplayedTop(rec.m_axisLD) * 45,
                   "L/D");
}

namespace {

// One straight line across the plot in the force scale's mapping, with the pen and mode asked
// for; in exclusive-or the colour is taken against the background so that it shows as asked.
template <typename DrawLine>
void DrawPlotLine(const TestRecord& rec, const GraphScreen& scr, CGraphDC& dc, DrawMode mode,
                  COLORREF crColor, int nPenStyle, DrawLine drawLine) {
    const COLORREF crOld = dc.SetTextBackground(scr.m_crBackground);
    if (mode == DRAW_XOR) {
        crColor ^= dc.TextBackground();
    }
    dc.SelectPen(nPenStyle, crColor);
    MapPlot(rec, scr, dc, rec.m_axisForce, 0);
    dc.SetDrawMode(mode);
    drawLine();
    dc.SelectStockPen();
    dc.SetTextBackground(crOld);
}

}  // namespace

void DrawSpeedLine(const TestRecord& rec, const GraphScreen& scr, CGraphDC& dc, double dSpeed,
                   DrawMode mode, COLORREF crColor, int nPenStyle) {
    const double s = std::fabs(dSpeed);
    if (!(s > DisplayedBottom(rec.m_axisWind))) {
        return;
    }
    const GraphAxis& force = rec.m_axisForce;
    DrawPlotLine(rec, scr, dc, mode, crColor, nPenStyle, [&] {
        const int x = LogicalUnits(s * 10);
        dc.Line(x, LogicalUnits(DisplayedTop(force) * 10000), x,
                LogicalUnits(DisplayedBottom(force) * 10000));
    });
}

void DrawForceLine(const TestRecord& rec, const GraphScreen& scr, CGraphDC& dc, double dForce,
                   DrawMode mode, COLORREF crColor, int nPenStyle) {
    const GraphAxis& wind = rec.m_axisWind;
    DrawPlotLine(rec, scr, dc, mode, crColor, nPenStyle, [&] {
        const int y = LogicalUnits(dForce * 10000);
        dc.Line(LogicalUnits(DisplayedBottom(wind) * 10), y, LogicalUnits(DisplayedTop(wind) * 10),
                y);
    });
}

void DrawGrid(const TestRecord& rec, const GraphScreen& scr, CGraphDC& dc) {
    // Lines at every major step inside the plot, each taken to the nearest thousandth so that
    // steps do not drift. A step too small to move that position on, or a scale that would need
    // more than TICK_LIMIT lines, draws none.
    auto drawLines = [&](const GraphAxis& axis, auto drawLine) {
        const double dBottom = DisplayedBottom(axis);
        const double dTop = DisplayedTop(axis);
        const double dStep = axis.m_dMajorStep;
        if (!(dStep > 0) || !((dTop - dBottom) / dStep <= TICK_LIMIT)) {
            return;
        }
        double c = dBottom + dStep;
        while (c < dTop) {
            const double v = std::trunc(c * 1000 + 0.5) * 0.001;
            drawLine(v);
            const double dNext = v + dStep;
            if (!(dNext > c)) {
                break;
            }
            c = dNext;
        }
    };
    drawLines(rec.m_axisForce,
              [&](double y) { DrawForceLine(rec, scr, dc, y, DRAW_COPY, COLOR_GRID, PEN_DOT); });
    drawLines(rec.m_axisWind,
              [&](double x) { DrawSpeedLine(rec, scr, dc, x, DRAW_COPY, COLOR_GRID, PEN_DOT); });
}

QRect PlotFrameArea(const TestRecord& rec, const GraphScreen& scr, CGraphDC& dc) {
    MapPlot(rec, scr, dc, rec.m_axisForce, 0);
    const PlotCorners c = PlotFrameCorners(rec);
    return dc.RectangleArea(c.x0, c.y0, c.x1, c.y1);
}

void DrawPlotFrame(const TestRecord& rec, GraphScreen& scr, CGraphDC& dc) {
    MoveSpeedMarker(rec, scr, dc, 0, 0);
    MapPlot(rec, scr, dc, rec.m_axisForce, 0);
    dc.SelectStockPen();
    dc.SelectBrush(scr.m_crBackground);
    dc.SetDrawMode(DRAW_COPY);
    const PlotCorners c = PlotFrameCorners(rec);
    dc.Rectangle(c.x0, c.y0, c.x1, c.y1);
    DrawGrid(rec, scr, dc);
    if (rec.m_cd.m_bVisible) {
        DrawCdAxis(rec, scr, dc);
    } else if (rec.m_ld.m_bVisible) {
        DrawLDAxis(rec, scr, dc);
    }
    DrawLegend(rec, scr, dc);
}

// The data on the graph: curves of the current test and of the overlay, legend, comment lines
// and the wind-speed marker.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "graph/Graph.h"

namespace {

// Character height of the legend and the comments, in thousandths of the plot's height.
constexpr int LEGEND_TEXT_HEIGHT = 22;

bool HoldsValue(double dValue) {
    return dValue != EMPTY_SLOT && std::isfinite(dValue);
}

// One curve: straight lines joining its filled slots from a to b, left to right, each line drawn
// on its own so that any stretch of it can be drawn again exactly.
void DrawSlots(const TestRecord& rec, const GraphScreen& scr, CGraphDC& dc, const CurveTable& table,
               const SlotTable& values, COLORREF crColor, const GraphAxis& axis, double dFrom,
               double dTo, DrawMode mode) {
    if (!table.m_bVisible || std::isnan(dFrom) || std::isnan(dTo)) {
        return;
    }
    const COLORREF crOld = dc.SetTextBackground(scr.m_crBackground);
    if (mode == DRAW_XOR) {
        crColor ^= dc.TextBackground();
    }
    dc.SelectPen(table.m_nPenStyle, crColor);
    // A stretch outside the table is empty.
    const int j0 = std::max(SlotOfSpeed(dFrom), 0);
    const int j1 = std::min(SlotOfSpeed(dTo), LAST_SLOT);
    MapPlot(rec, scr, dc, axis, 0);
    int j = j0;
    while (j <= j1 && !HoldsValue(values[j])) {
        ++j;
    }
    if (j <= j1) {
        // Heights are magnitudes: a negative value is drawn above the axis, at |value|.
        auto point = [&](int k) {
            return dc.ToDevice(k, std::abs(LogicalUnits(values[k] * axis.m_nScale)));
        };
        QPoint ptPrev = point(j);
        dc.SetDrawMode(mode);
        for (int k = j + 1; k <= j1; ++k) {
            if (HoldsValue(values[k])) {
                const QPoint pt = point(k);
                dc.Line(ptPrev, pt);
                ptPrev = pt;
            }
        }
    }
    dc.SelectStockPen();
    dc.SetTextBackground(crOld);
}

void DrawTextLines(const TestRecord& rec, const GraphScreen& scr, CGraphDC& dc, auto drawLines) {
    const COLORREF crOld = dc.SetTextBackground(scr.m_crBackground);
    MapPlot(rec, scr, dc, rec.m_axisForce, 1);
    dc.SelectFont(LEGEND_TEXT_HEIGHT, false);
    drawLines();
    dc.SelectStockFont();
    dc.SetTextBackground(crOld);
    dc.SelectStockPen();
}

}  // namespace

void DrawCurve(const TestRecord& rec, const GraphScreen& scr, CGraphDC& dc, const CurveTable& table,
               const GraphAxis& axis, double dFrom, double dTo, DrawMode mode) {
    DrawSlots(rec, scr, dc, table, table.m_dValue, table.m_crValue, axis, dFrom, dTo, mode);
}

void DrawOverlayCurve(const TestRecord& rec, const GraphScreen& scr, CGraphDC& dc,
                      const CurveTable& table, const GraphAxis& axis, double dFrom, double dTo,
                      DrawMode mode) {
    DrawSlots(rec, scr, dc, table, table.m_dOverlay, table.m_crOverlay, axis, dFrom, dTo, mode);
}

void DrawCurves(const TestRecord& rec, const GraphScreen& scr, CGraphDC& dc, DrawMode mode) {
    const double dTop = DisplayedTop(rec.m_axisWind);
    DrawOverlayCurve(rec, scr, dc, rec.m_lift, rec.m_axisForce, 0, dTop, mode);
    DrawOverlayCurve(rec, scr, dc, rec.m_drag, rec.m_axisForce, 0, dTop, mode);
    DrawOverlayCurve(rec, scr, dc, rec.m_cd, rec.m_axisCd, 0, dTop, mode);
    DrawOverlayCurve(rec, scr, dc, rec.m_ld, rec.m_axisLD, 0, dTop, mode);
    DrawCurve(rec, scr, dc, rec.m_lift, rec.m_axisForce, 0, dTop, mode);
    DrawCurve(rec, scr, dc, rec.m_drag, rec.m_axisForce, 0, dTop, mode);
    DrawCurve(rec, scr, dc, rec.m_cd, rec.m_axisCd, 0, dTop, mode);
    DrawCurve(rec, scr, dc, rec.m_ld, rec.m_axisLD, 0, dTop, mode);
    DrawComments(rec, scr, dc);
}

void DrawLegend(const TestRecord& rec, const GraphScreen& scr, CGraphDC& dc) {
    struct Entry {
        const CurveTable& table;
        COLORREF crColor;
        int x;
        int y;
        const char* pText;
    };
    const Entry entries[] = {
        {rec.m_lift, RGB(255, 0, 0), 50, 970, "Lift"},
        {rec.m_drag, RGB(0, 0, 255), 50, 920, "Drag"},
        {rec.m_cd, RGB(0, 255, 0), 250, 970, "Cd"},
        {rec.m_ld, RGB(0, 255, 255), 250, 920, "L/D"},
    };
    DrawTextLines(rec, scr, dc, [&] {
        dc.SetDrawMode(DRAW_COPY);
        for (const Entry& entry : entries) {
            if (entry.table.m_bVisible) {
                dc.SelectPen(PEN_SOLID, entry.crColor);
                dc.Line(entry.x, entry.y, entry.x + 50, entry.y);
                dc.TextOut(entry.x + 60, entry.y + 20, entry.pText);
            }
        }
    });
}

void DrawComments(const TestRecord& rec, const GraphScreen& scr, CGraphDC& dc) {
    DrawTextLines(rec, scr, dc, [&] {
        const int nFontPixels = dc.FontPixels();
        // Paper ends at its printable edge: a line that would run past it is set smaller so
        // that it ends there.
        const int nRoom = dc.Width() - dc.ToDevice(600, 0).x();
        for (int i = 0; i < COMMENT_COUNT; ++i) {
            const std::string& strLine = rec.m_strComment[i];
            if (strLine.empty()) {
                continue;
            }
            if (dc.IsPrinting() && nRoom > 0) {
                int nPixels = nFontPixels;
                dc.SelectFontPixels(nPixels);
                for (int nWidth = dc.TextWidth(strLine); nWidth > nRoom && nPixels > 1;
                     nWidth = dc.TextWidth(strLine)) {
                    nPixels = std::max(
                        1, std::min(nPixels - 1, static_cast<int>(1LL * nPixels * nRoom / nWidth)));
                    dc.SelectFontPixels(nPixels);
                }
            }
            dc.TextOut(600, 990 - 35 * i, strLine);
        }
    });
}

void MoveSpeedMarker(const TestRecord& rec, GraphScreen& scr, CGraphDC& dc, double dSpeed,
                     int bShow) {
    if (scr.m_bMarkerShown) {
        if (scr.m_dMarkerSpeed != EMPTY_SLOT && scr.m_dMarkerSpeed != 0) {
            DrawSpeedLine(rec, scr, dc, scr.m_dMarkerSpeed, DRAW_XOR, COLOR_MARKER, PEN_SOLID);
        }
        scr.m_dMarkerSpeed = EMPTY_SLOT;
    }
    if (bShow && dSpeed != 0) {
        DrawSpeedLine(rec, scr, dc, dSpeed, DRAW_XOR, COLOR_MARKER, PEN_SOLID);
        scr.m_dMarkerSpeed = dSpeed;
    }
    scr.m_bMarkerShown = bShow;
}

#pragma once

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QRect>
#include <QSize>
#include <algorithm>
#include <climits>
#include <cstdint>
#include <string>

#include "core/record/TestRecord.h"

// How a pen meets what is already on the surface: its colour replaces it, or is combined with it
// by exclusive-or, so that drawing the same line twice leaves the surface as it was.
enum DrawMode { DRAW_COPY, DRAW_XOR };

// Pen styles, as a curve table's m_nPenStyle holds them.
inline constexpr int PEN_SOLID = 0;
inline constexpr int PEN_DASH = 1;
inline constexpr int PEN_DOT = 2;
inline constexpr int PEN_DASHDOT = 3;
inline constexpr int PEN_DASHDOTDOT = 4;
inline constexpr int PEN_NULL = 5;

// The size of text when no height is asked for, in device pixels.
inline constexpr int DEFAULT_FONT_PIXELS = 12;

// Device coordinates are kept within this distance of the surface, far beyond any page, so that
// a value far off its scale still gives a whole number a line can be drawn to.
inline constexpr int DEVICE_LIMIT = 1 << 22;

// Whole device pixels of a position: rounded to the nearest, held within +-DEVICE_LIMIT; a
// position that is not a number gives 0.
int DevicePixel(double dPosition);

// A linear mapping of logical units onto a rectangle of device pixels: x runs from the logical
// left at the rectangle's left edge to the logical right at its right edge, y from the logical
// bottom at its bottom edge up to the logical top at its top edge. A mapping whose logical
// extent is empty puts every position on the rectangle's left or bottom edge.
class CMapping {
public:
    // The device rectangle by its edges: left and top are its first pixels, right and bottom
    // lie just beyond it.
    void Set(int nDevLeft, int nDevTop, int nDevRight, int nDevBottom, int nLogLeft, int nLogTop,
             int nLogRight, int nLogBottom);

    double DeviceX(double dX) const { return m_dDevLeft + (dX - m_nLogLeft) * m_dScaleX; }
    double DeviceY(double dY) const { return m_dDevBottom - (dY - m_nLogBottom) * m_dScaleY; }
    // The logical x of a device position (the mapping's inverse); the logical left when the
    // mapping squeezes its logical extent into no pixels.
    double LogicalX(double dDeviceX) const;
    // Device pixels per logical unit, vertically.
    double PixelsPerUnitY() const { return m_dScaleY; }

private:
    double m_dDevLeft = 0;
    double m_dDevBottom = 0;
    int m_nLogLeft = 0;
    int m_nLogBottom = 0;
    double m_dScaleX = 0;
    double m_dScaleY = 0;
};

// The drawing surface of the graph. It draws on the window's image (where exclusive-or works), on
// a printer page, or on a PDF writer or SVG generator, always in device pixels: it maps logical
// units itself, so that pens stay one device pixel wide and text stays upright whatever the
// mapping. Tools are selected as the graph's routines create them; every routine leaves the
// stock black pen selected.
//
// On an image of 32-bit pixels (the window's image, PNG export) lines are set pixel by pixel:
// each line covers its start and stops short of its end, whatever its slope, so the joints of a
// curve are drawn once and a curve drawn twice in exclusive-or mode vanishes exactly. Other
// surfaces draw lines with QPainter.
//
// Drawing can be held to a rectangle of device pixels (SetClip): inside it every pixel comes out
// as it would without the clip, outside it none changes, so a part of the picture can be drawn
// again exactly.
class CGraphDC {
public:
    // A surface on any paint device; bPrinting marks paper (white plot background). The size in
    // device pixels is the device's width and height, which for an image are its pixels. Pens
    // are one device pixel wide (a picture in a file is drawn so at any ratio).
    CGraphDC(QPaintDevice& device, bool bPrinting);
    // The window's image: not printing. The image is drawn in its own pixels whatever its
    // device-pixel ratio, with pens and their patterns one screen pixel wide (as many device
    // pixels as the ratio, rounded), so that a high-density screen shows the lines as a plain
    // one does. It must not be copied while the surface is open.
    explicit CGraphDC(QImage& image);
    // A part of a page that another painter is drawing (paper: a lab sheet's graph): the area,
    // in the painter's device pixels, becomes the whole surface, and nothing is drawn outside
    // it. The painter is left as it was found.
    CGraphDC(QPainter& painter, const QRect& rcArea);
    ~CGraphDC();
    CGraphDC(const CGraphDC&) = delete;
    CGraphDC& operator=(const CGraphDC&) = delete;

    // False when the device could not be painted on (for example an unwritable file).
    bool IsActive() const { return m_painter.isActive() && m_nWidth > 0 && m_nHeight > 0; }
    int Width() const { return m_nWidth; }
    int Height() const { return m_nHeight; }
    bool IsPrinting() const { return m_bPrinting; }

    CMapping& Mapping() { return m_map; }
    const CMapping& Mapping() const { return m_map; }
    QPoint ToDevice(int x, int y) const;

    // Pens are LineWidth() device pixels wide: a line's pixels are repeated that many times to
    // the right of a steep line and below a flat one.
    int LineWidth() const { return m_nLineWidth; }
    void SelectPen(int nStyle, COLORREF crColor);
    void SelectStockPen() { SelectPen(PEN_SOLID, RGB(0, 0, 0)); }
    void SelectBrush(COLORREF crColor) { m_crBrush = crColor; }
    void SetDrawMode(DrawMode mode) { m_mode = mode; }
    DrawMode GetDrawMode() const { return m_mode; }
    // Returns the colour it replaces.
    COLORREF SetTextBackground(COLORREF crColor);
    COLORREF TextBackground() const { return m_crTextBackground; }
    // "Arial", normal weight, of a character height in the current mapping's vertical logical
    // units (a height of 0 asks for the default size); upright, or turned a quarter turn
    // counter-clockwise to read bottom to top.
    void SelectFont(int nHeight, bool bTurned);
    void SelectStockFont() { SelectFont(0, false); }
    int FontPixels() const { return m_font.pixelSize(); }
    // The upright font at a size in device pixels (at least one).
    void SelectFontPixels(int nPixels);
    // How far TextOut would advance, in device pixels, with the font selected.
    int TextWidth(const std::string& strText) const;

    // The rectangle between two corners in logical units, filled with the brush and outlined
    // with the pen, its right and bottom device edges excluded. The inside of rcFilledLater
    // (device pixels) is left as it is, for a caller that fills it straight afterwards.
    void Rectangle(int x0, int y0, int x1, int y1, const QRect& rcFilledLater = QRect());
    // The device rectangle Rectangle fills for two corners.
    QRect RectangleArea(int x0, int y0, int x1, int y1) const;
    // A line from the first point up to, not including, the second.
    void Line(int x0, int y0, int x1, int y1);
    void Line(const QPoint& p0, const QPoint& p1);  // device pixels
    // Opaque text on the text background, the top-left corner of its box at the point (upright
    // font), or its first character there reading upward and lying to the right of it (turned).
    void TextOut(int x, int y, const std::string& strText);

    // The device rectangle everything drawn since the last call lies in.
    QRect TakeChangedRect();

    // Holds drawing to a device rectangle (within the surface); an empty one lifts the hold.
    void SetClip(const QRect& rcClip);

private:
    void Begin(QPaintDevice& device);
    void RasterLine(const QPoint& p0, const QPoint& p1);
    void FillRect(const QRect& rc, const QColor& crFill);
    void NoteChanged(int nLeft, int nTop, int nRight, int nBottom) {
        m_nChangedLeft = std::min(m_nChangedLeft, nLeft);
        m_nChangedTop = std::min(m_nChangedTop, nTop);
        m_nChangedRight = std::max(m_nChangedRight, nRight);
        m_nChangedBottom = std::max(m_nChangedBottom, nBottom);
    }
    void NoteChanged(const QRect& rc) {
        const QRect rcSeen = rc & m_rcClip;
        if (!rcSeen.isEmpty()) {
            NoteChanged(rcSeen.left(), rcSeen.top(), rcSeen.right(), rcSeen.bottom());
        }
    }

    QPainter m_ownPainter;
    QPainter& m_painter;  // the surface's own, or the page's it was lent
    bool m_bLent = false;
    int m_nWidth = 0;
    int m_nHeight = 0;
    bool m_bPrinting = false;
    // The image's pixels when lines are set directly, else null.
    std::uint32_t* m_pBits = nullptr;
    qsizetype m_nStride = 0;  // pixels per row

    CMapping m_map;
    DrawMode m_mode = DRAW_COPY;
    int m_nPenStyle = PEN_SOLID;
    // Device pixels to one pixel of a pen's pattern: on paper and in vector files the pattern is
    // set out at the page's resolution, so a dot stays a dot however fine the device.
    int m_nPatternUnit = 1;
    int m_nLineWidth = 1;
    // Where drawing may change pixels: the whole surface unless a clip is set.
    QRect m_rcClip;
    bool m_bClipped = false;
    COLORREF m_crPen = 0;
    bool m_bPenApplied = false;
    COLORREF m_crBrush = RGB(255, 255, 255);
    COLORREF m_crTextBackground = RGB(255, 255, 255);
    QFont m_font;
    bool m_bTurned = false;
    // What was drawn since TakeChangedRect, edges included; empty while left > right.
    int m_nChangedLeft = INT_MAX;
    int m_nChangedTop = INT_MAX;
    int m_nChangedRight = INT_MIN;
    int m_nChangedBottom = INT_MIN;
};

// An image for the window at the screen's device-pixel ratio, filled white: its pixels are the
// screen's, so lines stay one physical pixel and text stays crisp on high-density screens.
QImage MakeWindowImage(const QSize& sizeLogical, double dDevicePixelRatio);

#include "graph/GraphDC.h"

#include "core/base/TextBytes.h"

#include <QFontMetrics>
#include <QPen>
#include <QStringDecoder>
#include <QTransform>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

namespace {

// Runs of set and skipped pixels of each pen style, starting with a set run. Dotted is every
// other pixel. The pixels are a screen's: on a finer device each is as many device pixels as
// make the same length at SCREEN_DPI.
struct PenPattern {
    int nRuns;
    int nRun[6];
};
constexpr PenPattern PEN_PATTERNS[] = {
    {0, {}},                  // solid
    {2, {18, 6}},             // dash
    {2, {1, 1}},              // dot
    {4, {9, 6, 3, 6}},        // dash dot
    {6, {9, 3, 3, 3, 3, 3}},  // dash dot dot
};

constexpr int SCREEN_DPI = 96;

int ClampedStyle(int nStyle) {
    return (nStyle >= PEN_SOLID && nStyle <= PEN_NULL) ? nStyle : 0;
}

// Walks a pen's pattern pixel by pixel along a line, each pixel of the pattern nUnit steps long.
class CPatternWalk {
public:
    CPatternWalk(int nStyle, int nUnit, long long nFirstStep) {
        if (nStyle > PEN_SOLID && nStyle < PEN_NULL) {
            m_pPattern = &PEN_PATTERNS[nStyle];
            m_nUnit = std::max(nUnit, 1);
            long long nLength = 0;
            for (int k = 0; k < m_pPattern->nRuns; ++k) {
                nLength += m_pPattern->nRun[k] * m_nUnit;
            }
            long long nPos = nFirstStep % nLength;
            while (nPos >= m_pPattern->nRun[m_nRun] * m_nUnit) {
                nPos -= m_pPattern->nRun[m_nRun] * m_nUnit;
                ++m_nRun;
            }
            m_nLeft = static_cast<int>(m_pPattern->nRun[m_nRun] * m_nUnit - nPos);
        }
    }
    // Whether the current step is set; then on to the next.
    bool Next() {
        if (!m_pPattern) {
            return true;
        }
        const bool bOn = (m_nRun % 2) == 0;
        if (--m_nLeft == 0) {
            m_nRun = (m_nRun + 1) % m_pPattern->nRuns;
            m_nLeft = m_pPattern->nRun[m_nRun] * m_nUnit;
        }
        return bOn;
    }

private:
    const PenPattern* m_pPattern = nullptr;
    int m_nUnit = 1;
    int m_nRun = 0;   // the run the current step is in
    int m_nLeft = 0;  // its steps still to come, the current one included
};

QColor ToQColor(COLORREF cr) {
    return QColor(GetRValue(cr), GetGValue(cr), GetBValue(cr));
}

// 0xAARRGGBB of an image pixel, without the alpha.
std::uint32_t ToPixel(COLORREF cr) {
    return (static_cast<std::uint32_t>(GetRValue(cr)) << 16) |
           (static_cast<std::uint32_t>(GetGValue(cr)) << 8) |
           static_cast<std::uint32_t>(GetBValue(cr));
}


bool IsDirectFormat(QImage::Format format) {
    return format == QImage::Format_RGB32 || format == QImage::Format_ARGB32 ||
           format == QImage::Format_ARGB32_Premultiplied;
}

QFont MakeFont(int nPixels) {
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);
    font.setPixelSize(nPixels);
    return font;
}

}  // namespace

int DevicePixel(double dPosition) {
    if (std::isnan(dPosition)) {
        return 0;
    }
    // Held to the limit before it becomes a whole number, then rounded half up.
    const double d = std::clamp(dPosition, -double(DEVICE_LIMIT), double(DEVICE_LIMIT)) + 0.5;
    const int n = static_cast<int>(d);
    return n > d ? n - 1 : n;
}

void CMapping::Set(int nDevLeft, int nDevTop, int nDevRight, int nDevBottom, int nLogLeft,
                   int nLogTop, int nLogRight, int nLogBottom) {
    m_dDevLeft = nDevLeft;
    m_dDevBottom = nDevBottom;
    m_nLogLeft = nLogLeft;
    m_nLogBottom = nLogBottom;
    const double dLogWidth = double(nLogRight) - double(nLogLeft);
    const double dLogHeight = double(nLogTop) - double(nLogBottom);
    m_dScaleX = dLogWidth != 0 ? (double(nDevRight) - nDevLeft) / dLogWidth : 0;
    m_dScaleY = dLogHeight != 0 ? (double(nDevBottom) - nDevTop) / dLogHeight : 0;
}

double CMapping::LogicalX(double dDeviceX) const {
    if (m_dScaleX == 0) {
        return m_nLogLeft;
    }
    return m_nLogLeft + (dDeviceX - m_dDevLeft) / m_dScaleX;
}

CGraphDC::CGraphDC(QPaintDevice& device, bool bPrinting)
    : m_painter(m_ownPainter), m_bPrinting(bPrinting) {
    m_nWidth = std::max(device.width(), 0);
    m_nHeight = std::max(device.height(), 0);
    if (device.devType() == QInternal::Image) {
        auto& image = static_cast<QImage&>(device);
        if (IsDirectFormat(image.format()) && !image.isNull()) {
            // Detach first, so that the painter and the pixels set here are the same memory.
            m_pBits = reinterpret_cast<std::uint32_t*>(image.bits());
            m_nStride = image.bytesPerLine() / 4;
        }
    } else if (device.logicalDpiX() > SCREEN_DPI) {
        m_nPatternUnit = DevicePixel(double(device.logicalDpiX()) / SCREEN_DPI);
    }
    Begin(device);
}

CGraphDC::CGraphDC(QImage& image) : CGraphDC(static_cast<QPaintDevice&>(image), false) {
    if (m_pBits) {
        const double dRatio = image.devicePixelRatio();
        m_nLineWidth = m_nPatternUnit = std::clamp(DevicePixel(dRatio), 1, 8);
    }
}

CGraphDC::CGraphDC(QPainter& painter, const QRect& rcArea)
    : m_painter(painter), m_bLent(true), m_bPrinting(true) {
    m_font = MakeFont(DEFAULT_FONT_PIXELS);
    if (!painter.isActive() || rcArea.isEmpty()) {
        return;
    }
    m_nWidth = rcArea.width();
    m_nHeight = rcArea.height();
    // What is drawn is held to the part of the page lent, by the painter's clip and by ours.
    m_rcClip = QRect(0, 0, m_nWidth, m_nHeight);
    if (painter.device()->logicalDpiX() > SCREEN_DPI) {
        m_nPatternUnit = DevicePixel(double(painter.device()->logicalDpiX()) / SCREEN_DPI);
    }
    painter.save();
    painter.setClipRect(rcArea);
    painter.translate(rcArea.topLeft());
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBackgroundMode(Qt::TransparentMode);
}

CGraphDC::~CGraphDC() {
    if (m_bLent) {
        if (m_painter.isActive() && m_nWidth > 0) {
            m_painter.restore();
        }
    } else if (m_painter.isActive()) {
        m_painter.end();
    }
}

void CGraphDC::Begin(QPaintDevice& device) {
    m_font = MakeFont(DEFAULT_FONT_PIXELS);
    m_rcClip = QRect(0, 0, m_nWidth, m_nHeight);
    if (m_nWidth == 0 || m_nHeight == 0 || !m_painter.begin(&device)) {
        m_pBits = nullptr;
        return;
    }
    // Work in the device's own pixels, whatever its ratio to device-independent pixels.
    const double dRatio = device.devicePixelRatioF();
    if (dRatio > 0 && dRatio != 1.0) {
        m_painter.setWorldTransform(QTransform::fromScale(1.0 / dRatio, 1.0 / dRatio));
    }
    m_painter.setRenderHint(QPainter::Antialiasing, false);
    m_painter.setBackgroundMode(Qt::TransparentMode);
}

QPoint CGraphDC::ToDevice(int x, int y) const {
    return QPoint(DevicePixel(m_map.DeviceX(x)), DevicePixel(m_map.DeviceY(y)));
}

void CGraphDC::SelectPen(int nStyle, COLORREF crColor) {
    m_nPenStyle = ClampedStyle(nStyle);
    m_crPen = crColor & 0xffffff;
    m_bPenApplied = false;
}

COLORREF CGraphDC::SetTextBackground(COLORREF crColor) {
    const COLORREF crOld = m_crTextBackground;
    m_crTextBackground = crColor & 0xffffff;
    return crOld;
}

void CGraphDC::SelectFont(int nHeight, bool bTurned) {
    m_bTurned = bTurned;
    if (nHeight == 0) {
        m_font = MakeFont(DEFAULT_FONT_PIXELS);
        return;
    }
    // Character heights are in logical units; a font is never less than a pixel, nor taller
    // than twice the surface.
    const double dPixels = std::fabs(nHeight * m_map.PixelsPerUnitY());
    const int nLimit = std::max(1, 2 * std::max(m_nWidth, m_nHeight));
    m_font = MakeFont(std::clamp(DevicePixel(dPixels), 1, nLimit));
}

void CGraphDC::SelectFontPixels(int nPixels) {
    m_bTurned = false;
    m_font = MakeFont(std::max(nPixels, 1));
}

int CGraphDC::TextWidth(const std::string& strText) const {
    return QFontMetrics(m_font).horizontalAdvance(TextFromBytes(strText));
}

QRect CGraphDC::RectangleArea(int x0, int y0, int x1, int y1) const {
    const QPoint a = ToDevice(x0, y0);
    const QPoint b = ToDevice(x1, y1);
    const int l = std::min(a.x(), b.x());
    const int t = std::min(a.y(), b.y());
    return QRect(l, t, std::max(a.x(), b.x()) - l, std::max(a.y(), b.y()) - t);
}

void CGraphDC::Rectangle(int x0, int y0, int x1, int y1, const QRect& rcFilledLater) {
    const QRect rc = RectangleArea(x0, y0, x1, y1);
    if (rc.isEmpty() || !IsActive()) {
        return;
    }
    m_painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    const QColor crFill = ToQColor(m_crBrush);
    const QRect rcHole = rcFilledLater & rc;
    if (rcHole.isEmpty()) {
        FillRect(rc, crFill);
    } else {
        // The bands above, below, left and right of the hole.
        const QRect bands[] = {
            QRect(QPoint(rc.left(), rc.top()), QPoint(rc.right(), rcHole.top() - 1)),
            QRect(QPoint(rc.left(), rcHole.bottom() + 1), QPoint(rc.right(), rc.bottom())),
            QRect(QPoint(rc.left(), rcHole.top()), QPoint(rcHole.left() - 1, rcHole.bottom())),
            QRect(QPoint(rcHole.right() + 1, rcHole.top()), QPoint(rc.right(), rcHole.bottom())),
        };
        for (const QRect& rcBand : bands) {
            if (rcBand.isValid()) {
                FillRect(rcBand, crFill);
            }
        }
    }
    NoteChanged(rc);
    // The outline as four lines, each stopping short of the next corner.
    const int l = rc.left();
    const int t = rc.top();
    const int r = rc.right();
    const int b = rc.bottom();
    Line(QPoint(l, t), QPoint(r, t));
    Line(QPoint(r, t), QPoint(r, b));
    Line(QPoint(r, b), QPoint(l, b));
    Line(QPoint(l, b), QPoint(l, t));
}

void CGraphDC::Line(int x0, int y0, int x1, int y1) {
    Line(ToDevice(x0, y0), ToDevice(x1, y1));
}

void CGraphDC::Line(const QPoint& p0, const QPoint& p1) {
    if (p0 == p1 || m_nPenStyle == PEN_NULL || !IsActive()) {
        return;
    }
    // The line's box, its width taken to the right or below.
    const bool bSteep = std::abs(p1.y() - p0.y()) > std::abs(p1.x() - p0.x());
    const QRect rcLine(QPoint(std::min(p0.x(), p1.x()), std::min(p0.y(), p1.y())),
                       QPoint(std::max(p0.x(), p1.x()) + (bSteep ? m_nLineWidth - 1 : 0),
                              std::max(p0.y(), p1.y()) + (bSteep ? 0 : m_nLineWidth - 1)));
    if (!rcLine.intersects(m_rcClip)) {
        return;
    }
    NoteChanged(rcLine);
    if (m_pBits) {
        RasterLine(p0, p1);
        return;
    }
    if (!m_bPenApplied) {
        QPen pen(ToQColor(m_crPen), 0);
        pen.setCapStyle(Qt::FlatCap);
        if (m_nPenStyle != PEN_SOLID) {
            const PenPattern& pattern = PEN_PATTERNS[m_nPenStyle];
            QList<qreal> dashes;
            for (int k = 0; k < pattern.nRuns; ++k) {
                dashes.append(pattern.nRun[k] * m_nPatternUnit);
            }
            pen.setDashPattern(dashes);
        }
        m_painter.setPen(pen);
        m_bPenApplied = true;
    }
    // Paper and vector files know no exclusive-or; the console never asks it of them.
    m_painter.setCompositionMode(m_mode == DRAW_XOR ? QPainter::RasterOp_SourceXorDestination
                                                    : QPainter::CompositionMode_SourceOver);
    m_painter.drawLine(p0, p1);
    m_painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

// The pixels of a line from p0 up to, not including, p1: one per step along its longer axis,
// the other axis rounded to the nearest pixel. Only the part on the image is visited, so a line
// to a point far off the surface costs no more than one across it.
void CGraphDC::RasterLine(const QPoint& p0, const QPoint& p1) {
    const long long dx = static_cast<long long>(p1.x()) - p0.x();
    const long long dy = static_cast<long long>(p1.y()) - p0.y();
    const bool bXMajor = std::llabs(dx) >= std::llabs(dy);
    const long long n = bXMajor ? std::llabs(dx) : std::llabs(dy);
    const long long m = bXMajor ? std::llabs(dy) : std::llabs(dx);
    const long long nMajor0 = bXMajor ? p0.x() : p0.y();
    const long long nMinor0 = bXMajor ? p0.y() : p0.x();
    const int sMajor = (bXMajor ? dx : dy) < 0 ? -1 : 1;
    const int sMinor = (bXMajor ? dy : dx) < 0 ? -1 : 1;
    // The clip (within the image) along each axis, first and last pixel.
    const long long nMajorFirst = bXMajor ? m_rcClip.left() : m_rcClip.top();
    const long long nMajorLast = bXMajor ? m_rcClip.right() : m_rcClip.bottom();
    const long long nMinorFirst = bXMajor ? m_rcClip.top() : m_rcClip.left();
    const long long nMinorLast = bXMajor ? m_rcClip.bottom() : m_rcClip.right();

    // Steps whose major coordinate lies in the clip.
    long long iLo = 0;
    long long iHi = n - 1;
    if (sMajor > 0) {
        iLo = std::max(iLo, nMajorFirst - nMajor0);
        iHi = std::min(iHi, nMajorLast - nMajor0);
    } else {
        iLo = std::max(iLo, nMajor0 - nMajorLast);
        iHi = std::min(iHi, nMajor0 - nMajorFirst);
    }
    if (iLo > iHi) {
        return;
    }
    // Minor offset at step i: floor((2 i m + n) / 2n), carried as quotient and remainder.
    const long long nDen = 2 * n;
    const long long nNum = 2 * iLo * m + n;
    long long q = nNum / nDen;
    long long r = nNum % nDen;
    CPatternWalk pattern(m_nPenStyle, m_nPatternUnit, iLo);
    const std::uint32_t nPixel = ToPixel(m_crPen);
    const bool bXor = m_mode == DRAW_XOR;
    // A wide pen repeats each pixel across the line: below a flat one, right of a steep one.
    const qsizetype nAcross = bXMajor ? m_nStride : 1;
    for (long long i = iLo; i <= iHi; ++i) {
        const long long nMajor = nMajor0 + sMajor * i;
        const long long nMinor = nMinor0 + sMinor * q;
        if (pattern.Next()) {
            const long long nFrom = std::max(nMinor, nMinorFirst);
            const long long nTo = std::min(nMinor + m_nLineWidth - 1, nMinorLast);
            if (nFrom <= nTo) {
                const long long x = bXMajor ? nMajor : nFrom;
                const long long y = bXMajor ? nFrom : nMajor;
                std::uint32_t* pDest = m_pBits + y * m_nStride + x;
                for (long long k = nFrom; k <= nTo; ++k, pDest += nAcross) {
                    // Exclusive-or leaves the alpha byte as it is; copy sets an opaque pixel
                    // without reading the one under it (a line down a large image would wait for
                    // every row).
                    *pDest = bXor ? (*pDest ^ nPixel) : (0xff000000u | nPixel);
                }
            }
        }
        r += 2 * m;
        if (r >= nDen) {
            r -= nDen;
            ++q;
        }
    }
}

void CGraphDC::TextOut(int x, int y, const std::string& strText) {
    const QString s = TextFromBytes(strText);
    if (s.isEmpty() || !IsActive()) {
        return;
    }
    const QPoint p = ToDevice(x, y);
    const QFontMetrics metrics(m_font);
    const int nAdvance = metrics.horizontalAdvance(s);
    const int nAscent = metrics.ascent();
    const int nHeight = nAscent + metrics.descent();
    // Glyphs may reach a little beyond the box they advance over (an italic overhang, a
    // bearing): text whose box with that margin misses the clip leaves every pixel of it alone.
    const int nMargin = nHeight / 2 + 2;
    const QRect rcReach = m_bTurned ? QRect(p.x(), p.y() - nAdvance, nHeight, nAdvance)
                                    : QRect(p.x(), p.y(), nAdvance, nHeight);
    if (!rcReach.adjusted(-nMargin, -nMargin, nMargin, nMargin).intersects(m_rcClip)) {
        return;
    }
    const QColor crBack = ToQColor(m_crTextBackground);
    m_painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    m_painter.setFont(m_font);
    m_painter.setPen(QPen(Qt::black));
    m_bPenApplied = false;
    if (!m_bTurned) {
        const QRect rcBox(p.x(), p.y(), nAdvance, nHeight);
        m_painter.fillRect(rcBox, crBack);
        m_painter.drawText(p.x(), p.y() + nAscent, s);
        NoteChanged(rcBox);
        return;
    }
    // A quarter turn counter-clockwise about the anchor: the text runs up from it.
    m_painter.save();
    m_painter.translate(p.x(), p.y());
    m_painter.rotate(-90);
    m_painter.fillRect(QRect(0, 0, nAdvance, nHeight), crBack);
    m_painter.drawText(0, nAscent, s);
    m_painter.restore();
    NoteChanged(QRect(p.x(), p.y() - nAdvance, nHeight, nAdvance));
}

void CGraphDC::FillRect(const QRect& rc, const QColor& crFill) {
    const QRect rcFill = rc & m_rcClip;
    if (!rcFill.isEmpty()) {
        m_painter.fillRect(rcFill, crFill);
    }
}

void CGraphDC::SetClip(const QRect& rcClip) {
    const QRect rcSurface(0, 0, m_nWidth, m_nHeight);
    m_bClipped = !rcClip.isEmpty();
    m_rcClip = m_bClipped ? (rcClip & rcSurface) : rcSurface;
    if (!IsActive()) {
        return;
    }
    // The painter's coordinates are the device's pixels (its transform undoes the ratio), so the
    // clip is the same whole-pixel rectangle. Kept off when not needed, as the painter is
    // quicker without one.
    if (m_bClipped) {
        m_painter.setClipRect(m_rcClip);
    } else {
        m_painter.setClipping(false);
    }
}

QRect CGraphDC::TakeChangedRect() {
    QRect rc;
    if (m_nChangedLeft <= m_nChangedRight) {
        rc = QRect(QPoint(m_nChangedLeft, m_nChangedTop),
                   QPoint(m_nChangedRight, m_nChangedBottom)) &
             QRect(0, 0, m_nWidth, m_nHeight);
    }
    m_nChangedLeft = m_nChangedTop = INT_MAX;
    m_nChangedRight = m_nChangedBottom = INT_MIN;
    return rc;
}

QImage MakeWindowImage(const QSize& sizeLogical, double dDevicePixelRatio) {
    const double dRatio =
        (std::isfinite(dDevicePixelRatio) && dDevicePixelRatio > 0) ? dDevicePixelRatio : 1.0;
    const int nWidth = std::max(1, DevicePixel(std::max(sizeLogical.width(), 1) * dRatio));
    const int nHeight = std::max(1, DevicePixel(std::max(sizeLogical.height(), 1) * dRatio));
    QImage image(nWidth, nHeight, QImage::Format_RGB32);
    image.setDevicePixelRatio(dRatio);
    image.fill(Qt::white);
    return image;
}

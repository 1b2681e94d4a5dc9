#pragma once

#include <QImage>
#include <QRect>
#include <cmath>
#include <string>
#include <vector>

#include "graph/Graph.h"
#include "graph/GraphDC.h"
#include "graph/GraphPasses.h"
#include "run/StatusPane.h"
#include "run/TestRecord.h"

// Keeps every text the graph puts in the status bar.
class CRecordingPane : public CStatusPane {
public:
    void SetStatusText(const std::string& strText) override { m_texts.push_back(strText); }
    std::string Last() const { return m_texts.empty() ? std::string() : m_texts.back(); }
    std::vector<std::string> m_texts;
};

// A record as the console holds it after start-up: unit scales applied, test cleared, overlay
// empty, lift and drag shown.
inline TestRecord FreshRecord(int bEnglish = 1) {
    TestRecord rec(bEnglish, 80.0);
    rec.m_fnClock = [] { return std::int64_t(0); };
    rec.ApplyUnitScales();
    for (CurveTable* pTable : {&rec.m_lift, &rec.m_drag, &rec.m_cd, &rec.m_ld}) {
        pTable->m_dValue.fill(EMPTY_SLOT);
        pTable->m_dValue[0] = 0.0;
        TestRecord::ClearOverlayTable(*pTable);
    }
    return rec;
}

// The record's graph at a size, as a paint (or, on paper, a print) draws it.
inline QImage Painted(TestRecord& rec, int nWidth, int nHeight, bool bPrinting = false) {
    QImage image(nWidth, nHeight, QImage::Format_RGB32);
    image.fill(Qt::black);
    CRecordingPane pane;
    CGraphDC dc(image, bPrinting);
    bPrinting ? PrintPass(rec, dc, pane, false) : PaintPass(rec, dc, pane, false);
    return image;
}

inline QRgb Rgb(COLORREF cr) {
    return qRgb(GetRValue(cr), GetGValue(cr), GetBValue(cr));
}
inline bool Is(const QImage& image, int x, int y, COLORREF cr) {
    return image.pixel(x, y) == Rgb(cr);
}
inline int Round(double d) {
    return static_cast<int>(std::floor(d + 0.5));
}

// Pixels of a rectangle that pass a test.
template <typename Test>
int Count(const QImage& image, const QRect& rc, Test test) {
    int n = 0;
    const QRect rcIn = rc & image.rect();
    for (int y = rcIn.top(); y <= rcIn.bottom(); ++y) {
        for (int x = rcIn.left(); x <= rcIn.right(); ++x) {
            n += test(image.pixel(x, y)) ? 1 : 0;
        }
    }
    return n;
}
inline int CountColor(const QImage& image, const QRect& rc, COLORREF cr) {
    return Count(image, rc, [&](QRgb rgb) { return rgb == Rgb(cr); });
}
// Dark pixels: text is drawn black, smoothed at its edges.
inline bool IsInk(QRgb rgb) {
    return qGray(rgb) < 96;
}
inline int CountInk(const QImage& image, const QRect& rc) {
    return Count(image, rc, IsInk);
}

// The smallest rectangle holding every dark pixel inside rc (empty when there is none).
inline QRect InkBounds(const QImage& image, const QRect& rc) {
    QRect rcInk;
    const QRect rcIn = rc & image.rect();
    for (int y = rcIn.top(); y <= rcIn.bottom(); ++y) {
        for (int x = rcIn.left(); x <= rcIn.right(); ++x) {
            if (IsInk(image.pixel(x, y))) {
                rcInk |= QRect(x, y, 1, 1);
            }
        }
    }
    return rcInk;
}

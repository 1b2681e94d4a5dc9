#pragma once

#include <QColor>
#include <QSize>
#include <QString>
#include <QVector>
#include <vector>

#include "core/files/CompareTests.h"
#include "graph/GraphRender.h"

class QPainter;

// The picture of several tests on one graph against wind speed: on the Compare window, in PNG,
// SVG and PDF alike (a white plot, each test in its own colour and line pattern, a legend
// below the plot naming the file and its first comment line).

// What is drawn: the tests in order, the quantities (one plot each, stacked; lift when none)
// and the unit system everything is shown in.
struct CompareView {
    std::vector<CompareTest> tests;
    std::vector<CompareQuantity> quantities{CompareQuantity::Lift};
    bool bEnglish = true;
};

// Test n's colour and dash pattern (empty: solid). Colours come from a palette told apart by
// readers with any of the common colour-vision deficiencies; the pattern changes with each
// round of the palette, so that no two of the first 32 tests look alike, in colour or in grey.
struct CompareStyle {
    QColor colour;
    QVector<qreal> dashes;
};
CompareStyle CompareStyleOf(int nIndex);
inline constexpr int COMPARE_PALETTE_SIZE = 7;

// Draws the whole picture into a box of size layout units (pixels on a screen, points on
// paper) at the painter's origin.
void DrawCompare(QPainter& painter, const QSizeF& size, const CompareView& view);

// The picture into a file: PNG and SVG of size pixels, PDF one page of size points.
bool RenderCompareToFile(const CompareView& view, const QString& strPath, RenderFormat format,
                         const QSize& size, QString& strError, qreal dPixelRatio = 1.0);

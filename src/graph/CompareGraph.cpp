#include "graph/CompareGraph.h"

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace {

// The palette without its yellow, which a white page swallows.
const QColor PALETTE[COMPARE_PALETTE_SIZE] = {
    QColor(0, 114, 178),    // blue
    QColor(213, 94, 0),     // vermilion
    QColor(0, 158, 115),    // bluish green
    QColor(204, 121, 167),  // reddish purple
    QColor(230, 159, 0),    // orange
    QColor(86, 180, 233),   // sky blue
    QColor(0, 0, 0),        // black
};

// In pen widths; the count is prime to the palette's, so colour and pattern part company.
const QVector<qreal> PATTERNS[] = {{}, {6, 3}, {1.5, 1.5}, {6, 2.5, 1.5, 2.5}, {12, 4}};
constexpr int PATTERN_COUNT = static_cast<int>(sizeof PATTERNS / sizeof PATTERNS[0]);

// Values far beyond any tunnel's, kept off the scale so one wild point cannot flatten the rest
// into a line or overflow the arithmetic of the ticks.
constexpr double VALUE_LIMIT = 1e9;

bool Plottable(double d) {
    return std::isfinite(d) && std::fabs(d) <= VALUE_LIMIT;
}

// A step of 1, 2 or 5 times a power of ten that cuts the span into at most nMax parts.
double NiceStep(double dSpan, int nMax) {
    const double dRough = dSpan / nMax;
    const double dPower = std::pow(10.0, std::floor(std::log10(dRough)));
    for (double dFactor : {1.0, 2.0, 5.0, 10.0}) {
        if (dFactor * dPower >= dRough) {
            return dFactor * dPower;
        }
    }
    return 10.0 * dPower;
}

struct Scale {
    double dMin = 0;
    double dMax = 1;
    double dStep = 0.2;
};

// From 0 (or below, for negative values) to the first step at or above the largest value.
Scale ScaleOver(double dLow, double dHigh, double dFloorTop, int nTicks) {
    Scale scale;
    dLow = std::min(dLow, 0.0);
    dHigh = std::max(dHigh, dFloorTop);
    if (dHigh - dLow <= 0) {
        dHigh = dLow + dFloorTop;
    }
    scale.dStep = NiceStep(dHigh - dLow, nTicks);
    scale.dMin = std::floor(dLow / scale.dStep) * scale.dStep;
    scale.dMax = std::ceil(dHigh / scale.dStep) * scale.dStep;
    if (scale.dMax <= scale.dMin) {
        scale.dMax = scale.dMin + scale.dStep;
    }
    return scale;
}

// A tick's label: as many decimals as the step needs.
QString TickText(double dValue, double dStep) {
    const int nDecimals = std::clamp(static_cast<int>(std::ceil(-std::log10(dStep) - 1e-9)), 0, 6);
    if (std::fabs(dValue) < dStep * 1e-6) {
        dValue = 0;  // no "-0.0"
    }
    return QString::number(dValue, 'f', nDecimals);
}

QString LegendText(const CompareTest& test, bool bEnglish) {
    QString strText = test.strName;
    if (!test.strComment.isEmpty()) {
        strText += QStringLiteral(" \u2014 ") + test.strComment;
    }
    if (test.bEnglish != bEnglish) {
        strText += test.bEnglish ? QStringLiteral(" (saved in English units, converted)")
                                 : QStringLiteral(" (saved in Metric units, converted)");
    }
    return strText;
}

QPen CurvePen(int nIndex, qreal dWidth) {
    const CompareStyle style = CompareStyleOf(nIndex);
    QPen pen(style.colour, dWidth, Qt::SolidLine, Qt::FlatCap, Qt::RoundJoin);
    if (!style.dashes.isEmpty()) {
        pen.setDashPattern(style.dashes);
    }
    return pen;
}

}  // namespace

CompareStyle CompareStyleOf(int nIndex) {
    const int n = std::max(nIndex, 0);
    return {PALETTE[n % COMPARE_PALETTE_SIZE], PATTERNS[n % PATTERN_COUNT]};
}

namespace {

struct Layout {
    qreal dUnit;  // the text's size
    qreal dLine;  // a line of text
    qreal dPad;
    qreal dThin;   // grid
    qreal dCurve;  // curves
};

// One quantity's plot in a box: its title above, the wind scale below.
void DrawPanel(QPainter& painter, const QRectF& box, const CompareView& view,
               CompareQuantity quantity, const Layout& lay, const QFontMetricsF& fm) {
    std::vector<std::vector<QPointF>> curves;
    double dTopWind = 0;
    double dLow = 0;
    double dHigh = 0;
    for (const CompareTest& test : view.tests) {
        std::vector<QPointF> pts;
        for (const ComparePoint& pt : PointsIn(test, view.bEnglish)) {
            const double dValue = QuantityOf(pt, quantity);
            if (Plottable(pt.dWind) && Plottable(dValue)) {
                pts.emplace_back(pt.dWind, dValue);
                dTopWind = std::max(dTopWind, pt.dWind);
                dLow = std::min(dLow, dValue);
                dHigh = std::max(dHigh, dValue);
            }
        }
        curves.push_back(std::move(pts));
    }

    const qreal dLeft = box.left() + lay.dPad + fm.horizontalAdvance(QStringLiteral("-000.000"));
    const qreal dTop = box.top() + lay.dLine * 1.3;
    const qreal dRight = box.right() - lay.dPad * 2;
    const qreal dBottom = box.bottom() - lay.dLine * 2.2;
    const QRectF plot(QPointF(dLeft, dTop),
                      QPointF(std::max(dRight, dLeft + 1), std::max(dBottom, dTop + 1)));

    painter.setPen(Qt::black);
    painter.drawText(QRectF(box.left(), box.top(), box.width(), lay.dLine),
                     Qt::AlignHCenter | Qt::AlignTop,
                     QStringLiteral("%1 against wind speed (%2)")
                         .arg(QuantityTitle(quantity, view.bEnglish), SpeedUnit(view.bEnglish)));

    const Scale sx = ScaleOver(0, dTopWind, 10, 10);
    const Scale sy = ScaleOver(dLow, dHigh, quantity == CompareQuantity::Cd ? 0.1 : 0.01,
                               std::clamp(static_cast<int>(plot.height() / (lay.dLine * 2)), 2, 8));
    auto mapX = [&](double x) {
        return plot.left() + (x - sx.dMin) / (sx.dMax - sx.dMin) * plot.width();
    };
    auto mapY = [&](double y) {
        return plot.bottom() - (y - sy.dMin) / (sy.dMax - sy.dMin) * plot.height();
    };

    const int nStepsX = static_cast<int>(std::lround((sx.dMax - sx.dMin) / sx.dStep));
    const int nStepsY = static_cast<int>(std::lround((sy.dMax - sy.dMin) / sy.dStep));
    painter.setPen(QPen(QColor(205, 205, 205), lay.dThin));
    for (int i = 0; i <= nStepsX; ++i) {
        const qreal x = mapX(sx.dMin + i * sx.dStep);
        painter.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
    }
    for (int i = 0; i <= nStepsY; ++i) {
        const qreal y = mapY(sy.dMin + i * sy.dStep);
        painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
    }
    painter.setPen(Qt::black);
    for (int i = 0; i <= nStepsX; ++i) {
        const double dValue = sx.dMin + i * sx.dStep;
        const qreal x = mapX(dValue);
        painter.drawText(
            QRectF(x - lay.dUnit * 4, plot.bottom() + lay.dThin * 4, lay.dUnit * 8, lay.dLine),
            Qt::AlignHCenter | Qt::AlignTop, TickText(dValue, sx.dStep));
    }
    for (int i = 0; i <= nStepsY; ++i) {
        const double dValue = sy.dMin + i * sy.dStep;
        const qreal y = mapY(dValue);
        painter.drawText(QRectF(box.left(), y - lay.dLine / 2,
                                plot.left() - box.left() - lay.dUnit * 0.5, lay.dLine),
                         Qt::AlignRight | Qt::AlignVCenter, TickText(dValue, sy.dStep));
    }
    painter.drawText(QRectF(plot.left(), plot.bottom() + lay.dLine * 1.1, plot.width(), lay.dLine),
                     Qt::AlignHCenter | Qt::AlignTop,
                     QStringLiteral("Wind speed (%1)").arg(SpeedUnit(view.bEnglish)));
    painter.setPen(QPen(Qt::black, lay.dThin * 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(plot);

    painter.save();
    painter.setClipRect(plot.adjusted(-lay.dCurve, -lay.dCurve, lay.dCurve, lay.dCurve));
    for (std::size_t n = 0; n < curves.size(); ++n) {
        if (curves[n].empty()) {
            continue;
        }
        QPainterPath path(QPointF(mapX(curves[n][0].x()), mapY(curves[n][0].y())));
        for (std::size_t k = 1; k < curves[n].size(); ++k) {
            path.lineTo(mapX(curves[n][k].x()), mapY(curves[n][k].y()));
        }
        painter.setPen(CurvePen(static_cast<int>(n), lay.dCurve));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(path);
        if (curves[n].size() == 1) {
            // A lone point has no line: a dot shows it.
            painter.setPen(Qt::NoPen);
            painter.setBrush(CompareStyleOf(static_cast<int>(n)).colour);
            painter.drawEllipse(path.currentPosition(), lay.dCurve * 1.5, lay.dCurve * 1.5);
        }
    }
    painter.restore();
}

}  // namespace

void DrawCompare(QPainter& painter, const QSizeF& size, const CompareView& view) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.fillRect(QRectF(QPointF(0, 0), size), Qt::white);

    Layout lay{};
    lay.dUnit = std::clamp(std::min(size.width(), size.height() * 1.4) / 64.0, 10.0, 15.0);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(lay.dUnit))));
    painter.setFont(font);
    const QFontMetricsF fm(font, painter.device());
    lay.dLine = fm.height();
    lay.dPad = lay.dUnit * 0.8;
    lay.dThin = std::max(0.5, lay.dUnit / 20);
    lay.dCurve = std::max(2.0, lay.dUnit / 6);

    // The legend takes one line a test, as many as leave the plots half the height.
    const int nTests = static_cast<int>(view.tests.size());
    const int nRoom = std::max(1, static_cast<int>((size.height() * 0.45) / lay.dLine) - 1);
    const int nShown = std::min(nTests, nTests > nRoom ? nRoom - 1 : nRoom);
    const int nLegendLines = nTests == 0 ? 1 : nShown + (nShown < nTests ? 1 : 0);
    const qreal dPlotsBottom = size.height() - lay.dPad * 2 - nLegendLines * lay.dLine;

    const std::vector<CompareQuantity> quantities =
        view.quantities.empty() ? std::vector<CompareQuantity>{CompareQuantity::Lift}
                                : view.quantities;
    const qreal dPanel = (dPlotsBottom - lay.dPad) / static_cast<qreal>(quantities.size());
    for (std::size_t k = 0; k < quantities.size(); ++k) {
        // A gap between plots stacked one above the other.
        const QRectF box(0, lay.dPad + dPanel * static_cast<qreal>(k), size.width(),
                         dPanel - lay.dPad);
        DrawPanel(painter, box, view, quantities[k], lay, fm);
    }

    // A sample of each line, then the file, its first comment and a word on its units.
    const qreal dLeft = lay.dPad + fm.horizontalAdvance(QStringLiteral("-000.000"));
    const qreal dSample = lay.dUnit * 4;
    qreal y = size.height() - lay.dPad - nLegendLines * lay.dLine;
    painter.setPen(Qt::black);
    if (nTests == 0) {
        painter.drawText(QRectF(dLeft, y, size.width() - dLeft - lay.dPad, lay.dLine),
                         Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("No tests to compare"));
    }
    for (int n = 0; n < nShown; ++n, y += lay.dLine) {
        painter.setPen(CurvePen(n, lay.dCurve));
        painter.drawLine(QPointF(dLeft, y + lay.dLine / 2),
                         QPointF(dLeft + dSample, y + lay.dLine / 2));
        painter.setPen(Qt::black);
        const QRectF text(dLeft + dSample + lay.dUnit, y,
                          size.width() - dLeft - dSample - lay.dUnit - lay.dPad, lay.dLine);
        painter.drawText(
            text, Qt::AlignLeft | Qt::AlignVCenter,
            fm.elidedText(LegendText(view.tests[static_cast<std::size_t>(n)], view.bEnglish),
                          Qt::ElideRight, text.width()));
    }
    if (nShown < nTests) {
        painter.drawText(QRectF(dLeft, y, size.width() - dLeft - lay.dPad, lay.dLine),
                         Qt::AlignLeft | Qt::AlignVCenter,
                         QStringLiteral("and %1 more").arg(nTests - nShown));
    }
    painter.restore();
}

bool RenderCompareToFile(const CompareView& view, const QString& strPath, RenderFormat format,
                         const QSize& size, QString& strError, qreal dPixelRatio) {
    return RenderPictureToFile(
        strPath, format, size,
        [&](QPaintDevice& device, RenderFormat fmt) {
            QPainter painter;
            if (!painter.begin(&device)) {
                return false;
            }
            // A page is laid out in points and drawn at the writer's resolution.
            if (fmt == RenderFormat::Pdf) {
                painter.scale(device.logicalDpiX() / 72.0, device.logicalDpiY() / 72.0);
            }
            DrawCompare(painter, QSizeF(size), view);
            return painter.end();
        },
        strError, dPixelRatio);
}

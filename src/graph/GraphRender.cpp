#include "graph/GraphRender.h"

#include "core/files/WholeFile.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QSvgGenerator>

#include "graph/GraphDC.h"
#include "graph/GraphPasses.h"

namespace {

// A file has no status bar.
class CNoStatusPane : public CStatusPane {
public:
    void SetStatusText(const std::string&) override {}
};

bool Draw(const TestRecord& rec, QPaintDevice& device, RenderFormat format) {
    CNoStatusPane pane;
    CGraphDC dc(device, format == RenderFormat::Pdf);
    if (!dc.IsActive()) {
        return false;
    }
    if (format == RenderFormat::Pdf) {
        PrintPass(rec, dc, pane, false);
    } else {
        PaintPass(rec, dc, pane, false);
    }
    return true;
}

bool DrawInto(const PictureDrawer& fnDraw, QIODevice& file, RenderFormat format, const QSize& size,
              qreal dPixelRatio) {
    switch (format) {
        case RenderFormat::Png: {
            QImage image((QSizeF(size) * dPixelRatio).toSize(), QImage::Format_RGB32);
            if (image.isNull()) {
                return false;
            }
            image.setDevicePixelRatio(dPixelRatio);
            image.fill(Qt::white);
            return fnDraw(image, format) && image.save(&file, "PNG");
        }
        case RenderFormat::Svg: {
            QSvgGenerator svg;
            svg.setOutputDevice(&file);
            svg.setSize(size);
            svg.setViewBox(QRect(QPoint(0, 0), size));
            svg.setTitle(QStringLiteral("Zef"));
            svg.setResolution(96);  // one pixel a CSS pixel
            return fnDraw(svg, format);
        }
        case RenderFormat::Pdf: {
            QPdfWriter pdf(&file);
            pdf.setCreator(QStringLiteral("Zef"));
            pdf.setResolution(PDF_RESOLUTION);
            const QPageSize page(QSizeF(size), QPageSize::Point, QString(), QPageSize::ExactMatch);
            pdf.setPageLayout(QPageLayout(page, QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
            return fnDraw(pdf, format);
        }
    }
    return false;
}

}  // namespace

std::optional<RenderFormat> RenderFormatOf(const QString& strPath) {
    const QString strSuffix = QFileInfo(strPath).suffix().toLower();
    if (strSuffix == QLatin1String("png")) {
        return RenderFormat::Png;
    }
    if (strSuffix == QLatin1String("svg")) {
        return RenderFormat::Svg;
    }
    if (strSuffix == QLatin1String("pdf")) {
        return RenderFormat::Pdf;
    }
    return std::nullopt;
}

QSize LandscapePageFor(const QLocale& locale) {
    const QPageSize page(locale.measurementSystem() == QLocale::ImperialUSSystem ? QPageSize::Letter
                                                                                 : QPageSize::A4);
    return page.sizePoints().transposed();
}

bool RenderToFile(const TestRecord& rec, const QString& strPath, RenderFormat format,
                  const QSize& size, QString& strError, qreal dPixelRatio) {
    return RenderPictureToFile(
        strPath, format, size,
        [&rec](QPaintDevice& device, RenderFormat fmt) { return Draw(rec, device, fmt); }, strError,
        dPixelRatio);
}

bool RenderPictureToFile(const QString& strPath, RenderFormat format, const QSize& size,
                         const PictureDrawer& fnDraw, QString& strError, qreal dPixelRatio) {
    if (size.width() < 1 || size.height() < 1 || size.width() > RENDER_SIZE_LIMIT ||
        size.height() > RENDER_SIZE_LIMIT) {
        strError = QStringLiteral("size must be between 1x1 and %1x%1").arg(RENDER_SIZE_LIMIT);
        return false;
    }
    // A ratio no screen has, or one that makes the picture too large to hold.
    if (!(dPixelRatio > 0.0 && dPixelRatio <= 8.0)) {
        strError = QStringLiteral("pixel ratio must be above 0 and at most 8");
        return false;
    }
    // Drawn in memory first, so the file is put in place whole or not at all.
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (!DrawInto(fnDraw, buffer, format, size, dPixelRatio)) {
        strError = QStringLiteral("could not draw");
        return false;
    }
    buffer.close();
    const QByteArray& data = buffer.data();
    return WriteFileWhole(strPath, data.constData(), static_cast<std::size_t>(data.size()),
                          strError);
}

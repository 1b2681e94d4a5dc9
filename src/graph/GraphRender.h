#pragma once

#include <QLocale>
#include <QSize>
#include <QString>
#include <functional>
#include <optional>

#include "core/record/TestRecord.h"

class QPaintDevice;

// Drawing a test record's graph into a file with the console's own routines: PNG and SVG as the
// window shows it (light grey plot), PDF as it is printed (white plot, one page).
enum class RenderFormat { Png, Svg, Pdf };

// The format a file name asks for by its extension (any case), if any.
std::optional<RenderFormat> RenderFormatOf(const QString& strPath);

// PNG and SVG: the picture's size in pixels. PDF: the page's size in points (1/72 inch), drawn
// edge to edge at the 1200 dots per inch of a printer.
inline constexpr QSize RENDER_DEFAULT_SIZE{1024, 768};
inline constexpr QSize RENDER_DEFAULT_PAGE{842, 595};  // A4 landscape
inline constexpr int RENDER_SIZE_LIMIT = 10000;
inline constexpr int PDF_RESOLUTION = 1200;

// The paper a printout takes where the locale is: Letter where its measures are the US
// customary ones, A4 elsewhere; as a landscape page in points.
QSize LandscapePageFor(const QLocale& locale);

// Writes the file whole or not at all. False, with a reason, when the size is outside
// 1..RENDER_SIZE_LIMIT or the file cannot be written. A PNG is drawn at dPixelRatio device
// pixels to each of its pixels, as a window on a screen of that ratio shows the graph; the
// other formats ignore the ratio. The record is drawn as it stands, its unit scales applied by
// its owner, on a screen of the file's own.
bool RenderToFile(const TestRecord& rec, const QString& strPath, RenderFormat format,
                  const QSize& size, QString& strError, qreal dPixelRatio = 1.0);

// Draws a picture on the device the format asks for; false when it could not be drawn.
using PictureDrawer = std::function<bool(QPaintDevice& device, RenderFormat format)>;

// Any picture into a file, by the same rules as RenderToFile: PNG and SVG of size pixels, PDF a
// page of size points at PDF_RESOLUTION, written whole or not at all.
bool RenderPictureToFile(const QString& strPath, RenderFormat format, const QSize& size,
                         const PictureDrawer& fnDraw, QString& strError, qreal dPixelRatio = 1.0);

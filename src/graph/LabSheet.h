#pragma once

#include <QDateTime>
#include <QLocale>
#include <QPageSize>
#include <QString>

#include "core/record/TestRecord.h"

class QPagedPaintDevice;

// The lab sheet: a test set out for a report. Page 1 is headed by the test's file, when it was
// saved, the units, the Cd area and the comments; the graph as printed; and a summary (points,
// wind range, largest lift, drag at the highest wind, fitted Cd with its 95 % interval, best
// L/D). The pages after it list every recorded point. Every page is numbered "Page n of N".

// Where the test on the sheet comes from: the file's name and its modification time, or no
// name for a test that is in no file as it stands.
struct SheetSource {
    QString strName;
    QDateTime dtSaved;
};

// The file at strPath when it holds the test as it stands (read back as the console's Open
// would, the same units, area, comments and points), else a source with no name: a test changed
// since it was saved, or never saved, is not dated by a file that does not hold it.
SheetSource SheetSourceFor(const TestRecord& rec, const QString& strPath);

// Portrait paper where the locale is: Letter where its measures are the US customary ones, A4
// elsewhere.
QPageSize SheetPaperFor(const QLocale& locale);

// Margin kept blank around the sheet on every side, in points.
inline constexpr double SHEET_MARGIN_POINTS = 36.0;

// Draws the sheet on a device already laid out (paper, margins): a printer, or a PDF writer.
// The record is drawn as it stands, its unit scales applied by its owner. False when the device
// could not be painted on.
bool DrawLabSheet(const TestRecord& rec, const SheetSource& source, QPagedPaintDevice& device);

// The sheet as a PDF on the paper given (portrait, SHEET_MARGIN_POINTS on every side), written
// whole or not at all. False, with the system's reason, when it could not be written.
bool WriteLabSheet(const TestRecord& rec, const SheetSource& source, const QString& strPath,
                   const QPageSize& paper, QString& strError);

#pragma once

#include <QLocale>
#include <QSize>
#include <QString>
#include <QStringList>
#include <optional>

class CZEFView;
class QWidget;
class TestRecord;

// File > Export: the current test as CSV rows, or its graph as a PNG or SVG picture of the
// window or a PDF page as printed. The same writers as zeftool's.
enum class ExportFormat { Csv, Png, Svg, Pdf };

// The Export dialog's filters, in the order of ExportFormat.
const QStringList& ExportFilters();

// The type a file name asks for by its extension (any case); else the one of the chosen filter.
ExportFormat ExportFormatFor(const QString& strPath, int nFilter);

// What is drawn and where: the window's size and pixel ratio for the pictures, the locale for
// the paper of a PDF.
struct ExportTarget {
    QSize viewSize;
    qreal dPixelRatio = 1.0;
    QLocale locale;
};

// Writes the file whole or not at all, drawing on a copy of the record so that the window's own
// layout is left alone. False, with the system's reason, when it could not be written; a file
// already there is then unchanged.
bool ExportTest(const TestRecord& rec, const QString& strPath, ExportFormat format,
                const ExportTarget& target, QString& strError);

// The command: asks for a file (the dialog titled "Export") and writes it; a failure is told in
// a box that names the file and the reason.
void OnFileExport(CZEFView& view, QWidget* pParent);

// The file an export goes to, the type it asks for, and whether a file of that name was there.
struct ExportChoice {
    QString strPath;
    ExportFormat format;
    bool bExisted;
};
// The export dialog, titled strTitle (filters in the order of ExportFormat); nothing on Cancel.
std::optional<ExportChoice> ChooseExportFile(QWidget* pParent, const QString& strTitle);
// What the box of a failed export says: the file, the reason, and that the file already there is
// unchanged when there was one.
QString ExportFailureText(const ExportChoice& choice, const QString& strError);

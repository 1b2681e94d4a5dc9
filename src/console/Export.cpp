#include "console/Export.h"

#include <QFileDialog>
#include <QFileInfo>

#include "console/ZEFView.h"
#include "core/base/OperatorMessages.h"
#include "core/files/CsvText.h"
#include "core/files/WholeFile.h"
#include "graph/GraphRender.h"

namespace {

constexpr const char* SUFFIXES[] = {"csv", "png", "svg", "pdf"};

}  // namespace

const QStringList& ExportFilters() {
    static const QStringList filters = {
        QStringLiteral("CSV Files (*.csv)"), QStringLiteral("PNG Images (*.png)"),
        QStringLiteral("SVG Images (*.svg)"), QStringLiteral("PDF Files (*.pdf)")};
    return filters;
}

ExportFormat ExportFormatFor(const QString& strPath, int nFilter) {
    const QString strSuffix = QFileInfo(strPath).suffix();
    for (int k = 0; k < 4; ++k) {
        if (strSuffix.compare(QLatin1String(SUFFIXES[k]), Qt::CaseInsensitive) == 0) {
            return static_cast<ExportFormat>(k);
        }
    }
    return nFilter >= 0 && nFilter < 4 ? static_cast<ExportFormat>(nFilter) : ExportFormat::Csv;
}

bool ExportTest(const TestRecord& rec, const QString& strPath, ExportFormat format,
                const ExportTarget& target, QString& strError) {
    if (format == ExportFormat::Csv) {
        const std::string strText = FormatCsv(rec);
        return WriteFileWhole(strPath, strText.data(), strText.size(), strError);
    }
    TestRecord copy = rec;
    copy.ApplyUnitScales();  // as a full draw of the window shows them
    switch (format) {
        case ExportFormat::Png:
            return RenderToFile(copy, strPath, RenderFormat::Png, target.viewSize, strError,
                                target.dPixelRatio);
        case ExportFormat::Svg:
            return RenderToFile(copy, strPath, RenderFormat::Svg, target.viewSize, strError);
        default:
            return RenderToFile(copy, strPath, RenderFormat::Pdf, LandscapePageFor(target.locale),
                                strError);
    }
}

std::optional<ExportChoice> ChooseExportFile(QWidget* pParent, const QString& strTitle) {
    QFileDialog dlg(pParent, strTitle);
    dlg.setOption(QFileDialog::DontUseNativeDialog);
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setNameFilters(ExportFilters());
    // A name typed without an extension takes the chosen filter's, before the dialog asks
    // about replacing a file of that name.
    dlg.setDefaultSuffix(QLatin1String(SUFFIXES[0]));
    QObject::connect(&dlg, &QFileDialog::filterSelected, &dlg, [&dlg](const QString& strFilter) {
        const int k = static_cast<int>(ExportFilters().indexOf(strFilter));
        dlg.setDefaultSuffix(QLatin1String(SUFFIXES[k < 0 ? 0 : k]));
    });
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    const QString strPath = dlg.selectedFiles().constFirst();
    return ExportChoice{strPath,
                        ExportFormatFor(strPath, static_cast<int>(ExportFilters().indexOf(
                                                     dlg.selectedNameFilter()))),
                        QFileInfo::exists(strPath)};
}

QString ExportFailureText(const ExportChoice& choice, const QString& strError) {
    QString strText = QStringLiteral("Cannot export to \"%1\":\r%2").arg(choice.strPath, strError);
    if (choice.bExisted) {
        strText += QStringLiteral("\rThe file already there is unchanged.");
    }
    return strText;
}

void OnFileExport(CZEFView& view, QWidget* pParent) {
    const std::optional<ExportChoice> choice = ChooseExportFile(pParent, QStringLiteral("Export"));
    if (!choice) {
        return;
    }
    const ExportTarget target{view.size(), view.devicePixelRatioF(), QLocale()};
    QString strError;
    if (!ExportTest(view.m_rec, choice->strPath, choice->format, target, strError)) {
        view.MessageBox(ExportFailureText(*choice, strError), MB_OK | MB_ICONEXCLAMATION);
    }
}

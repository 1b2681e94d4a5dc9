#include "console/SheetCommand.h"

#include <QDir>
#include <QFileInfo>
#include <QPageLayout>
#include <QPrintDialog>
#include <QPrinter>

#include "console/ZEFView.h"
#include "core/base/OperatorMessages.h"
#include "graph/LabSheet.h"

bool PrintLabSheet(CZEFView& view, QPrinter& printer, QString& strError) {
    TestRecord copy = view.m_rec;
    copy.ApplyUnitScales();  // as the printout shows them; the window's record is left alone
    const SheetSource source = SheetSourceFor(copy, view.m_strTestFile);
    if (printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty()) {
        return WriteLabSheet(copy, source, printer.outputFileName(),
                             printer.pageLayout().pageSize(), strError);
    }
    const double m = SHEET_MARGIN_POINTS;
    printer.setPageOrientation(QPageLayout::Portrait);
    printer.setPageMargins(QMarginsF(m, m, m, m), QPageLayout::Point);
    if (!DrawLabSheet(copy, source, printer)) {
        strError = QStringLiteral("The printer could not be used.");
        return false;
    }
    return true;
}

void OnFileLabSheet(CZEFView& view, QWidget* pParent) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(SheetPaperFor(QLocale()));
    printer.setPageOrientation(QPageLayout::Portrait);
    printer.setOutputFormat(QPrinter::PdfFormat);
    const QFileInfo test(view.m_strTestFile);
    printer.setOutputFileName(view.m_strTestFile.isEmpty()
                                  ? QDir::home().filePath(QStringLiteral("lab-sheet.pdf"))
                                  : test.dir().filePath(test.completeBaseName() +
                                                        QStringLiteral(".pdf")));
    printer.setDocName(QStringLiteral("Lab Sheet"));
    QPrintDialog dlg(&printer, pParent);
    dlg.setWindowTitle(QStringLiteral("Lab Sheet"));
    dlg.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dlg.setOption(QAbstractPrintDialog::PrintSelection, false);
    dlg.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    if (dlg.exec() != QDialog::Accepted) {
        return;
    }
    printer.setPrintRange(QPrinter::AllPages);
    QString strError;
    if (!PrintLabSheet(view, printer, strError)) {
        const bool bFile = printer.outputFormat() == QPrinter::PdfFormat;
        QString strText =
            bFile ? QStringLiteral("Cannot write the lab sheet to \"%1\":\r%2")
                        .arg(printer.outputFileName(), strError)
                  : QStringLiteral("Cannot print the lab sheet:\r%1").arg(strError);
        if (bFile && QFileInfo::exists(printer.outputFileName())) {
            strText += QStringLiteral("\rThe file already there is unchanged.");
        }
        view.MessageBox(strText, MB_OK | MB_ICONEXCLAMATION);
    }
}

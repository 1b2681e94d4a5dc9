#pragma once

#include <QString>

class CZEFView;
class QPrinter;
class QWidget;

// File > Lab Sheet: the print dialog, titled "Lab Sheet", set to write a PDF beside the test's
// file (or in the home folder for a test never saved); the operator may choose a printer
// instead. A PDF is written whole or not at all, as zeftool sheet writes it; a failure is told
// in a box that names the file and the reason.
void OnFileLabSheet(CZEFView& view, QWidget* pParent);

// The sheet of the view's test onto a printer (or a PDF printer), as the dialog chose; false
// when it could not be written, with the reason.
bool PrintLabSheet(CZEFView& view, QPrinter& printer, QString& strError);

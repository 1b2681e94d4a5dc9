#include "console/MessageBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <vector>

unsigned EffectiveIcon(unsigned nType) {
    const unsigned nIcon = nType & MB_ICONMASK;
    if (nIcon != 0) {
        return nIcon;
    }
    switch (nType & MB_TYPEMASK) {
        case MB_OK:
        case MB_OKCANCEL:
        case MB_YESNO:
        case MB_YESNOCANCEL:
            return MB_ICONEXCLAMATION;
        default:
            return 0;
    }
}

int CQtMessageBoxes::Show(const QString& strText, unsigned nType) {
    QWidget* pParent = QApplication::activeModalWidget();
    if (!pParent) {
        pParent = QApplication::activeWindow();
    }
    QString strShown = strText;
    strShown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QMessageBox box(pParent);
    box.setWindowTitle(QStringLiteral("Zef"));
    box.setText(strShown);
    switch (EffectiveIcon(nType)) {
        case MB_ICONQUESTION:
            box.setIcon(QMessageBox::Question);
            break;
        case MB_ICONEXCLAMATION:
            box.setIcon(QMessageBox::Warning);
            break;
        default:
            box.setIcon(QMessageBox::NoIcon);
            break;
    }
    struct Button {
        QMessageBox::StandardButton qt;
        int nId;
    };
    std::vector<Button> buttons;
    switch (nType & MB_TYPEMASK) {
        case MB_OKCANCEL:
            buttons = {{QMessageBox::Ok, IDOK}, {QMessageBox::Cancel, IDCANCEL}};
            break;
        case MB_YESNOCANCEL:
            buttons = {{QMessageBox::Yes, IDYES},
                       {QMessageBox::No, IDNO},
                       {QMessageBox::Cancel, IDCANCEL}};
            break;
        case MB_YESNO:
            buttons = {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}};
            break;
        case MB_RETRYCANCEL:
            buttons = {{QMessageBox::Retry, IDRETRY}, {QMessageBox::Cancel, IDCANCEL}};
            break;
        default:
            buttons = {{QMessageBox::Ok, IDOK}};
            break;
    }
    QMessageBox::StandardButtons mask;
    for (const Button& b : buttons) {
        mask |= b.qt;
    }
    box.setStandardButtons(mask);
    box.setDefaultButton(buttons.front().qt);
    box.exec();
    const QAbstractButton* pClicked = box.clickedButton();
    for (const Button& b : buttons) {
        if (pClicked == box.button(b.qt)) {
            return b.nId;
        }
    }
    // Closed with Escape or the window's close button.
    return (nType & MB_TYPEMASK) == MB_OK ? IDOK
                                          : ((nType & MB_TYPEMASK) == MB_YESNO ? IDNO : IDCANCEL);
}

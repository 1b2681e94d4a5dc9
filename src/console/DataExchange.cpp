#include "console/DataExchange.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QValidator>
#include <algorithm>

#include "console/MessageBox.h"

bool ParseUnsigned(const QString& strText, unsigned& nValue) {
    const QString strTrimmed = strText.trimmed();
    if (strTrimmed.isEmpty()) {
        return false;
    }
    quint64 n = 0;
    for (QChar c : strTrimmed) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
            return false;
        }
        n = n * 10 + static_cast<unsigned>(c.unicode() - '0');
        if (n > 0xffffffffu) {
            return false;
        }
    }
    nValue = static_cast<unsigned>(n);
    return true;
}

bool FitsLimits(const QString& strText, int nMaxChars, int nMaxBytes) {
    if (nMaxChars > 0) {
        // Characters, not UTF-16 units: a character beyond the first plane is one, not two.
        const auto nChars =
            strText.size() - std::count_if(strText.cbegin(), strText.cend(),
                                           [](QChar c) { return c.isLowSurrogate(); });
        if (nChars > nMaxChars) {
            return false;
        }
    }
    return nMaxBytes <= 0 || strText.toUtf8().size() <= nMaxBytes;
}

namespace {

// Refuses an edit that takes the text over its limits. Text put in by the program is left whole
// (Qt's own length limit would cut it), so nothing the operator did not touch is lost.
class CLimitValidator : public QValidator {
public:
    CLimitValidator(int nMaxChars, int nMaxBytes, QObject* pParent)
        : QValidator(pParent), m_nMaxChars(nMaxChars), m_nMaxBytes(nMaxBytes) {}
    State validate(QString& strInput, int&) const override {
        return FitsLimits(strInput, m_nMaxChars, m_nMaxBytes) ? Acceptable : Invalid;
    }

private:
    int m_nMaxChars;
    int m_nMaxBytes;
};

}  // namespace

void CDataExchange::Fail(QWidget* pControl, const QString& strMessage) {
    if (m_bFailed) {
        return;
    }
    m_bFailed = true;
    m_boxes.Show(strMessage, MB_OK | MB_ICONEXCLAMATION);
    pControl->setFocus();
    if (auto* pEdit = qobject_cast<QLineEdit*>(pControl)) {
        pEdit->selectAll();
    }
}

void CDataExchange::Text(QLineEdit* pEdit, QString& strValue, int nMaxChars, int nMaxBytes) {
    if (m_bFailed) {
        return;
    }
    if (!m_bSaveAndValidate) {
        if ((nMaxChars > 0 || nMaxBytes > 0) && !pEdit->validator()) {
            pEdit->setValidator(new CLimitValidator(nMaxChars, nMaxBytes, pEdit));
        }
        pEdit->setText(strValue);
        return;
    }
    const QString strText = pEdit->text();
    if (!FitsLimits(strText, nMaxChars, nMaxBytes)) {
        Fail(pEdit, QStringLiteral("Please enter no more than %1 characters.").arg(nMaxChars));
        return;
    }
    strValue = strText;
}

void CDataExchange::Text(QLineEdit* pEdit, unsigned& nValue) {
    if (m_bFailed) {
        return;
    }
    if (!m_bSaveAndValidate) {
        pEdit->setText(QString::number(nValue));
        return;
    }
    unsigned n = 0;
    if (!ParseUnsigned(pEdit->text(), n)) {
        Fail(pEdit, QStringLiteral("Please enter a positive integer."));
        return;
    }
    nValue = n;
}

void CDataExchange::Radio(std::initializer_list<QRadioButton*> group, int& nValue) {
    if (m_bFailed) {
        return;
    }
    int i = 0;
    if (!m_bSaveAndValidate) {
        for (QRadioButton* pButton : group) {
            // Checking with auto-exclusion off lets "none" be shown for an index of -1.
            pButton->setAutoExclusive(false);
            pButton->setChecked(i++ == nValue);
            pButton->setAutoExclusive(true);
        }
        return;
    }
    nValue = -1;
    for (QRadioButton* pButton : group) {
        if (pButton->isChecked()) {
            nValue = i;
            break;
        }
        ++i;
    }
}

void CDataExchange::Check(QCheckBox* pBox, int& nValue) {
    if (m_bFailed) {
        return;
    }
    if (!m_bSaveAndValidate) {
        pBox->setChecked(nValue != 0);
        return;
    }
    nValue = pBox->isChecked() ? 1 : 0;
}

void CDataExchange::ComboText(QComboBox* pBox, QString& strValue) {
    if (m_bFailed) {
        return;
    }
    if (m_bSaveAndValidate) {
        strValue = pBox->currentText();
        return;
    }
    for (int i = 0; i < pBox->count(); ++i) {
        if (pBox->itemText(i).startsWith(strValue, Qt::CaseInsensitive)) {
            pBox->setCurrentIndex(i);
            return;
        }
    }
    pBox->setCurrentIndex(-1);
    pBox->setEditText(strValue);
}

CZefDialog::CZefDialog(CMessageBoxes& boxes, QWidget* pParent) : QDialog(pParent), m_boxes(boxes) {
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
}

bool CZefDialog::UpdateData(bool bSaveAndValidate) {
    CDataExchange dx(bSaveAndValidate, m_boxes);
    DoDataExchange(dx);
    return !dx.Failed();
}

int CZefDialog::DoModal() {
    UpdateData(false);
    OnInitDialog();
    if (m_pInitialFocus) {
        m_pInitialFocus->setFocus(Qt::OtherFocusReason);
    }
    return exec();
}

void CZefDialog::OnOK() {
    if (UpdateData(true)) {
        QDialog::accept();
    }
}

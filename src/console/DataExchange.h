#pragma once

#include <QDialog>
#include <QString>
#include <initializer_list>

class CMessageBoxes;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;
class QWidget;

// Moves values between a dialog's members and its controls, as the console's dialogs always
// have: into the controls when the dialog opens, back into the members (with checks) on OK.
class CDataExchange {
public:
    // A value refused is told through boxes.
    CDataExchange(bool bSaveAndValidate, CMessageBoxes& boxes)
        : m_bSaveAndValidate(bSaveAndValidate), m_boxes(boxes) {}

    // Text of an edit, optionally limited to nMaxChars characters and to nMaxBytes bytes of its
    // UTF-8 form (0: no limit). The limits stop typing; text the dialog opened with is shown whole
    // and, when it is over a limit, refused on OK with "Please enter no more than %1 characters."
    void Text(QLineEdit* pEdit, QString& strValue, int nMaxChars = 0, int nMaxBytes = 0);
    // An unsigned whole number in an edit; anything else is refused with
    // "Please enter a positive integer.".
    void Text(QLineEdit* pEdit, unsigned& nValue);
    // Index of the checked button of a group, -1 when none is.
    void Radio(std::initializer_list<QRadioButton*> group, int& nValue);
    void Check(QCheckBox* pBox, int& nValue);
    // A drop-down box's text: into the box it selects the first list entry that begins with it
    // (ignoring case), else stands in the edit field; out of the box it is what the edit shows.
    void ComboText(QComboBox* pBox, QString& strValue);

    bool SaveAndValidate() const { return m_bSaveAndValidate; }
    bool Failed() const { return m_bFailed; }
    // Refuses the value of a control: the message is shown, the control takes the focus (an
    // edit's text selected) and the dialog stays open. Only the first refusal is told.
    void Fail(QWidget* pControl, const QString& strMessage);

private:
    bool m_bSaveAndValidate;
    CMessageBoxes& m_boxes;
    bool m_bFailed = false;
};

// The text as an unsigned whole number: digits with blanks around them, nothing else.
bool ParseUnsigned(const QString& strText, unsigned& nValue);

// Whether a text keeps within nMaxChars characters and nMaxBytes bytes of UTF-8 (0: no limit).
bool FitsLimits(const QString& strText, int nMaxChars, int nMaxBytes);

// Base of the console's modal dialogs: data exchange on open and on OK.
class CZefDialog : public QDialog {
public:
    // Values refused on OK are told through boxes.
    explicit CZefDialog(CMessageBoxes& boxes, QWidget* pParent = nullptr);

    // Fills the controls from the members, runs OnInitDialog, and shows the dialog modally.
    // Returns QDialog::Accepted (OK) or QDialog::Rejected.
    int DoModal();
    // Exchanges data in the given direction; false when a check refused a value.
    bool UpdateData(bool bSaveAndValidate);

protected:
    virtual void DoDataExchange(CDataExchange& dx) = 0;
    // After the controls have been filled, before the dialog shows.
    virtual void OnInitDialog() {}
    // OK: take the values back; the dialog stays open when one is refused.
    virtual void OnOK();
    // The widget that has the focus when the dialog opens.
    QWidget* m_pInitialFocus = nullptr;
    CMessageBoxes& m_boxes;

    void accept() override { OnOK(); }
};

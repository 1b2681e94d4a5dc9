#pragma once

#include <QString>

// Message box types and answers, with the values the console has always used.
enum : unsigned {
    MB_OK = 0x0,
    MB_OKCANCEL = 0x1,
    MB_YESNOCANCEL = 0x3,
    MB_YESNO = 0x4,
    MB_RETRYCANCEL = 0x5,
    MB_ICONQUESTION = 0x20,
    MB_ICONEXCLAMATION = 0x30,
    MB_TYPEMASK = 0xf,
    MB_ICONMASK = 0xf0,
};
enum : int { IDOK = 1, IDCANCEL = 2, IDRETRY = 4, IDYES = 6, IDNO = 7 };

// Every operator message goes through one of these, so that tests can answer them.
class CMessageBoxes {
public:
    virtual ~CMessageBoxes() = default;
    // Shows a modal box captioned "Zef" and returns the button pressed. A carriage return in the
    // text breaks the line. A box asked for without an icon gets the exclamation icon when its
    // buttons are OK, OK/Cancel, Yes/No or Yes/No/Cancel.
    virtual int Show(const QString& strText, unsigned nType) = 0;
};

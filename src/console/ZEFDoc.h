#pragma once

#include <QString>

// The document of the console's one window. It holds nothing: the test lives in the view, which
// saves and opens it itself. Nothing marks it modified, so closing never asks to save.
class CZEFDoc {
public:
    // New: the title is emptied; the caller then runs the view's initial update.
    bool OnNewDocument() {
        m_strTitle.clear();
        return true;
    }
    const QString& Title() const { return m_strTitle; }

private:
    QString m_strTitle;
};

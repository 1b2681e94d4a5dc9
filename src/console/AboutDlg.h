#pragma once

#include <QDialog>

class QLabel;

// "About Zefron": the program's icon, its name and version, and OK.
class CAboutDlg : public QDialog {
public:
    explicit CAboutDlg(QWidget* pParent = nullptr);

    QLabel* m_pText;  // 1035
};

class QTextBrowser;
template <typename T>
class QPointer;

// Shows the operator's manual at strUrl (its contents) in the program's help window (made on
// first use, kept in the pointer given); false when the manual cannot be shown.
bool ShowHelpContents(QWidget* pOwner, QPointer<QTextBrowser>& pBrowser, const QString& strUrl);

// Where the manual is read from.
inline constexpr char HELP_URL[] = "qrc:/help/zef.html#Contents";

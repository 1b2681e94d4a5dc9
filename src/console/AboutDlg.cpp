#include "console/AboutDlg.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>
#include <QTextBrowser>
#include <QVBoxLayout>

CAboutDlg::CAboutDlg(QWidget* pParent) : QDialog(pParent) {
    setWindowTitle(QStringLiteral("About Zefron"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    auto* pIcon = new QLabel(this);
    pIcon->setPixmap(QIcon(QStringLiteral(":/zef.svg")).pixmap(32, 32));
    m_pText = new QLabel(this);
    m_pText->setObjectName(QStringLiteral("text"));
    // The stored text is always replaced: two blanks stand between the name and the version.
    m_pText->setText(QStringLiteral("Zefron  ") + QStringLiteral("Version 1.1"));
    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    pButtons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(pButtons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* pRow = new QHBoxLayout;
    pRow->addWidget(pIcon);
    pRow->addWidget(m_pText, 1);
    pRow->addWidget(pButtons);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addLayout(pRow);
}

bool ShowHelpContents(QWidget* pOwner, QPointer<QTextBrowser>& pBrowser, const QString& strUrl) {
    const QUrl url(strUrl);
    const QString strFile =
        url.scheme() == QLatin1String("qrc") ? QLatin1Char(':') + url.path() : url.toLocalFile();
    if (!QFile::exists(strFile)) {
        return false;
    }
    if (!pBrowser) {
        // A window of its own that belongs to the main window: closing the main window still
        // ends the program, and takes the help with it.
        pBrowser = new QTextBrowser(pOwner);
        pBrowser->setWindowFlag(Qt::Window);
        pBrowser->setAttribute(Qt::WA_DeleteOnClose);
        pBrowser->setObjectName(QStringLiteral("help"));
        pBrowser->setWindowTitle(QStringLiteral("Zefron Help"));
        pBrowser->setOpenExternalLinks(true);
        pBrowser->resize(760, 640);
        // Closed from the keyboard as any reading window is.
        for (const QKeySequence& key :
             {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)}) {
            auto* pClose = new QShortcut(key, pBrowser, pBrowser.data(), &QWidget::close);
            pClose->setContext(Qt::WindowShortcut);
        }
        if (pOwner) {
            pBrowser->move(pOwner->geometry().center() - QPoint(380, 320));
        }
    }
    pBrowser->setSource(url);
    if (pBrowser->document()->isEmpty()) {
        return false;
    }
    pBrowser->show();
    pBrowser->raise();
    pBrowser->activateWindow();
    return true;
}

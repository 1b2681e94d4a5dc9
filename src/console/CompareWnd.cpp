#include "console/CompareWnd.h"

#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>

#include "core/base/OperatorMessages.h"
#include "core/files/WholeFile.h"
#include "core/record/TestRecord.h"

namespace {

// The graph, drawn whole at every paint from what the window holds.
class CCompareCanvas : public QWidget {
public:
    explicit CCompareCanvas(const CCompareWnd& wnd, QWidget* pParent)
        : QWidget(pParent), m_wnd(wnd) {
        setObjectName(QStringLiteral("compareGraph"));
        setMinimumSize(360, 260);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        DrawCompare(painter, QSizeF(size()), m_wnd.View());
    }

private:
    const CCompareWnd& m_wnd;
};

// Local files among dropped URLs.
QStringList LocalFiles(const QMimeData* pData) {
    QStringList paths;
    if (pData && pData->hasUrls()) {
        for (const QUrl& url : pData->urls()) {
            if (url.isLocalFile()) {
                paths.append(url.toLocalFile());
            }
        }
    }
    return paths;
}

}  // namespace

bool ExportCompare(const CompareView& view, const QString& strPath, ExportFormat format,
                   const ExportTarget& target, QString& strError) {
    switch (format) {
        case ExportFormat::Csv: {
            const std::string strText = FormatCompareCsv(view.tests, view.bEnglish);
            return WriteFileWhole(strPath, strText.data(), strText.size(), strError);
        }
        case ExportFormat::Png:
            return RenderCompareToFile(view, strPath, RenderFormat::Png, target.viewSize, strError,
                                       target.dPixelRatio);
        case ExportFormat::Svg:
            return RenderCompareToFile(view, strPath, RenderFormat::Svg, target.viewSize, strError);
        case ExportFormat::Pdf:
            return RenderCompareToFile(view, strPath, RenderFormat::Pdf,
                                       LandscapePageFor(target.locale), strError);
    }
    return false;
}

CCompareWnd::CCompareWnd(const TestRecord& rec, CMessageBoxes& boxes, QWidget* pParent)
    : QWidget(pParent, Qt::Window), m_rec(rec), m_boxes(boxes) {
    setObjectName(QStringLiteral("compareTests"));
    setWindowTitle(QStringLiteral("Compare Tests"));
    setAcceptDrops(true);

    m_pList = new QListWidget(this);
    m_pList->setObjectName(QStringLiteral("tests"));
    m_pList->setSelectionMode(QAbstractItemView::SingleSelection);
    auto* pAdd = new QPushButton(QStringLiteral("&Add Files..."), this);
    auto* pCurrent = new QPushButton(QStringLiteral("Add &Current Test"), this);
    m_pRemove = new QPushButton(QStringLiteral("&Remove"), this);
    m_pUp = new QPushButton(QStringLiteral("Move &Up"), this);
    m_pDown = new QPushButton(QStringLiteral("Move &Down"), this);
    m_pQuantity = new QComboBox(this);
    m_pQuantity->setObjectName(QStringLiteral("quantity"));
    m_pQuantity->addItems({QStringLiteral("Lift"), QStringLiteral("Drag"), QStringLiteral("Cd"),
                           QStringLiteral("L/D")});
    auto* pQuantityLabel = new QLabel(QStringLiteral("&Show:"), this);
    pQuantityLabel->setBuddy(m_pQuantity);
    auto* pExport = new QPushButton(QStringLiteral("&Export..."), this);
    m_pProblems = new QLabel(this);
    m_pProblems->setObjectName(QStringLiteral("problems"));
    m_pProblems->setWordWrap(true);
    m_pProblems->setTextFormat(Qt::PlainText);
    m_pProblems->hide();
    m_pCanvas = new CCompareCanvas(*this, this);

    auto* pSide = new QVBoxLayout;
    pSide->addWidget(m_pList, 1);
    for (QPushButton* pButton : {pAdd, pCurrent, m_pRemove, m_pUp, m_pDown}) {
        pSide->addWidget(pButton);
    }
    pSide->addSpacing(8);
    auto* pShow = new QHBoxLayout;
    pShow->addWidget(pQuantityLabel);
    pShow->addWidget(m_pQuantity, 1);
    pSide->addLayout(pShow);
    pSide->addWidget(pExport);
    auto* pMain = new QVBoxLayout;
    pMain->addWidget(m_pCanvas, 1);
    pMain->addWidget(m_pProblems);
    auto* pTop = new QHBoxLayout(this);
    pTop->addLayout(pSide);
    pTop->addLayout(pMain, 1);
    m_pList->setMaximumWidth(260);

    connect(pAdd, &QPushButton::clicked, this, [this] { OnAddFiles(); });
    connect(pCurrent, &QPushButton::clicked, this, [this] { AddCurrentTest(); });
    connect(m_pRemove, &QPushButton::clicked, this, [this] { RemoveSelected(); });
    connect(m_pUp, &QPushButton::clicked, this, [this] { MoveSelected(-1); });
    connect(m_pDown, &QPushButton::clicked, this, [this] { MoveSelected(1); });
    connect(pExport, &QPushButton::clicked, this, [this] { OnExport(); });
    connect(m_pQuantity, &QComboBox::currentIndexChanged, this,
            [this](int nIndex) { SetQuantity(static_cast<CompareQuantity>(nIndex)); });
    connect(m_pList, &QListWidget::currentRowChanged, this, [this] { Refresh(); });
    resize(960, 640);
    Refresh();
}

void CCompareWnd::AddFiles(const QStringList& paths) {
    QStringList problems;
    for (const QString& strPath : paths) {
        CompareLoad load = LoadCompareTest(strPath);
        if (!load.strProblem.isEmpty()) {
            problems.append(QStringLiteral("%1: %2%3")
                                .arg(QFileInfo(strPath).fileName(), load.strProblem,
                                     load.test ? QStringLiteral(" (what was read is shown)")
                                               : QStringLiteral(" (left out)")));
        }
        if (load.test) {
            m_tests.push_back(std::move(*load.test));
        }
    }
    m_pProblems->setText(problems.join(QLatin1Char('\n')));
    m_pProblems->setVisible(!problems.isEmpty());
    Refresh();
    m_pList->setCurrentRow(m_pList->count() - 1);
}

void CCompareWnd::AddCurrentTest() {
    m_tests.push_back(CompareTestOf(m_rec, QStringLiteral("Current test")));
    Refresh();
    m_pList->setCurrentRow(m_pList->count() - 1);
}

void CCompareWnd::RemoveSelected() {
    const int nRow = m_pList->currentRow();
    if (nRow < 0 || nRow >= static_cast<int>(m_tests.size())) {
        return;
    }
    m_tests.erase(m_tests.begin() + nRow);
    Refresh();
    m_pList->setCurrentRow(std::min(nRow, m_pList->count() - 1));
}

void CCompareWnd::MoveSelected(int nBy) {
    const int nRow = m_pList->currentRow();
    const int nTo = nRow + nBy;
    const int nCount = static_cast<int>(m_tests.size());
    if (nRow < 0 || nRow >= nCount || nTo < 0 || nTo >= nCount) {
        return;
    }
    std::swap(m_tests[static_cast<std::size_t>(nRow)], m_tests[static_cast<std::size_t>(nTo)]);
    Refresh();
    m_pList->setCurrentRow(nTo);
}

void CCompareWnd::SetQuantity(CompareQuantity quantity) {
    m_quantity = quantity;
    if (m_pQuantity->currentIndex() != static_cast<int>(quantity)) {
        m_pQuantity->setCurrentIndex(static_cast<int>(quantity));
    }
    m_pCanvas->update();
}

void CCompareWnd::ConsoleChanged() {
    m_pCanvas->update();
}

CompareView CCompareWnd::View() const {
    return {m_tests, {m_quantity}, m_rec.m_bEnglish != 0};
}

QString CCompareWnd::Problems() const {
    return m_pProblems->text();
}

void CCompareWnd::Refresh() {
    // The list mirrors the tests; the selection is kept by row.
    const int nRow = m_pList->currentRow();
    const QSignalBlocker block(m_pList);
    if (m_pList->count() != static_cast<int>(m_tests.size())) {
        m_pList->clear();
        for (std::size_t n = 0; n < m_tests.size(); ++n) {
            m_pList->addItem(QString());
        }
    }
    for (std::size_t n = 0; n < m_tests.size(); ++n) {
        QListWidgetItem* pItem = m_pList->item(static_cast<int>(n));
        const CompareTest& test = m_tests[n];
        pItem->setText(test.strName);
        pItem->setToolTip(test.strPath.isEmpty()
                              ? test.strComment
                              : test.strPath + QLatin1Char('\n') + test.strComment);
        QPixmap swatch(16, 16);
        swatch.fill(CompareStyleOf(static_cast<int>(n)).colour);
        pItem->setIcon(QIcon(swatch));
    }
    m_pList->setCurrentRow(std::min(nRow, m_pList->count() - 1));
    const int nNow = m_pList->currentRow();
    m_pRemove->setEnabled(nNow >= 0);
    m_pUp->setEnabled(nNow > 0);
    m_pDown->setEnabled(nNow >= 0 && nNow + 1 < m_pList->count());
    m_pCanvas->update();
}

void CCompareWnd::OnAddFiles() {
    QFileDialog dlg(this, QStringLiteral("Add Tests"));
    dlg.setOption(QFileDialog::DontUseNativeDialog);
    dlg.setFileMode(QFileDialog::ExistingFiles);
    dlg.setNameFilters(
        {QStringLiteral("Test Files (*.ZEF *.zef)"), QStringLiteral("All Files (*)")});
    if (dlg.exec() == QDialog::Accepted) {
        AddFiles(dlg.selectedFiles());
    }
}

void CCompareWnd::OnExport() {
    const std::optional<ExportChoice> choice =
        ChooseExportFile(this, QStringLiteral("Export Comparison"));
    if (!choice) {
        return;
    }
    const ExportTarget target{m_pCanvas->size(), m_pCanvas->devicePixelRatioF(), QLocale()};
    QString strError;
    if (!ExportCompare(View(), choice->strPath, choice->format, target, strError)) {
        m_boxes.Show(ExportFailureText(*choice, strError), MB_OK | MB_ICONEXCLAMATION);
    }
}

void CCompareWnd::dragEnterEvent(QDragEnterEvent* pEvent) {
    if (!LocalFiles(pEvent->mimeData()).isEmpty()) {
        pEvent->acceptProposedAction();
    }
}

void CCompareWnd::dropEvent(QDropEvent* pEvent) {
    const QStringList paths = LocalFiles(pEvent->mimeData());
    if (!paths.isEmpty()) {
        pEvent->acceptProposedAction();
        AddFiles(paths);
    }
}

void CCompareWnd::showEvent(QShowEvent* pEvent) {
    if (!m_bPlaced) {
        m_bPlaced = true;
        PlaceBesideConsole();
    }
    QWidget::showEvent(pEvent);
}

void CCompareWnd::PlaceBesideConsole() {
    QWidget* pConsole = parentWidget();
    if (!pConsole) {
        return;
    }
    // To the console's right where the screen has room, else as far right as it goes.
    const QScreen* pScreen = pConsole->screen();
    const QRect rcScreen = pScreen ? pScreen->availableGeometry() : QRect();
    const QRect rcConsole = pConsole->frameGeometry();
    QPoint at(rcConsole.right() + 1, rcConsole.top());
    if (rcScreen.isValid()) {
        at.setX(std::max(rcScreen.left(), std::min(at.x(), rcScreen.right() + 1 - width())));
        at.setY(std::max(rcScreen.top(), std::min(at.y(), rcScreen.bottom() + 1 - height())));
    }
    move(at);
}

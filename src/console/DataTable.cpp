#include "console/DataTable.h"

#include <algorithm>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QIconEngine>
#include <QMainWindow>
#include <QPainter>
#include <QProxyStyle>
#include <QScrollBar>
#include <QTableView>

#include "console/DataTableModel.h"
#include "core/files/Profile.h"

namespace {

constexpr char KEY_VISIBLE[] = "Visible";
constexpr char KEY_AREA[] = "Area";
constexpr char KEY_FLOATING[] = "Floating";
constexpr char KEY_X[] = "X";
constexpr char KEY_Y[] = "Y";
constexpr char KEY_WIDTH[] = "Width";
constexpr char KEY_HEIGHT[] = "Height";

// A key written only when its value differs, so that showing the table does not rewrite the
// operator's file for nothing.
void Keep(CProfile& profile, const char* pKey, int nValue) {
    constexpr std::uint32_t NONE = 0xffffffffu;
    if (nValue < 0 || profile.GetProfileInt(PROFILE_DATA_TABLE, pKey, NONE) !=
                          static_cast<std::uint32_t>(nValue)) {
        profile.WriteProfileInt(PROFILE_DATA_TABLE, pKey, nValue);
    }
}

int Stored(const CProfile& profile, const char* pKey, int nDefault) {
    const std::uint32_t n =
        profile.GetProfileInt(PROFILE_DATA_TABLE, pKey, static_cast<std::uint32_t>(nDefault));
    return n > 100000 ? nDefault : static_cast<int>(n);
}

// The title bar's float and close buttons drawn as lines at whatever size they are asked for, so
// that they stay sharp on a screen at scale 2, where the style's small pictures are blown up.
class CTitleGlyph : public QIconEngine {
public:
    explicit CTitleGlyph(bool bClose) : m_bClose(bClose) {}

    void paint(QPainter* pPainter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        const QPalette palette = QGuiApplication::palette();
        QPen pen(mode == QIcon::Disabled ? palette.color(QPalette::Disabled, QPalette::WindowText)
                                         : palette.color(QPalette::WindowText));
        // One line a tenth of the button, at least a pixel: as thick at scale 2 as at scale 1.
        const int nPen = std::max(1, rect.height() / 10);
        pen.setWidth(nPen);
        pen.setCapStyle(Qt::SquareCap);
        pen.setJoinStyle(Qt::MiterJoin);
        pPainter->save();
        pPainter->setPen(pen);
        const int nSide = std::min(rect.width(), rect.height());
        const QRect square(rect.x() + (rect.width() - nSide) / 2,
                           rect.y() + (rect.height() - nSide) / 2, nSide, nSide);
        const int nInset = nSide / 5;
        const QRect inner = square.adjusted(nInset, nInset, -nInset - nPen, -nInset - nPen);
        if (m_bClose) {
            pPainter->setRenderHint(QPainter::Antialiasing);
            const QRectF f = QRectF(inner).translated(nPen / 2.0, nPen / 2.0);
            pPainter->drawLine(f.topLeft(), f.bottomRight());
            pPainter->drawLine(f.topRight(), f.bottomLeft());
        } else {
            // Two windows, one behind the other: the table leaves the console or comes back.
            const int nStep = inner.width() / 3;
            const QRect front = inner.adjusted(0, nStep, -nStep, 0);
            const QRect back = inner.adjusted(nStep, 0, 0, -nStep);
            pPainter->drawRect(front);
            pPainter->drawLine(back.left(), front.top(), back.left(), back.top());
            pPainter->drawLine(back.topLeft(), back.topRight());
            pPainter->drawLine(back.right(), back.top(), back.right(), back.bottom());
            pPainter->drawLine(front.right(), back.bottom(), back.right(), back.bottom());
        }
        pPainter->restore();
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        QPixmap pixmap(size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        paint(&painter, QRect(QPoint(), size), mode, state);
        return pixmap;
    }

    QIconEngine* clone() const override { return new CTitleGlyph(m_bClose); }

private:
    bool m_bClose;
};

// The desktop's style for all else.
class CDockStyle : public QProxyStyle {
public:
    QIcon standardIcon(StandardPixmap standardIcon, const QStyleOption* pOption,
                       const QWidget* pWidget) const override {
        switch (standardIcon) {
            case SP_TitleBarCloseButton:
            case SP_DockWidgetCloseButton:
                return QIcon(new CTitleGlyph(true));
            case SP_TitleBarNormalButton:
                return QIcon(new CTitleGlyph(false));
            default:
                return QProxyStyle::standardIcon(standardIcon, pOption, pWidget);
        }
    }
};

}  // namespace

CDataTableDock::CDataTableDock(const TestRecord& rec, QMainWindow& frame, CProfile& profile)
    : QDockWidget(QStringLiteral("Data Table"), &frame), m_frame(frame), m_profile(profile) {
    setObjectName(QStringLiteral("dataTable"));
    m_pModel = new CDataTableModel(rec, this);
    m_pTable = new QTableView(this);
    m_pTable->setObjectName(QStringLiteral("dataTableView"));
    m_pTable->setModel(m_pModel);
    m_pTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_pTable->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_pTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pTable->verticalHeader()->hide();
    m_pTable->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    // Rows all have one height, a line of text with a little air: the view need not measure each
    // new one, and a run's points fit the table without scrolling for long.
    const int nRow = m_pTable->fontMetrics().height() + 4;
    m_pTable->verticalHeader()->setMinimumSectionSize(nRow);
    m_pTable->verticalHeader()->setDefaultSectionSize(nRow);
    m_pTable->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    setWidget(m_pTable);
    // The style is the dock's own, not its children's; it goes with the dock.
    auto* pStyle = new CDockStyle;
    pStyle->setParent(this);
    setStyle(pStyle);

    auto* pCopy = new QAction(QStringLiteral("Copy"), this);
    pCopy->setShortcut(QKeySequence::Copy);
    pCopy->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(pCopy, &QAction::triggered, this, [this] { CopySelection(); });
    addAction(pCopy);

    hide();
    m_placeTimer.setSingleShot(true);
    m_placeTimer.setInterval(300);
    connect(&m_placeTimer, &QTimer::timeout, this, [this] { WritePlace(); });
    // Only the operator's showing and hiding: not the window's closing.
    connect(toggleViewAction(), &QAction::toggled, this, [this](bool bShown) {
        if (bShown) {
            m_pModel->Sync();
            FitColumns();
        }
        // A table hidden with its window, as the window closes, stays shown for next time.
        if (!m_bQuiet && (bShown || m_frame.isVisible())) {
            Keep(m_profile, KEY_VISIBLE, bShown ? 1 : 0);
            WritePlace();
        }
    });
    // New columns (Cd or L/D shown, an overlay set) widen the table as it runs.
    connect(m_pModel, &QAbstractItemModel::modelReset, this, [this] {
        if (isVisibleTo(&m_frame)) {
            FitColumns();
        }
    });
    connect(this, &QDockWidget::dockLocationChanged, this, [this] { m_placeTimer.start(); });
    connect(this, &QDockWidget::topLevelChanged, this, [this] { m_placeTimer.start(); });
}

CDataTableDock::~CDataTableDock() {
    m_bQuiet = true;
    m_placeTimer.stop();
    disconnect(toggleViewAction(), nullptr, this, nullptr);
}

void CDataTableDock::RecordChanged() {
    if (isVisibleTo(&m_frame)) {
        m_pModel->Sync();
    }
}

bool CDataTableDock::event(QEvent* pEvent) {
    if (pEvent->type() == QEvent::Move || pEvent->type() == QEvent::Resize) {
        m_placeTimer.start();
    }
    return QDockWidget::event(pEvent);
}

void CDataTableDock::WritePlace() {
    if (m_bQuiet || isHidden()) {
        return;
    }
    Keep(m_profile, KEY_AREA,
         isFloating() ? Stored(m_profile, KEY_AREA, Qt::RightDockWidgetArea)
                      : static_cast<int>(m_frame.dockWidgetArea(this)));
    Keep(m_profile, KEY_FLOATING, isFloating() ? 1 : 0);
    if (isFloating()) {
        Keep(m_profile, KEY_X, x());
        Keep(m_profile, KEY_Y, y());
    }
    Keep(m_profile, KEY_WIDTH, width());
    Keep(m_profile, KEY_HEIGHT, height());
}

void CDataTableDock::RestorePlace() {
    m_bQuiet = true;
    int nArea = Stored(m_profile, KEY_AREA, Qt::RightDockWidgetArea);
    if (nArea != Qt::LeftDockWidgetArea && nArea != Qt::RightDockWidgetArea &&
        nArea != Qt::TopDockWidgetArea && nArea != Qt::BottomDockWidgetArea) {
        nArea = Qt::RightDockWidgetArea;
    }
    m_frame.addDockWidget(static_cast<Qt::DockWidgetArea>(nArea), this);
    hide();
    const int nWidth = Stored(m_profile, KEY_WIDTH, 0);
    const int nHeight = Stored(m_profile, KEY_HEIGHT, 0);
    if (Stored(m_profile, KEY_FLOATING, 0) == 1) {
        setFloating(true);
        if (nWidth > 0 && nHeight > 0) {
            setGeometry(Stored(m_profile, KEY_X, 0), Stored(m_profile, KEY_Y, 0), nWidth, nHeight);
        }
    }
    if (Stored(m_profile, KEY_VISIBLE, 0) == 1) {
        show();
        if (!isFloating()) {
            const bool bSide = nArea == Qt::LeftDockWidgetArea || nArea == Qt::RightDockWidgetArea;
            if (bSide ? nWidth > 0 : nHeight > 0) {
                m_frame.resizeDocks({this}, {bSide ? nWidth : nHeight},
                                    bSide ? Qt::Horizontal : Qt::Vertical);
            }
        }
        FitColumns();
    }
    m_placeTimer.stop();
    m_bQuiet = false;
}

int CDataTableDock::ColumnsWidth() const {
    // Each column as wide as its heading or its widest cell, whichever is wider, as the header
    // sizes them once shown; then the table's frame on both sides, room for the scroll bar a long
    // run brings, and whatever the dock puts around the table.
    const QHeaderView& header = *m_pTable->horizontalHeader();
    const QAbstractItemView& view = *m_pTable;
    int nWidth = 2 * m_pTable->frameWidth() + m_pTable->verticalScrollBar()->sizeHint().width();
    for (int c = 0; c < m_pModel->columnCount(); ++c) {
        nWidth += std::max(header.sectionSizeHint(c), view.sizeHintForColumn(c));
    }
    const QMargins margins = contentsMargins();
    return nWidth + margins.left() + margins.right();
}

void CDataTableDock::FitColumns() {
    // Wider only: a table the operator made wider stays so.
    const int nWidth = ColumnsWidth();
    if (width() >= nWidth) {
        return;
    }
    if (isFloating()) {
        resize(nWidth, height());
        return;
    }
    const Qt::DockWidgetArea area = m_frame.dockWidgetArea(this);
    if (area == Qt::LeftDockWidgetArea || area == Qt::RightDockWidgetArea) {
        m_frame.resizeDocks({this}, {nWidth}, Qt::Horizontal);
    }
}

QString CDataTableDock::CopySelection() {
    QList<int> rows;
    for (const QModelIndex& index : m_pTable->selectionModel()->selectedRows()) {
        rows << index.row();
    }
    const QString strText = m_pModel->CopyText(rows);
    if (QClipboard* pClipboard = QApplication::clipboard()) {
        pClipboard->setText(strText);
    }
    return strText;
}

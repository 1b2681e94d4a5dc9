#include "console/DataTable.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QMainWindow>
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
    // Rows all have one height: the view need not measure each new one.
    m_pTable->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    setWidget(m_pTable);

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
        }
        // A table hidden with its window, as the window closes, stays shown for next time.
        if (!m_bQuiet && (bShown || m_frame.isVisible())) {
            Keep(m_profile, KEY_VISIBLE, bShown ? 1 : 0);
            WritePlace();
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
    }
    m_placeTimer.stop();
    m_bQuiet = false;
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

#include "console/DataTableModel.h"

#include <algorithm>
#include <string>

#include "core/base/NumberText.h"

namespace {

// The curve tables in the order of a slot's values: the test's four, then the overlay's.
const CurveTable& Table(const TestRecord& rec, int k) {
    const CurveTable* tables[4] = {&rec.m_lift, &rec.m_drag, &rec.m_cd, &rec.m_ld};
    return *tables[k % 4];
}

double Value(const TestRecord& rec, int k, int nSlot) {
    const CurveTable& table = Table(rec, k);
    return k < 4 ? table.m_dValue[nSlot] : table.m_dOverlay[nSlot];
}

}  // namespace

CDataTableModel::CDataTableModel(const TestRecord& rec, QObject* pParent)
    : QAbstractTableModel(pParent), m_rec(rec), m_bEnglish(rec.m_bEnglish) {
    Rebuild();
}

std::vector<CDataTableModel::Column> CDataTableModel::Columns() const {
    std::vector<Column> columns = {{Quantity::Wind, false}};
    for (bool bOverlay : {false, true}) {
        if (bOverlay && !OverlayExists()) {
            break;
        }
        columns.push_back({Quantity::Lift, bOverlay});
        columns.push_back({Quantity::Drag, bOverlay});
        if (m_rec.m_cd.m_bVisible) {
            columns.push_back({Quantity::Cd, bOverlay});
        }
        if (m_rec.m_ld.m_bVisible) {
            columns.push_back({Quantity::LD, bOverlay});
        }
    }
    return columns;
}

bool CDataTableModel::OverlayExists() const {
    const SlotTable& overlay = m_rec.m_lift.m_dOverlay;
    return std::any_of(overlay.begin(), overlay.end(), [](double d) { return d != EMPTY_SLOT; });
}

bool CDataTableModel::HasRow(int nSlot, bool bOverlay) const {
    return m_rec.IsRecorded(nSlot) || (bOverlay && m_rec.m_lift.m_dOverlay[nSlot] != EMPTY_SLOT);
}

CDataTableModel::SlotValues CDataTableModel::ValuesAt(int nSlot) const {
    SlotValues values;
    for (int k = 0; k < 8; ++k) {
        values[static_cast<std::size_t>(k)] = Value(m_rec, k, nSlot);
    }
    return values;
}

void CDataTableModel::Rebuild() {
    m_columns = Columns();
    m_bEnglish = m_rec.m_bEnglish;
    const bool bOverlay = m_columns.size() > 1 && m_columns.back().bOverlay;
    m_rows.clear();
    m_shown.resize(SLOT_COUNT);
    for (int i = 0; i < SLOT_COUNT; ++i) {
        if (HasRow(i, bOverlay)) {
            m_rows.push_back(i);
        }
        m_shown[static_cast<std::size_t>(i)] = ValuesAt(i);
    }
}

void CDataTableModel::Sync() {
    const std::vector<Column> columns = Columns();
    const bool bSameColumns =
        m_bEnglish == m_rec.m_bEnglish && columns.size() == m_columns.size() &&
        std::equal(columns.begin(), columns.end(), m_columns.begin(),
                   [](const Column& a, const Column& b) {
                       return a.quantity == b.quantity && a.bOverlay == b.bOverlay;
                   });
    if (!bSameColumns) {
        beginResetModel();
        Rebuild();
        endResetModel();
        return;
    }
    const bool bOverlay = m_columns.size() > 1 && m_columns.back().bOverlay;

    // Rows whose slot is gone, in runs from the last, so that the rows before keep their places.
    for (int r = static_cast<int>(m_rows.size()) - 1; r >= 0;) {
        if (HasRow(m_rows[static_cast<std::size_t>(r)], bOverlay)) {
            --r;
            continue;
        }
        int nFirst = r;
        while (nFirst > 0 && !HasRow(m_rows[static_cast<std::size_t>(nFirst - 1)], bOverlay)) {
            --nFirst;
        }
        beginRemoveRows(QModelIndex(), nFirst, r);
        m_rows.erase(m_rows.begin() + nFirst, m_rows.begin() + r + 1);
        endRemoveRows();
        r = nFirst - 1;
    }

    // New slots, in runs, and the rows kept whose numbers changed.
    std::size_t r = 0;
    int nChangedFirst = -1;
    auto flushChanged = [this, &nChangedFirst](int nEnd) {
        if (nChangedFirst >= 0) {
            emit dataChanged(index(nChangedFirst, 0),
                             index(nEnd - 1, static_cast<int>(m_columns.size()) - 1),
                             {Qt::DisplayRole});
            nChangedFirst = -1;
        }
    };
    for (int i = 0; i < SLOT_COUNT;) {
        const bool bShown = r < m_rows.size() && m_rows[r] == i;
        if (bShown) {
            const SlotValues values = ValuesAt(i);
            if (values != m_shown[static_cast<std::size_t>(i)]) {
                m_shown[static_cast<std::size_t>(i)] = values;
                if (nChangedFirst < 0) {
                    nChangedFirst = static_cast<int>(r);
                }
            } else {
                flushChanged(static_cast<int>(r));
            }
            ++r;
            ++i;
            continue;
        }
        flushChanged(static_cast<int>(r));
        if (!HasRow(i, bOverlay)) {
            m_shown[static_cast<std::size_t>(i)] = ValuesAt(i);
            ++i;
            continue;
        }
        int nEnd = i + 1;
        while (nEnd < SLOT_COUNT && HasRow(nEnd, bOverlay) &&
               !(r < m_rows.size() && m_rows[r] == nEnd)) {
            ++nEnd;
        }
        const int nRow = static_cast<int>(r);
        beginInsertRows(QModelIndex(), nRow, nRow + nEnd - i - 1);
        for (int k = i; k < nEnd; ++k) {
            m_rows.insert(m_rows.begin() + nRow + (k - i), k);
            m_shown[static_cast<std::size_t>(k)] = ValuesAt(k);
        }
        endInsertRows();
        r += static_cast<std::size_t>(nEnd - i);
        i = nEnd;
    }
    flushChanged(static_cast<int>(r));
}

int CDataTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int CDataTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
}

QString CDataTableModel::CellText(int nSlot, const Column& column) const {
    if (column.quantity == Quantity::Wind) {
        return QString::fromStdString(FormatFixed(nSlot * 0.1, 1));
    }
    const int k = static_cast<int>(column.quantity) - 1 + (column.bOverlay ? 4 : 0);
    const double dValue = Value(m_rec, k, nSlot);
    if (dValue == EMPTY_SLOT) {
        return {};
    }
    // As the status line shows them, but a value that rounds to zero reads "0.000": a balance a
    // hair below its zero is no negative force worth a sign.
    const int nPrecision =
        column.quantity == Quantity::Lift || column.quantity == Quantity::Drag ? 3 : 4;
    std::string strText = FormatFixed(dValue, nPrecision);
    if (strText.starts_with('-') && strText.find_first_not_of("-0.") == std::string::npos) {
        strText.erase(0, 1);
    }
    return QString::fromStdString(strText);
}

QString CDataTableModel::HeaderText(const Column& column) const {
    const bool bEnglish = m_bEnglish != 0;
    QString strText;
    switch (column.quantity) {
        case Quantity::Wind:
            return bEnglish ? QStringLiteral("Wind (mph)") : QStringLiteral("Wind (km/h)");
        case Quantity::Lift:
            strText = bEnglish ? QStringLiteral("Lift (lbs)") : QStringLiteral("Lift (kg)");
            break;
        case Quantity::Drag:
            strText = bEnglish ? QStringLiteral("Drag (lbs)") : QStringLiteral("Drag (kg)");
            break;
        case Quantity::Cd:
            strText = QStringLiteral("Cd");
            break;
        case Quantity::LD:
            strText = QStringLiteral("L/D");
            break;
    }
    return column.bOverlay ? QStringLiteral("Overlay ") + strText : strText;
}

QVariant CDataTableModel::data(const QModelIndex& index, int nRole) const {
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount()) {
        return {};
    }
    if (nRole == Qt::TextAlignmentRole) {
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    }
    if (nRole != Qt::DisplayRole) {
        return {};
    }
    return CellText(SlotOfRow(index.row()), m_columns[static_cast<std::size_t>(index.column())]);
}

QVariant CDataTableModel::headerData(int nSection, Qt::Orientation orientation, int nRole) const {
    if (orientation != Qt::Horizontal || nRole != Qt::DisplayRole || nSection < 0 ||
        nSection >= columnCount()) {
        return QAbstractTableModel::headerData(nSection, orientation, nRole);
    }
    return HeaderText(m_columns[static_cast<std::size_t>(nSection)]);
}

QString CDataTableModel::CopyText(const QList<int>& rows) const {
    QStringList lines;
    QStringList cells;
    for (const Column& column : m_columns) {
        cells << HeaderText(column);
    }
    lines << cells.join(QLatin1Char('\t'));
    QList<int> sorted = rows;
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    for (int nRow : sorted) {
        if (nRow < 0 || nRow >= rowCount()) {
            continue;
        }
        cells.clear();
        for (const Column& column : m_columns) {
            cells << CellText(SlotOfRow(nRow), column);
        }
        lines << cells.join(QLatin1Char('\t'));
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

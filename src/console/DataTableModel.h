#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <array>
#include <vector>

#include "core/record/TestRecord.h"

// The recorded points of the current test as rows of a table, one row per recorded slot in slot
// order: wind, lift, drag, and Cd and L/D while the graph shows them, with the units of the test
// in the headers. While an overlay exists its values follow in a second group of columns, and
// its slots have rows too.
//
// The model reads the record it is given; Sync() tells the views what changed since the last
// call, row by row, so that a poll tick that records one point costs one row's update.
class CDataTableModel : public QAbstractTableModel {
public:
    explicit CDataTableModel(const TestRecord& rec, QObject* pParent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int nRole = Qt::DisplayRole) const override;
    QVariant headerData(int nSection, Qt::Orientation orientation,
                        int nRole = Qt::DisplayRole) const override;

    // Compares the record with what the rows show: rows of slots no longer recorded are removed,
    // rows of newly recorded slots inserted, changed rows reported. The model is reset only when
    // the columns change (units, Cd or L/D shown or hidden, an overlay set or cleared).
    void Sync();

    int SlotOfRow(int nRow) const { return m_rows[static_cast<std::size_t>(nRow)]; }
    // The rows (any order, repeats allowed) as tab-separated lines in slot order, after a line of
    // the column headers, each line ended by a line feed: what spreadsheets paste into columns.
    QString CopyText(const QList<int>& rows) const;

private:
    // What a column shows: a quantity of the test or of the overlay.
    enum class Quantity { Wind, Lift, Drag, Cd, LD };
    struct Column {
        Quantity quantity;
        bool bOverlay;
    };
    // The record's numbers at one slot as last reported.
    using SlotValues = std::array<double, 8>;

    std::vector<Column> Columns() const;
    bool OverlayExists() const;
    bool HasRow(int nSlot, bool bOverlay) const;
    SlotValues ValuesAt(int nSlot) const;
    QString CellText(int nSlot, const Column& column) const;
    QString HeaderText(const Column& column) const;
    void Rebuild();

    const TestRecord& m_rec;
    std::vector<Column> m_columns;
    int m_bEnglish;
    std::vector<int> m_rows;
    std::vector<SlotValues> m_shown;  // by slot
};

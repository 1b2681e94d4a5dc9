#pragma once

#include <QDockWidget>
#include <QTimer>

class CDataTableModel;
class CProfile;
class QMainWindow;
class QTableView;
class TestRecord;

// View > Data Table: the recorded points of the current test in a table the operator can dock
// on any side of the window or float. Rows can be selected and copied (Ctrl+C) as tab-separated
// text with a header line. Whether it is shown, and where, is kept in the profile, section
// "Data Table".
class CDataTableDock : public QDockWidget {
public:
    // Its place is kept in profile.
    CDataTableDock(const TestRecord& rec, QMainWindow& frame, CProfile& profile);
    ~CDataTableDock() override;

    CDataTableModel& Model() const { return *m_pModel; }
    QTableView& Table() const { return *m_pTable; }

    // After the record changed: the rows follow while the table is shown (a hidden table
    // catches up when it is shown again).
    void RecordChanged();
    // Puts the table where the profile says and shows it if it was shown; once, at start-up.
    void RestorePlace();
    // The selected rows as CopyText gives them, also put on the clipboard.
    QString CopySelection();

protected:
    bool event(QEvent* pEvent) override;

    // The width the table needs to show all its columns without scrolling sideways.
    int ColumnsWidth() const;

private:
    void WritePlace();
    // Widens the table to show all its columns, if the window leaves room.
    void FitColumns();

    QMainWindow& m_frame;
    CProfile& m_profile;
    CDataTableModel* m_pModel;
    QTableView* m_pTable;
    QTimer m_placeTimer;
    // While set, nothing is written: at start-up while the profile is being applied, and
    // while the windows are taken down.
    bool m_bQuiet = false;
};

inline constexpr char PROFILE_DATA_TABLE[] = "Data Table";

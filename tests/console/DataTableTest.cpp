// View > Data Table: hidden at first, its rows kept up to date with a run row by row and copied
// as text, its place kept in the profile.

#include <QAbstractItemModelTester>

#include "ConsoleHarness.h"
#include "console/DataTable.h"
#include "console/DataTableModel.h"

namespace {

// Every cell of a model, headers first, one line a row.
QString Cells(const QAbstractItemModel& model) {
    QStringList lines, cells;
    for (int c = 0; c < model.columnCount(); ++c)
        cells << model.headerData(c, Qt::Horizontal).toString();
    lines << cells.join('|');
    for (int r = 0; r < model.rowCount(); ++r) {
        cells.clear();
        for (int c = 0; c < model.columnCount(); ++c)
            cells << model.data(model.index(r, c)).toString();
        lines << cells.join('|');
    }
    return lines.join('\n');
}

class DataTable : public CStartedConsoleTest {
protected:
    CDataTableDock& Dock() const { return *Frame().DataTable(); }
    // The table's rows are the slots recorded in the test, and in the overlay while there is
    // one, in order of wind (the cells read the record itself; their text has its worked
    // example below).
    void ExpectRowsAreTheRecord() const {
        const SlotTable& overlay = Rec().m_lift.m_dOverlay;
        const bool bOverlay = std::any_of(overlay.begin(), overlay.end(),
                                          [](double d) { return d != EMPTY_SLOT; });
        std::vector<int> recorded, rows;
        for (int i = 0; i < SLOT_COUNT; ++i)
            if (Rec().IsRecorded(i) || (bOverlay && overlay[i] != EMPTY_SLOT))
                recorded.push_back(i);
        for (int r = 0; r < Dock().Model().rowCount(); ++r)
            rows.push_back(Dock().Model().SlotOfRow(r));
        EXPECT_EQ(rows, recorded);
    }
    // A tick that reads this wind, in tenths of a mph.
    void Tick(int nTenths) {
        m_line.m_strReading = std::to_string(nTenths) + ",250,125\r";
        View().OnTimer();
    }
};

}  // namespace

// Shown, the table follows a run up and down tick by tick, row by row (its signals checked as
// views rely on them), reset only when its columns change: Cd and L/D as the graph shows them,
// the overlay beside, the units of the test.
TEST_F(DataTable, FollowsARunRowByRowCopiesTheSelectedRowsAndIsKeptInTheProfile) {
    EXPECT_TRUE(Dock().isHidden());
    EXPECT_FALSE(Frame().Action(ID_VIEW_DATA_TABLE)->isChecked());
    Key(Qt::Key_T, Qt::ControlModifier);
    ASSERT_TRUE(Dock().isVisible());
    EXPECT_TRUE(Frame().Action(ID_VIEW_DATA_TABLE)->isChecked());
    QAbstractItemModelTester tester(&Dock().Model(),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal);
    QSignalSpy resets(&Dock().Model(), &QAbstractItemModel::modelReset);
    m_line.m_nStatus = STATUS_PLUGGED;
    m_port.m_bRunning = m_port.m_bOnline = 1;
    Poll().m_dTargetSpeed = Poll().m_dCommandSpeed = 40.0;
    for (int nTenths : {100, 150, 200, 250, 300, 350, 400, 400, 200, 100, 300, 400}) {
        Tick(nTenths);
        ExpectRowsAreTheRecord();
    }
    EXPECT_EQ(resets.count(), 0);
    Rec().m_cd.m_bVisible = Rec().m_ld.m_bVisible = 1;
    Rec().SetOverlay();
    Tick(120);
    ExpectRowsAreTheRecord();
    EXPECT_TRUE(Cells(Dock().Model())
                    .startsWith("Wind (mph)|Lift (lbs)|Drag (lbs)|Cd|L/D|Overlay Lift (lbs)|"
                                "Overlay Drag (lbs)|Overlay Cd|Overlay L/D\n0.0|||||"));
    Rec().m_bEnglish = 0;
    Tick(150);
    ExpectRowsAreTheRecord();
    EXPECT_TRUE(Cells(Dock().Model()).startsWith("Wind (km/h)|Lift (kg)|Drag (kg)|Cd|L/D|"));
    EXPECT_EQ(resets.count(), 2);
    const int nRows = Dock().Model().rowCount();
    ASSERT_GT(nRows, 3);
    // Rows 1 and 2 chosen, Ctrl+C in the table: the header and those rows, tab-separated; its C
    // clears nothing.
    QTableView& table = Dock().Table();
    table.selectRow(1);
    table.selectionModel()->select(Dock().Model().index(2, 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    Frame().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&Frame()));
    table.setFocus();
    QTest::keyClick(&table, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), Dock().Model().CopyText({2, 1, 99}));
    EXPECT_TRUE(
        QApplication::clipboard()->text().startsWith("Wind (km/h)\tLift (kg)\tDrag (kg)\tCd"));
    EXPECT_EQ(QApplication::clipboard()->text().count('\n'), 3);
    ExpectRowsAreTheRecord();  // and its C cleared nothing
    EXPECT_EQ(Dock().Model().rowCount(), nRows);
    // A hidden table costs the tick nothing and catches up when shown.
    Key(Qt::Key_T, Qt::ControlModifier);
    ASSERT_TRUE(Dock().isHidden());
    Frame().OnCommand(ID_CLEAR_GRAPH);
    EXPECT_EQ(Dock().Model().rowCount(), nRows);
    Frame().OnCommand(ID_VIEW_DATA_TABLE);
    ExpectRowsAreTheRecord();
    // Its visibility and place are kept in the profile; closing the window changes nothing.
    Frame().addDockWidget(Qt::LeftDockWidgetArea, &Dock());
    RunLoop(600);
    EXPECT_EQ(m_profile.GetProfileInt(PROFILE_DATA_TABLE, "Visible", 9), 1u);
    EXPECT_EQ(m_profile.GetProfileInt(PROFILE_DATA_TABLE, "Area", 9), 1u);
    EXPECT_EQ(m_profile.GetProfileInt(PROFILE_SYSTEM, PROFILE_COM_PORT, 9), 1u);  // the rest stays
    App().ExitInstance();
    ASSERT_TRUE(App().InitInstance());
    EXPECT_TRUE(Dock().isVisible());
    EXPECT_EQ(Frame().dockWidgetArea(&Dock()), Qt::LeftDockWidgetArea);
    EXPECT_TRUE(Frame().Action(ID_VIEW_DATA_TABLE)->isChecked());
    m_port.m_bRunning = 0;  // the fan at rest: the window closes without a question
    Frame().close();
    EXPECT_EQ(m_profile.GetProfileInt(PROFILE_DATA_TABLE, "Visible", 9), 1u);
}

// With every column (Cd and L/D shown, an overlay beside) the table opens wide enough for all of
// them, one line of text a row; a value that rounds to zero reads without a minus sign, one that
// rounds away from it keeps it. Its title bar's buttons are drawn at the screen's own pixels.
TEST_F(DataTable, OpensWideEnoughForEveryColumnWithCompactRowsAndZeroWithoutASign) {
    Rec().m_cd.m_bVisible = Rec().m_ld.m_bVisible = 1;
    // Slot (tenths of a mph), lift, drag, Cd and L/D.
    const std::array<double, 5> overlay[] = {{0, 0, 0, 0, 0}, {100, -0.0004, 0.0123, -0.00004, -0.03}};
    for (const auto& [g, dLift, dDrag, dCd, dLD] : overlay) {
        const int i = static_cast<int>(g);
        Rec().m_lift.m_dValue[i] = dLift, Rec().m_drag.m_dValue[i] = dDrag;
        Rec().m_cd.m_dValue[i] = dCd, Rec().m_ld.m_dValue[i] = dLD;
    }
    Rec().SetOverlay();
    Rec().m_lift.m_dValue[200] = -0.0006, Rec().m_drag.m_dValue[200] = -0.00049;
    Rec().m_cd.m_dValue[200] = -0.00006, Rec().m_ld.m_dValue[200] = 0;
    // A window with room for the table beside the graph, at any scale of the screen.
    Frame().resize(1600, Frame().height());
    Key(Qt::Key_T, Qt::ControlModifier);
    ASSERT_TRUE(Dock().isVisible());
    RunLoop(200);
    EXPECT_EQ(Cells(Dock().Model()),
              "Wind (mph)|Lift (lbs)|Drag (lbs)|Cd|L/D|Overlay Lift (lbs)|Overlay Drag (lbs)|"
              "Overlay Cd|Overlay L/D\n"
              "0.0|||||0.000|0.000|0.0000|0.0000\n"
              "10.0|||||0.000|0.012|0.0000|-0.0300\n"
              "20.0|-0.001|0.000|-0.0001|0.0000||||");
    const QTableView& table = Dock().Table();
    EXPECT_LE(table.horizontalHeader()->length(), table.viewport()->width());
    EXPECT_FALSE(table.horizontalScrollBar()->isVisible());
    EXPECT_LT(table.rowHeight(0), table.fontMetrics().height() * 3 / 2);
    for (const auto button : {QStyle::SP_TitleBarCloseButton, QStyle::SP_TitleBarNormalButton}) {
        const QPixmap pixmap = Dock().style()->standardIcon(button, nullptr, &Dock())
                                   .pixmap(QSize(10, 10), 2.0);
        EXPECT_EQ(pixmap.size(), QSize(20, 20)) << button;
        EXPECT_EQ(pixmap.devicePixelRatio(), 2.0) << button;
    }
}

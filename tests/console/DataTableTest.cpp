// The data table: its rows over the record, kept up to date row by row and copied as text, and
// View > Data Table in the console (hidden at first, following a run, its place in the profile).

#include <QAbstractItemModelTester>

#include "ConsoleHarness.h"
#include "RecordingDrawing.h"
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

class DataTableModelTest : public ::testing::Test {
protected:
    void Read(double dWind, double dLift = -1) {
        m_rec.RecordPoint(m_dc, dLift < 0 ? dWind / 100 : dLift, dWind / 400, dWind, RECORD_READING);
    }
    // The model kept up to date shows what one made afresh shows.
    void ExpectInStep() {
        m_model.Sync();
        EXPECT_EQ(Cells(m_model), Cells(CDataTableModel(m_rec)));
    }

    TestRecord m_rec{1, 80.0};
    CRecordingDrawing m_dc;
    CDataTableModel m_model{m_rec};
    QAbstractItemModelTester m_tester{&m_model,
                                      QAbstractItemModelTester::FailureReportingMode::Fatal};
};

class DataTable : public CStartedConsoleTest {
protected:
    CDataTableDock& Dock() const { return *Frame().DataTable(); }
    // The table's rows are those of a model made afresh on the record.
    void ExpectRowsAreTheRecord() const {
        EXPECT_EQ(Cells(Dock().Model()), Cells(CDataTableModel(Rec())));
    }
};

}  // namespace

TEST_F(DataTableModelTest, RowsFollowTheRecordRowByRowAndResetOnlyWhenTheColumnsChange) {
    m_rec.RecordPoint(m_dc, 0, 0, 0, RECORD_CLEAR);
    ExpectInStep();
    EXPECT_EQ(Cells(m_model), "Wind (mph)|Lift (lbs)|Drag (lbs)\n0.0|0.000|0.000");
    QSignalSpy resets(&m_model, &QAbstractItemModel::modelReset);
    QSignalSpy inserted(&m_model, &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(&m_model, &QAbstractItemModel::rowsRemoved);
    QSignalSpy changed(&m_model, &QAbstractItemModel::dataChanged);
    // A rising run records a slot a tick, each one row inserted in its place.
    for (double dWind : {10.0, 10.5, 11.0, 20.0, 30.0}) {
        Read(dWind);
        ExpectInStep();
    }
    EXPECT_EQ(inserted.count(), 5);
    EXPECT_EQ(inserted.at(3).mid(1), (QVariantList{4, 4}));  // 20.0 mph after 0, 10, 10.5, 11
    EXPECT_TRUE(removed.isEmpty() && changed.isEmpty());
    // The same slot read again changes one row; a fall removes the slots it passes over.
    Read(30.0, 0.5);
    ExpectInStep();
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.at(0).at(0).toModelIndex().row(), 5);
    EXPECT_EQ(changed.at(0).at(1).toModelIndex().row(), 5);
    Read(10.2);
    ExpectInStep();
    EXPECT_EQ(m_model.rowCount(), 4);  // 0, 10, 10.2, 30: the fall took 10.5 to 20; 30 stays
    for (double dWind : {0.4, 79.9, 60.0, 5.0, 45.5}) {
        Read(dWind);
        ExpectInStep();
    }
    EXPECT_EQ(resets.count(), 0);
    // Columns: Cd and L/D as the graph shows them, the overlay beside, the units of the test.
    m_rec.m_cd.m_bVisible = m_rec.m_ld.m_bVisible = 1;
    ExpectInStep();
    m_rec.SetOverlay();
    Read(12.0);
    ExpectInStep();
    EXPECT_EQ(resets.count(), 2);
    EXPECT_TRUE(Cells(m_model).startsWith("Wind (mph)|Lift (lbs)|Drag (lbs)|Cd|L/D|Overlay Lift "
                                          "(lbs)|Overlay Drag (lbs)|Overlay Cd|Overlay L/D\n"
                                          "0.0|||||0.000|0.000|0.0000|0.0000\n"));
    // Rows where only the overlay has points show blanks for the test.
    EXPECT_TRUE(Cells(m_model).contains("\n12.0|0.120|0.030|"));
    m_rec.m_bEnglish = 0;
    m_rec.m_cd.m_bVisible = m_rec.m_ld.m_bVisible = 0;
    m_rec.ClearOverlay();
    m_rec.RecordPoint(m_dc, 0, 0, 0, RECORD_CLEAR);
    ExpectInStep();
    EXPECT_EQ(Cells(m_model), "Wind (km/h)|Lift (kg)|Drag (kg)\n0.0|0.000|0.000");
}

TEST_F(DataTableModelTest, CopyGivesTheHeaderAndTheChosenRowsInSlotOrderTabSeparated) {
    m_rec.RecordPoint(m_dc, 0, 0, 0, RECORD_CLEAR);
    for (double dWind : {10.0, 20.0, 30.0})
        Read(dWind);
    m_rec.m_ld.m_bVisible = 1;
    m_model.Sync();
    EXPECT_EQ(m_model.CopyText({3, 1, 3, 99}),
              "Wind (mph)\tLift (lbs)\tDrag (lbs)\tL/D\n"
              "10.0\t0.100\t0.025\t4.0000\n"
              "30.0\t0.300\t0.075\t4.0000\n");
    EXPECT_EQ(m_model.CopyText({}), "Wind (mph)\tLift (lbs)\tDrag (lbs)\tL/D\n");
}

TEST_F(DataTable, FollowsARunRowByRowAndCopiesTheSelectedRows) {
    EXPECT_TRUE(Dock().isHidden());
    EXPECT_FALSE(Frame().Action(ID_VIEW_DATA_TABLE)->isChecked());
    Key(Qt::Key_T, Qt::ControlModifier);
    ASSERT_TRUE(Dock().isVisible());
    EXPECT_TRUE(Frame().Action(ID_VIEW_DATA_TABLE)->isChecked());
    QSignalSpy resets(&Dock().Model(), &QAbstractItemModel::modelReset);
    QSignalSpy inserted(&Dock().Model(), &QAbstractItemModel::rowsInserted);
    // The fan runs up from rest; each tick's smoothed reading lands in a slot of its own.
    m_line.m_nStatus = STATUS_PLUGGED;
    thePort.m_bRunning = thePort.m_bOnline = 1;
    View().m_run.m_state.m_dTargetSpeed = View().m_run.m_state.m_dCommandSpeed = 40.0;
    for (int nTenths = 100; nTenths <= 400; nTenths += 50) {
        m_line.m_strReading = std::to_string(nTenths) + ",250,125\r";
        View().OnTimer();
    }
    ExpectRowsAreTheRecord();
    EXPECT_EQ(resets.count(), 0);
    EXPECT_EQ(inserted.count(), Dock().Model().rowCount() - 1);  // all but slot 0
    // Rows 1 and 2 chosen, Ctrl+C in the table.
    QTableView& table = Dock().Table();
    table.selectRow(1);
    table.selectionModel()->select(Dock().Model().index(2, 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    Frame().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&Frame()));
    table.setFocus();
    QTest::keyClick(&table, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), Dock().Model().CopyText({1, 2}));
    ExpectRowsAreTheRecord();  // the C of Ctrl+C did not clear the graph
    const int nRows = Dock().Model().rowCount();
    ASSERT_GT(nRows, 3);
    // A hidden table costs the tick nothing and catches up when shown.
    Key(Qt::Key_T, Qt::ControlModifier);
    ASSERT_TRUE(Dock().isHidden());
    Frame().OnCommand(ID_CLEAR_GRAPH);
    EXPECT_EQ(Dock().Model().rowCount(), nRows);
    Frame().OnCommand(ID_VIEW_DATA_TABLE);
    ExpectRowsAreTheRecord();
}

TEST_F(DataTable, ItsVisibilityAndPlaceAreKeptInTheProfile) {
    Frame().OnCommand(ID_VIEW_DATA_TABLE);
    Frame().addDockWidget(Qt::LeftDockWidgetArea, &Dock());
    RunLoop(600);
    EXPECT_EQ(theApp.GetProfileInt(PROFILE_DATA_TABLE, "Visible", 9), 1u);
    EXPECT_EQ(theApp.GetProfileInt(PROFILE_DATA_TABLE, "Area", 9), 1u);
    EXPECT_EQ(theApp.GetProfileInt(PROFILE_SYSTEM, PROFILE_COM_PORT, 9), 1u);  // the rest stays
    theApp.ExitInstance();
    ASSERT_TRUE(theApp.InitInstance());
    EXPECT_TRUE(Dock().isVisible());
    EXPECT_EQ(Frame().dockWidgetArea(&Dock()), Qt::LeftDockWidgetArea);
    EXPECT_TRUE(Frame().Action(ID_VIEW_DATA_TABLE)->isChecked());
    // Hidden by the operator, it starts hidden; closing the window changes nothing.
    Frame().OnCommand(ID_VIEW_DATA_TABLE);
    EXPECT_EQ(theApp.GetProfileInt(PROFILE_DATA_TABLE, "Visible", 9), 0u);
    Frame().OnCommand(ID_VIEW_DATA_TABLE);
    EXPECT_EQ(theApp.GetProfileInt(PROFILE_DATA_TABLE, "Visible", 9), 1u);
    Frame().close();
    EXPECT_EQ(theApp.GetProfileInt(PROFILE_DATA_TABLE, "Visible", 9), 1u);
}

// View > Data Table in the console: hidden at first, its rows following a run, copy, and its
// place kept in the profile.

#include "ConsoleHarness.h"
#include "console/DataTable.h"
#include "console/DataTableModel.h"
#include "core/base/NumberText.h"

namespace {

class DataTable : public CStartedConsoleTest {
protected:
    CDataTableDock& Dock() const { return *Frame().DataTable(); }
    // The table's rows are the record's recorded slots, each with its numbers.
    void ExpectRowsAreTheRecord() {
        const CDataTableModel& model = Dock().Model();
        std::vector<int> recorded;
        for (int i = 0; i < SLOT_COUNT; ++i)
            if (Rec().IsRecorded(i))
                recorded.push_back(i);
        ASSERT_EQ(model.rowCount(), static_cast<int>(recorded.size()));
        for (int r = 0; r < model.rowCount(); ++r) {
            const int i = recorded[static_cast<std::size_t>(r)];
            const auto cell = [&](int c) { return model.data(model.index(r, c)).toString(); };
            EXPECT_EQ(cell(0).toStdString(), FormatFixed(i * 0.1, 1));
            EXPECT_EQ(cell(1).toStdString(), FormatFixed(Rec().m_lift.m_dValue[i], 3));
            EXPECT_EQ(cell(2).toStdString(), FormatFixed(Rec().m_drag.m_dValue[i], 3));
        }
    }
};

}  // namespace

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
    Rec().m_dTargetSpeed = Rec().m_dCommandSpeed = 40.0;
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
    const QStringList lines = QApplication::clipboard()->text().split('\n');
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[0], "Wind (mph)\tLift (lbs)\tDrag (lbs)");
    for (int r : {1, 2}) {
        const int i = Dock().Model().SlotOfRow(r);
        EXPECT_EQ(lines[r].toStdString(), FormatFixed(i * 0.1, 1) + '\t' +
                                              FormatFixed(Rec().m_lift.m_dValue[i], 3) + '\t' +
                                              FormatFixed(Rec().m_drag.m_dValue[i], 3));
    }
    EXPECT_EQ(lines[3], "");
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

// Undo of the commands that replace or empty the test, and the unsaved test's copy as the
// console keeps it and offers it at start-up.

#include "ConsoleHarness.h"
#include "core/files/TestFile.h"

namespace {

// Everything Undo brings back, and nothing it leaves alone.
auto TheTest(const TestRecord& rec) {
    return std::tuple(rec.m_lift.m_dValue, rec.m_drag.m_dValue, rec.m_cd.m_dValue,
                      rec.m_ld.m_dValue, rec.m_lift.m_dOverlay, rec.m_drag.m_dOverlay,
                      rec.m_bEnglish, rec.m_dCdArea, rec.m_strComment, rec.m_axisWind.m_nRange,
                      rec.m_axisForce.m_nRange, rec.m_axisCd.m_nRange, rec.m_axisLD.m_nRange);
}

class RecoveryUndo : public CStartedConsoleTest {
protected:
    bool UndoEnabled() const { return Frame().Action(ID_EDIT_UNDO)->isEnabled(); }
    // A test with readings, a comment and an overlay, on screen.
    void MakeTest() {
        Record(100, 250);
        Rec().SetOverlay();
        Record(120, 300);
        Rec().m_strComment[2] = "flap 10";
        View().RedrawAll();
    }
};

TEST_F(RecoveryUndo, UndoBringsBackTheTestAfterEachCommandThatReplacedOrEmptiedIt) {
    ASSERT_TRUE(QFile::copy(QStringLiteral(ZEF_TEST_DATA "/zef/english-wing.ZEF"),
                            m_files.filePath(QStringLiteral("wing.ZEF"))));
    const std::pair<const char*, std::function<void()>> commands[] = {
        {"Clear Graph", [this] { Key(Qt::Key_C); }},
        {"New",
         [this] {
             Key(Qt::Key_N, Qt::ControlModifier);
             EXPECT_FALSE(HoldsPoints(Rec()));
             EXPECT_EQ(Rec().m_lift.m_dOverlay[150], EMPTY_SLOT);
             EXPECT_EQ(Rec().m_strComment[2], "");
         }},
        {"Open", [this] { ChooseFile("wing"), Key(Qt::Key_O, Qt::ControlModifier); }},
        {"Configure to metric",
         [this] {
             m_boxes.m_answers = {IDYES};  // Clear Previous Test Results?
             Work<CTestConfigDlg>(ID_CONFIGURE, [](CTestConfigDlg& dlg) {
                 QTest::mouseClick(dlg.m_pMetric, Qt::LeftButton), OK(dlg);
             });
         }},
        {"Overlay Clear", [this] { Frame().OnCommand(ID_OVERLAY_CLEAR); }},
        {"Comments",
         [this] {
             Answer<CCommentsDlg>([](CCommentsDlg& dlg) {
                 dlg.m_pLine[2]->clear();
                 QTest::keyClicks(dlg.m_pLine[0], QStringLiteral("second run"));
                 OK(dlg);
             });
             Key(Qt::Key_E);
         }},
    };
    EXPECT_FALSE(UndoEnabled());  // nothing to undo yet
    for (const auto& [pName, fnCommand] : commands) {
        SCOPED_TRACE(pName);
        MakeTest();
        const auto before = TheTest(Rec());
        fnCommand();
        ASSERT_NE(TheTest(Rec()), before);
        View().repaint();
        EXPECT_TRUE(ShowsTheRecord());
        ASSERT_TRUE(UndoEnabled());
        Sent();
        Key(Qt::Key_Z, Qt::ControlModifier);
        EXPECT_EQ(TheTest(Rec()), before);
        EXPECT_TRUE(ShowsTheRecord());
        EXPECT_EQ(Sent(), Strings{});  // the controller, on line, is not touched
        // One level: a second Undo changes nothing.
        EXPECT_FALSE(UndoEnabled());
        Frame().OnCommand(ID_EDIT_UNDO);
        EXPECT_EQ(TheTest(Rec()), before);
    }
}

// While a run is active Undo is greyed and does nothing; a run that records forgets the step,
// as does a new overlay.
TEST_F(RecoveryUndo, UndoWaitsForTheRunAndIsForgottenByNewReadingsOrANewOverlay) {
    MakeTest();
    const auto before = TheTest(Rec());
    Key(Qt::Key_C);
    const auto cleared = TheTest(Rec());
    m_port.m_bRunning = 1;
    ASSERT_TRUE(QTest::qWaitFor([this] { return !UndoEnabled(); }, 2000));
    Frame().OnCommand(ID_EDIT_UNDO);
    EXPECT_EQ(TheTest(Rec()), cleared);
    m_port.m_bRunning = 0;
    ASSERT_TRUE(QTest::qWaitFor([this] { return UndoEnabled(); }, 2000));
    Key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(TheTest(Rec()), before);

    Key(Qt::Key_C);
    m_line.m_strReading = "200,100,300\r";  // a reading arrives
    View().OnTimer();
    ASSERT_TRUE(QTest::qWaitFor([this] { return !UndoEnabled(); }, 2000));
    Key(Qt::Key_C);
    Key(Qt::Key_O);
    EXPECT_FALSE(UndoEnabled());
}

// The copy follows the test: readings reach it by the first one's deadline, as do a stop and a
// comment; a Clear the operator confirmed removes it, a stray Clear does not.
TEST_F(RecoveryUndo, TheCopyFollowsReadingsStopsAndCommentsAndGoesWithAConfirmedClear) {
    auto copy = [this] { return ReadBytes(m_recovery.Path()); };
    m_line.m_nStatus = STATUS_PLUGGED;  // the fan turns
    for (const char* pszReading : {"200,100,300\r", "250,100,300\r"}) {
        m_line.m_strReading = pszReading;
        View().OnTimer();
        EXPECT_EQ(copy(), "(none)");  // not at every tick; the first reading's deadline stands
        m_tSkew += CRecovery::WRITE_DELAY_MS / 2;
    }
    View().OnTimer();
    EXPECT_EQ(copy(), FormatTestFile(Rec()));
    m_line.m_strReading = "300,100,300\r";
    View().OnTimer();
    EXPECT_NE(copy(), FormatTestFile(Rec()));
    Key(Qt::Key_S);  // Stop Wind
    EXPECT_EQ(copy(), FormatTestFile(Rec()));
    m_line.m_nStatus = STATUS_PLUGGED | STATUS_STOPPED;  // the fan has run down
    ASSERT_TRUE(QTest::qWaitFor([this] { return !PollRunning(); }, 5000));

    Answer<CCommentsDlg>([](CCommentsDlg& dlg) {
        QTest::keyClicks(dlg.m_pLine[0], QStringLiteral("gusty"));
        OK(dlg);
    });
    Key(Qt::Key_E);
    EXPECT_EQ(Rec().m_strComment[0], "gusty");
    const std::string strKept = FormatTestFile(Rec());
    EXPECT_EQ(copy(), strKept);
    // A stray Clear keeps the copy, as does its Undo; a Clear the operator confirmed does not.
    Key(Qt::Key_C);
    EXPECT_EQ(copy(), strKept);
    Key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(copy(), strKept);
    m_boxes.m_answers = {IDYES};  // Clear Previous Test Results?
    Answer<CWindSpeedDlg>([](CWindSpeedDlg& dlg) { dlg.reject(); });
    Key(Qt::Key_W);
    EXPECT_EQ(m_boxes.TakeTexts(), Strings{"Clear Previous Test Results?"});
    EXPECT_EQ(copy(), "(none)");
}

using RecoveryAtStartUp = CConsoleTest;

// The box after the splash: Yes restores the test, still unsaved; No deletes the copy; one that
// cannot be read is kept aside and told once.
TEST_F(RecoveryAtStartUp, YesRestoresTheTestUnsavedNoDeletesItAndADamagedOneIsKeptAside) {
    // The sample is as the console writes it, so that the restored test must match it.
    const std::string strCopy = ReadBytes(QStringLiteral(ZEF_TEST_DATA "/zef/english-wing.ZEF"));
    const QString strPath = m_dir.filePath(QStringLiteral("zef/unsaved.ZEF"));
    const std::string strAsk = "An unsaved test was found.\rRestore it?";
    for (int nAnswer : {IDYES, IDNO, IDOK}) {
        SCOPED_TRACE(nAnswer);
        if (nAnswer != IDNO) {  // after Yes the copy is still there
            ASSERT_TRUE(WriteBytes(
                strPath, nAnswer == IDYES ? strCopy : strCopy.substr(0, strCopy.size() / 2)));
        }
        m_boxes.m_answers = {nAnswer};
        Start();
        ASSERT_TRUE(QTest::qWaitFor([this] { return m_boxes.m_answers.empty(); }, 5000));
        const QStringList aside = QDir(m_dir.filePath("zef")).entryList(QDir::Files);
        const std::string strDamaged =
            "The unsaved test of an earlier session cannot be read:\rIt is incomplete or "
            "damaged.\rIt was kept as \"" +
            m_dir.filePath("zef/" + aside.value(0)).toStdString() + "\".";
        EXPECT_EQ(m_boxes.TakeTexts(), Strings{nAnswer == IDOK ? strDamaged : strAsk});
        EXPECT_EQ(HoldsPoints(Rec()), nAnswer == IDYES);
        EXPECT_EQ(FormatTestFile(Rec()) == strCopy, nAnswer == IDYES);
        EXPECT_TRUE(ShowsTheRecord());
        EXPECT_EQ(ReadBytes(strPath), nAnswer == IDYES ? strCopy : "(none)");
        EXPECT_EQ(m_recovery.Unsaved(), nAnswer == IDYES);
        App().ExitInstance();
        // The next session's copy, as main makes it.
        m_recovery = CRecovery(m_recovery.Path(), [this] { return Now(); });
    }
    EXPECT_EQ(m_boxes.m_types.front(), MB_YESNO | MB_ICONQUESTION);
    Start();  // told once: nothing is asked again
    RunLoop(300);
}

// A speed command given before the question has come (W while the splash is still up) asks it
// first: the run then records on the test the operator chose, and the copy is still there.
TEST_F(RecoveryAtStartUp, TheQuestionComesBeforeARunCanStart) {
    const std::string strCopy = ReadBytes(QStringLiteral(ZEF_TEST_DATA "/zef/english-wing.ZEF"));
    ASSERT_TRUE(WriteBytes(m_recovery.Path(), strCopy));
    ASSERT_TRUE(WriteBytes(m_profile.Path(), "[System]\r\nCOM Port=1\r\n"));
    ASSERT_TRUE(App().InitInstance());
    ASSERT_NE(App().m_pSplash, nullptr);
    m_boxes.m_answers = {IDYES, IDNO};  // Restore it? Clear Previous Test Results?
    Answer<CWindSpeedDlg>([](CWindSpeedDlg& dlg) {
        dlg.m_pSpeed->setText(QStringLiteral("10"));
        OK(dlg);
    });
    Key(Qt::Key_W);
    EXPECT_EQ(m_boxes.TakeTexts(),
              (Strings{"An unsaved test was found.\rRestore it?", "Clear Previous Test Results?"}));
    EXPECT_TRUE(PollRunning());
    EXPECT_EQ(FormatTestFile(Rec()), strCopy);
    EXPECT_EQ(ReadBytes(m_recovery.Path()), strCopy);
    EXPECT_TRUE(m_recovery.Unsaved());
}

}  // namespace

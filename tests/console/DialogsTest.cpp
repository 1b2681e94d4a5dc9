// Test Configuration, Axis, Metric Axis and Comments, as an operator works them.

#include <cerrno>
#include <cstring>

#include "ConsoleHarness.h"

namespace {

class Dialogs : public CStartedConsoleTest {
protected:
    int Profile(const char* pKey) {
        return static_cast<int>(m_profile.GetProfileInt(PROFILE_SYSTEM, pKey, 999));
    }
    static std::array<QComboBox*, 4> Boxes(CAxisDlg& dlg) {
        return {dlg.m_pWind, dlg.m_pForce, dlg.m_pCd, dlg.m_pLD};
    }
    std::array<int, 4> Ranges() {
        return {Rec().m_axisWind.m_nRange, Rec().m_axisForce.m_nRange, Rec().m_axisCd.m_nRange,
                Rec().m_axisLD.m_nRange};
    }
    void SetRanges(int bEnglish, int nRange) {
        Rec().m_bEnglish = bEnglish;
        Rec().ApplyUnitScales();
        for (auto fnSet : {&TestRecord::SetSpeedRange, &TestRecord::SetForceRange,
                           &TestRecord::SetCdRange, &TestRecord::SetLDRange})
            (Rec().*fnSet)(nRange);
    }
};

// The max speed and area shown, those typed (or the Metric button clicked), what the test then
// holds (in mph and square inches) and what the profile says; the Cd of 0.075 at 30 from the new
// area (on a few square inches it is capped at 2).
TEST_F(Dialogs, ConfigureConvertsAndWritesTheProfileAndAChangeOfUnitsStartsAfresh) {
    const struct {
        int bEnglish;
        double dMax, dArea;
        const char *pShown, *pTyped, *pAfter;
        double dCd;
    } cases[] = {
        {0, 80, 1, "129 6.452", "", "80 1.00006 Units=0 Max Speed=80", 2},
        {1, 80, 1, "80 1.000", "100 1.000", "80 1 Units=1 Max Speed=80", 2},  // never above 80 mph
        {0, 80, 1, "129 6.452", "120 10", "74.5647 1.55 Units=0 Max Speed=75", 2},
        {1, 62.9, 1.23456, "62 1.235", "", "62 1.235 Units=1 Max Speed=62", 2},
        {1, 80, 1, "80 1.000", "0 wing", "0 0 Units=1 Max Speed=0", 0},
        // 30 mph is 44 ft/s, q = 0.0375 * 44^2 = 72.6 on 12.5 / 144 sq. ft is 6.30208;
        // Cd = 32 * 0.075 / 6.30208 = 0.380826.
        {1, 80, 1, "80 1.000", "80 12.5", "80 12.5 Units=1 Max Speed=80", 0.380826},
        // A maximum from a hand-edited profile beyond what the box holds.
        {0, 4294967295.0, 1, "4294967295 6.452", "", "80 1.00006 Units=0 Max Speed=80", 2},
        // Metric clicked: the area box shows 6.452 sq. cm (130 km/h is 80.8 mph). The test holds
        // a point, so the operator is asked first: Yes starts a Metric test afresh, No keeps the
        // English test with the speed and area chosen.
        {1, 50, 1, "50 1.000", "Metric Yes", "80 1.00006 Units=0 Max Speed=80", 0},
        {1, 50, 1, "50 1.000", "Metric No", "80 1.00006 Units=1 Max Speed=80", 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pShown);
        SetRanges(c.bEnglish, 3);
        Rec().m_dMaxSpeed = c.dMax;
        Rec().m_dCdArea = c.dArea;
        Record(300, 300);
        const QString strTyped = QString::fromLatin1(c.pTyped);
        const bool bToMetric = strTyped.startsWith("Metric");
        const bool bAfresh = strTyped == "Metric Yes";
        if (bToMetric)
            m_boxes.m_answers = {bAfresh ? IDYES : IDNO};
        Work<CTestConfigDlg>(ID_CONFIGURE, [&](CTestConfigDlg& dlg) {
            EXPECT_EQ(dlg.m_pMaxSpeed->text() + ' ' + dlg.m_pCdArea->text(), c.pShown);
            if (bToMetric) {
                QTest::mouseClick(dlg.m_pMetric, Qt::LeftButton);
            } else if (*c.pTyped) {
                dlg.m_pMaxSpeed->setText(strTyped.section(' ', 0, 0));
                dlg.m_pCdArea->setText(strTyped.section(' ', 1));
            }
            OK(dlg);
        });
        EXPECT_EQ(m_boxes.TakeTexts(),
                  bToMetric ? Strings{"Clear Previous Test Results?"} : Strings{});
        std::ostringstream after;
        after << Rec().m_dMaxSpeed << ' ' << Rec().m_dCdArea << " Units=" << Profile(PROFILE_UNITS)
              << " Max Speed=" << Profile(PROFILE_MAX_SPEED);
        EXPECT_EQ(after.str(), c.pAfter);
        // The test and its scales stay with the units; with new units they start afresh.
        EXPECT_EQ(Rec().IsRecorded(300), !bAfresh);
        EXPECT_EQ(Ranges(), (bAfresh ? std::array{1, 2, 1, 1} : std::array{3, 3, 3, 3}));
        EXPECT_EQ(Rec().m_axisWind.m_dFullScale, c.bEnglish && !bAfresh ? 85.0 : 140.0);
        if (!bAfresh) {  // Cd from the new area
            EXPECT_NEAR(Rec().m_cd.m_dValue[300], c.dCd, 1e-6);
        }
        EXPECT_TRUE(ShowsTheRecord());
    }
}

// A change of units asks before it empties a test that holds a point or a comment, and an empty
// test is not asked about. Undo of the change brings the test back and stores its units again.
TEST_F(Dialogs, AChangeOfUnitsAsksBeforeItClearsATestAndItsUndoStoresTheUnitsAgain) {
    auto toMetric = [this](bool bMetric) {
        Work<CTestConfigDlg>(ID_CONFIGURE, [bMetric](CTestConfigDlg& dlg) {
            QTest::mouseClick(bMetric ? dlg.m_pMetric : dlg.m_pEnglish, Qt::LeftButton);
            OK(dlg);
        });
    };
    const std::string strAsk = "Clear Previous Test Results?";
    Rec().m_strComment[7] = "tuft study";  // a comment alone is worth asking about
    m_boxes.m_answers = {IDNO};
    toMetric(true);
    EXPECT_EQ(m_boxes.TakeTexts(), Strings{strAsk});
    EXPECT_EQ(m_boxes.m_types.back(), MB_YESNO | MB_ICONQUESTION);
    EXPECT_EQ(Rec().m_bEnglish, 1);
    EXPECT_EQ(Rec().m_strComment[7], "tuft study");
    EXPECT_EQ(Profile(PROFILE_UNITS), 1);

    Record(100, 200);
    m_boxes.m_answers = {IDYES};
    toMetric(true);
    EXPECT_EQ(m_boxes.TakeTexts(), Strings{strAsk});
    EXPECT_EQ(Rec().m_bEnglish, 0);
    EXPECT_FALSE(Rec().IsRecorded(150));
    EXPECT_EQ(Rec().m_strComment[7], "");
    EXPECT_EQ(Profile(PROFILE_UNITS), 0);

    Frame().OnCommand(ID_EDIT_UNDO);
    EXPECT_EQ(Rec().m_bEnglish, 1);
    EXPECT_TRUE(Rec().IsRecorded(150));
    EXPECT_EQ(Rec().m_strComment[7], "tuft study");
    EXPECT_EQ(Profile(PROFILE_UNITS), 1);  // the next start opens in English too

    // An empty test changes units without a word.
    Frame().OnCommand(ID_FILE_NEW);
    toMetric(true);
    toMetric(false);
    EXPECT_EQ(m_boxes.TakeTexts(), Strings{});
    EXPECT_EQ(Profile(PROFILE_UNITS), 1);
}

// The area box keeps its area through the unit buttons: 12.5 sq. in. is 80.645 sq. cm., and
// back with the box untouched it shows what was typed. An area whose test file line the reader
// could not take whole is refused with the reason, the dialog left open on it.
TEST_F(Dialogs, TheAreaFollowsTheUnitButtonsAndOneNoFileCanHoldIsRefused) {
    Work<CTestConfigDlg>(ID_CONFIGURE, [this](CTestConfigDlg& dlg) {
        QStringList shown;
        auto click = [&](QRadioButton* pButton) {
            QTest::mouseClick(pButton, Qt::LeftButton);
            shown << dlg.m_pCdArea->text() + ' ' + dlg.m_pAreaUnit->text();
        };
        dlg.m_pCdArea->setText(QStringLiteral("12.5"));
        click(dlg.m_pMetric);
        click(dlg.m_pMetric);  // already Metric: the box stays
        click(dlg.m_pEnglish);
        dlg.m_pCdArea->setText(QStringLiteral("100"));
        click(dlg.m_pMetric);
        EXPECT_EQ(shown, QStringList({"80.645 Sq. cm.", "80.645 Sq. cm.", "12.5 Sq. in.",
                                      "645.160 Sq. cm."}));
        // 6e75 sq. cm. is 9.3e74 sq. in., whose line fills the reader's 99 characters; 1e76 sq.
        // cm. (1.55e75 sq. in.) takes one more.
        for (const char* pArea : {"1e76", "-1e76", "1e400"}) {
            m_boxes.m_answers = {IDOK};
            dlg.m_pCdArea->setText(QString::fromLatin1(pArea));
            dlg.m_pMaxSpeed->setFocus();
            OK(dlg);
            EXPECT_TRUE(dlg.isVisible()) << pArea;
            EXPECT_EQ(dlg.focusWidget(), dlg.m_pCdArea);
            EXPECT_EQ(m_boxes.TakeTexts(),
                      Strings{"This Cd area is too large to be saved in a test file."});
        }
        dlg.m_pCdArea->setText(QStringLiteral("6e75"));
        OK(dlg);
    });
    EXPECT_EQ(Rec().m_bEnglish, 0);
    EXPECT_NEAR(Rec().m_dCdArea, 9.3000186e74, 1e67);
    EXPECT_TRUE(AreaFitsFileLine(Rec().m_dCdArea));
}

TEST_F(Dialogs, ConfigureTakesOnlyAWholeMaxSpeedItsUnitButtonsResetItAndCancelKeepsAll) {
    Record(1, 50);
    Work<CTestConfigDlg>(ID_CONFIGURE, [this](CTestConfigDlg& dlg) {
        for (const char* pText : {"-5", "12.5", "abc", "", "7 mph", "4294967296"}) {
            m_boxes.m_answers = {IDOK};
            dlg.m_pMaxSpeed->setText(QString::fromLatin1(pText));
            dlg.m_pCdArea->setFocus();
            OK(dlg);
            EXPECT_TRUE(dlg.isVisible()) << pText;
            EXPECT_EQ(dlg.focusWidget(), dlg.m_pMaxSpeed);
            EXPECT_EQ(m_boxes.TakeTexts(), Strings{"Please enter a positive integer."});
        }
        // A click sets the box, also on the button already selected.
        QStringList shown;
        for (QRadioButton* pButton : {dlg.m_pEnglish, dlg.m_pMetric, dlg.m_pMetric}) {
            dlg.m_pMaxSpeed->setText(QStringLiteral("55"));
            QTest::mouseClick(pButton, Qt::LeftButton);
            shown << dlg.m_pMaxSpeed->text() + ' ' + dlg.m_pSpeedUnit->text();
        }
        EXPECT_EQ(shown, QStringList({"80 MPH", "130 KPH", "130 KPH"}));
        dlg.reject();
    });
    EXPECT_EQ(Rec().m_bEnglish, 1);
    EXPECT_TRUE(Rec().IsRecorded(25));
    EXPECT_EQ(Profile(PROFILE_UNITS), 999);  // nothing accepted, nothing written
}

TEST_F(Dialogs, AxisBoxesShowTheRangesAndTakeTheirListEntriesOrWhatIsTyped) {
    // Wind, force, Cd and L/D at ranges 1 to 5, Metric then English.
    const char* const shown[2][5] = {
        {"130 1.000 2.00 20.0", "65 0.500 1.00 10.0", "33 0.250 0.50 5.0", "16 0.125 0.25 2.5",
         " 8 0.063 0.13 1.3"},
        {"80.0 2.000 2.00 20.0", "40.0 1.000 1.00 10.0", "20.0 0.500 0.50 5.0",
         "10.0 0.250 0.25 2.5", "5.0 0.125 0.13 1.3"},
    };
    for (int bEnglish : {1, 0}) {
        for (int nRange = 1; nRange <= 5; ++nRange) {
            SetRanges(bEnglish, nRange);
            Work<CAxisDlg>(ID_AXIS, [&](CAxisDlg& dlg) {
                EXPECT_EQ(dlg.windowTitle(), bEnglish ? "Axis" : "Metric Axis");
                QStringList texts;
                for (QComboBox* pBox : Boxes(dlg))
                    texts << pBox->currentText();
                EXPECT_EQ(texts.join(' '), shown[bEnglish][nRange - 1]);
                // A list entry that begins with the text is selected; else it stands in the edit.
                EXPECT_EQ(dlg.m_pWind->currentIndex(), bEnglish && nRange <= 4 ? nRange - 1 : -1);
                dlg.reject();
            });
        }
        // A list entry chosen gives its range; what is typed is taken as it is: "2" is L/D 2
        // (range 4), never the listed "20" that a completion would make of it; a box left as
        // shown keeps its range, though the finest show rounded tops ("0.13", "0.063").
        Work<CAxisDlg>(ID_AXIS, [](CAxisDlg& dlg) {
            ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
            dlg.m_pWind->setCurrentIndex(dlg.m_pWind->count() - 1);
            dlg.m_pLD->setFocus();
            dlg.m_pLD->clearEditText();
            QTest::keyClicks(dlg.m_pLD, QStringLiteral("2"));
            OK(dlg);
        });
        EXPECT_EQ(Ranges(), (std::array{4, 5, 5, 4}));
    }
}

// Fifty wide capitals show whole in each line, and never more than the 99 bytes a line of the
// file holds are taken; pasted text keeps one line; a file's Latin-1 stays while left untouched.
TEST_F(Dialogs, CommentsEditTheFirstFiveLinesWithinTheirLimitsAndKeepTheRest) {
    for (int i = 0; i < COMMENT_COUNT; ++i)
        Rec().m_strComment[i] = "line " + std::to_string(i + 1);
    Rec().m_strComment[3] = "caf\xe9";
    auto want = Rec().m_strComment;
    want[4] = "wing  flap 3 deg";
    const QString typed[] = {QString(60, QLatin1Char('x')), QString(60, QChar(0xe9)),
                             QString(60, QChar(0x6c34))};
    Work<CCommentsDlg>(ID_COMMENTS, [&](CCommentsDlg& dlg) {
        for (int i = 0; i < 3; ++i) {
            QLineEdit* pLine = dlg.m_pLine[i];
            pLine->setText(QString(CCommentsDlg::MAX_CHARS, QLatin1Char(i % 2 ? 'W' : 'M')));
            pLine->end(false);
            pLine->repaint();  // which scrolls the text to the cursor
            EXPECT_EQ(pLine->cursorPositionAt(QPoint(pLine->width() / 100, pLine->height() / 2)), 0)
                << "line " << i + 1;
            pLine->clear();
            for (QChar c : typed[i])
                QTest::sendKeyEvent(QTest::Click, pLine, Qt::Key_unknown, c, {});
            want[i] = typed[i].left(i == 0 ? 50 : i == 1 ? 49 : 33).toStdString();  // 98, 99 bytes
        }
        dlg.m_pLine[4]->clear();
        QApplication::clipboard()->setText(QStringLiteral("wing\r\nflap\t3\u2028deg"));
        dlg.m_pLine[4]->paste();
        OK(dlg);
    });
    EXPECT_EQ(Rec().m_strComment, want);
    EXPECT_TRUE(ShowsTheRecord(true));
}

// Settings that cannot be saved are said once, with the file and the reason; the console goes on
// with what was chosen, and the earlier profile stays whole with nothing left beside it.
TEST_F(Dialogs, ASettingThatCannotBeSavedIsToldOnceAndKeptWhileTheConsoleRuns) {
    auto configure = [this](bool bMetric) {
        Work<CTestConfigDlg>(ID_CONFIGURE, [bMetric](CTestConfigDlg& dlg) {
            QTest::mouseClick(bMetric ? dlg.m_pMetric : dlg.m_pEnglish, Qt::LeftButton);
            OK(dlg);
        });
    };
    const QString strPath = m_profile.Path();
    const std::string strBefore = ReadProfile();
    m_boxes.m_answers = {IDOK};
    OnAFullDisk(8, [&] { configure(true); });
    EXPECT_EQ(Rec().m_bEnglish, 0);
    EXPECT_EQ(ReadProfile(), strBefore);
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files), QStringList{"zef.ini"});
    const QStringList lines = QString::fromStdString(m_boxes.TakeTexts().at(0)).split('\r');
    EXPECT_EQ(lines, (QStringList{"Settings cannot be saved in \"" + strPath + "\":",
                                  QString::fromLocal8Bit(std::strerror(EFBIG)),
                                  "The console keeps the settings made until it closes."}));
    // Then a folder where the profile was: no second box.
    ASSERT_TRUE(QFile::remove(strPath) && QDir().mkdir(strPath));
    configure(false);
    EXPECT_EQ(Rec().m_bEnglish, 1);
    EXPECT_TRUE(m_boxes.TakeTexts().empty());
}

}  // namespace

// Test Configuration, Axis, Metric Axis and Comments, as an operator works them.

#include "ConsoleHarness.h"

namespace {

constexpr double SQIN_PER_SQCM = 1 / 6.4516;

class Dialogs : public CStartedConsoleTest {
protected:
    int Profile(const char* pKey) {
        return static_cast<int>(theApp.GetProfileInt(PROFILE_SYSTEM, pKey, 999));
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
        Rec().SetSpeedRange(nRange);
        Rec().SetForceRange(nRange);
        Rec().SetCdRange(nRange);
        Rec().SetLDRange(nRange);
    }
};

TEST_F(Dialogs, ConfigureConvertsAndWritesTheProfileInBothUnitSystems) {
    const struct {
        int bEnglish;
        double dMax, dArea;
        const char *pShownMax, *pShownArea, *pTypedMax, *pTypedArea;  // nullptr: left as shown
        double dStoredMax, dStoredArea;
        int nProfileMax;
    } cases[] = {
        {0, 80, 1, "129", "6.452", nullptr, nullptr, 80, 6.452 * SQIN_PER_SQCM, 80},
        {1, 80, 1, "80", "1.000", "100", nullptr, 80, 1, 80},  // never above 80 mph
        {0, 80, 1, "129", "6.452", "120", "10", 120 / 1.60934, 10 * SQIN_PER_SQCM, 75},
        {1, 62.9, 1.23456, "62", "1.235", nullptr, nullptr, 62, 1.235, 62},
        {1, 80, 1, "80", "1.000", "0", "wing", 0, 0, 0},
        // A maximum from a hand-edited profile beyond what the box holds.
        {0, 4294967295.0, 1, "4294967295", "6.452", nullptr, nullptr, 80, 6.452 * SQIN_PER_SQCM,
         80},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pShownMax);
        Rec().m_bEnglish = c.bEnglish;
        Rec().m_dMaxSpeed = c.dMax;
        Rec().m_dCdArea = c.dArea;
        Record(300, 300);
        Work<CTestConfigDlg>(ID_CONFIGURE, [&](CTestConfigDlg& dlg) {
            EXPECT_EQ(dlg.m_pMaxSpeed->text(), c.pShownMax);
            EXPECT_EQ(dlg.m_pCdArea->text(), c.pShownArea);
            if (c.pTypedMax)
                dlg.m_pMaxSpeed->setText(QString::fromLatin1(c.pTypedMax));
            if (c.pTypedArea)
                dlg.m_pCdArea->setText(QString::fromLatin1(c.pTypedArea));
            OK(dlg);
        });
        EXPECT_NEAR(Rec().m_dMaxSpeed, c.dStoredMax, 1e-9);
        EXPECT_NEAR(Rec().m_dCdArea, c.dStoredArea, 1e-9);
        EXPECT_EQ(Profile(PROFILE_UNITS), c.bEnglish);
        EXPECT_EQ(Profile(PROFILE_MAX_SPEED), c.nProfileMax);
        EXPECT_TRUE(Rec().IsRecorded(300));  // the units stayed: so does the test
        EXPECT_EQ(Rec().m_cd.m_dValue[300], Rec().DragCoefficient(30.0, 0.075));  // new area
        EXPECT_TRUE(ShowsTheRecord());
    }
}

TEST_F(Dialogs, ConfigureTakesOnlyAWholeMaxSpeedAndItsUnitButtonsResetIt) {
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
        // A click sets the box, also on the button already selected; the area stays as it is.
        QStringList shown;
        for (QRadioButton* pButton : {dlg.m_pMetric, dlg.m_pEnglish, dlg.m_pEnglish}) {
            dlg.m_pMaxSpeed->setText(QStringLiteral("55"));
            QTest::mouseClick(pButton, Qt::LeftButton);
            shown << dlg.m_pMaxSpeed->text() + ' ' + dlg.m_pSpeedUnit->text() + ' ' +
                         dlg.m_pAreaUnit->text() + ' ' + dlg.m_pCdArea->text();
        }
        EXPECT_EQ(shown, QStringList({"130 KPH Sq. cm. 1.000", "80 MPH Sq. in. 1.000",
                                      "80 MPH Sq. in. 1.000"}));
        dlg.reject();
    });
    EXPECT_EQ(Profile(PROFILE_UNITS), 999);  // nothing accepted, nothing written
}

TEST_F(Dialogs, AChangeOfUnitsStartsAfreshAndCancelWritesNothing) {
    // To Metric: stored as 80 mph; the test and the scales start afresh.
    Record(1, 500);
    SetRanges(1, 3);
    Work<CTestConfigDlg>(ID_CONFIGURE, [](CTestConfigDlg& dlg) {
        QTest::mouseClick(dlg.m_pMetric, Qt::LeftButton);
        OK(dlg);
    });
    EXPECT_EQ(Rec().m_bEnglish, 0);
    EXPECT_EQ(Rec().m_dMaxSpeed, 80.0);
    EXPECT_EQ(Profile(PROFILE_UNITS), 0);
    EXPECT_FALSE(Rec().IsRecorded(250));
    EXPECT_EQ(Ranges(), (std::array<int, 4>{1, 2, 1, 1}));
    EXPECT_EQ(Rec().m_axisWind.m_dFullScale, 140.0);
    EXPECT_TRUE(ShowsTheRecord());

    // Cancel: nothing changes and nothing is written.
    Record(1, 50);
    theApp.WriteProfileInt(PROFILE_SYSTEM, PROFILE_UNITS, 7);
    Work<CTestConfigDlg>(ID_CONFIGURE, [](CTestConfigDlg& dlg) {
        QTest::mouseClick(dlg.m_pEnglish, Qt::LeftButton);
        dlg.reject();
    });
    EXPECT_EQ(Rec().m_bEnglish, 0);
    EXPECT_TRUE(Rec().IsRecorded(25));
    EXPECT_EQ(Profile(PROFILE_UNITS), 7);
}

TEST_F(Dialogs, AxisBoxesShowTheRangesAndEveryListEntryGivesItsRangeBack) {
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
        for (std::size_t nBox = 0; nBox < 4; ++nBox) {
            for (int n = 0, nCount = 1; n < nCount; ++n) {
                Work<CAxisDlg>(ID_AXIS, [&](CAxisDlg& dlg) {
                    nCount = Boxes(dlg)[nBox]->count();
                    Boxes(dlg)[nBox]->setCurrentIndex(n);
                    OK(dlg);
                });
                EXPECT_EQ(Ranges()[nBox], n + 1) << "English " << bEnglish << ", box " << nBox;
            }
        }
    }
}

TEST_F(Dialogs, CommentsEditTheFirstFiveLinesWithinFiftyCharactersAndKeepTheRest) {
    for (int i = 0; i < COMMENT_COUNT; ++i)
        Rec().m_strComment[i] = "line " + std::to_string(i + 1);
    Work<CCommentsDlg>(ID_COMMENTS, [&](CCommentsDlg& dlg) {
        dlg.m_pLine[0]->clear();
        QTest::keyClicks(dlg.m_pLine[0], QString(60, QLatin1Char('x')));
        dlg.m_pLine[4]->clear();
        OK(dlg);
    });
    EXPECT_EQ(Rec().m_strComment[0], std::string(50, 'x'));
    EXPECT_EQ(Rec().m_strComment[4], "");
    for (int i : {1, 3, 5, 6, 7, 8, 9})
        EXPECT_EQ(Rec().m_strComment[i], "line " + std::to_string(i + 1));
    EXPECT_TRUE(ShowsTheRecord(true));
}

}  // namespace

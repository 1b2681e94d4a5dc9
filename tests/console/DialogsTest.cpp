// The test dialogs and their commands: Wind Speed, Comments, Test Configuration, Axis and Metric
// Axis, worked as an operator works them.

#include <QGroupBox>
#include <algorithm>
#include <functional>

#include "ConsoleTestSupport.h"
#include "app/Profile.h"
#include "files/TestFile.h"
#include "run/TextBytes.h"

namespace {

constexpr unsigned EXCLAMATION_OK = MB_OK | MB_ICONEXCLAMATION;

// Every text a dialog shows: labels, group titles and buttons.
QStringList Texts(QWidget* pDialog) {
    QStringList texts;
    for (auto* p : pDialog->findChildren<QLabel*>())
        texts << p->text();
    for (auto* p : pDialog->findChildren<QGroupBox*>())
        texts << p->title();
    for (auto* p : pDialog->findChildren<QAbstractButton*>())
        texts << p->text();
    return texts;
}

QStringList Items(QComboBox* pBox) {
    QStringList items;
    for (int i = 0; i < pBox->count(); ++i)
        items << pBox->itemText(i);
    return items;
}

// The dialog active, then Tab pressed n times: which of the given widgets held the focus at
// each stop (by index; -1 for any other).
std::vector<int> TabStops(QWidget* pDialog, const std::vector<QWidget*>& widgets, int n) {
    pDialog->activateWindow();
    EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == pDialog; }));
    auto which = [&] {
        QWidget* pFocus = QApplication::focusWidget();
        for (std::size_t i = 0; i < widgets.size(); ++i) {
            if (pFocus && (pFocus == widgets[i] || widgets[i]->isAncestorOf(pFocus))) {
                return static_cast<int>(i);
            }
        }
        return -1;
    };
    std::vector<int> stops{which()};
    for (int i = 0; i < n; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        stops.push_back(which());
    }
    return stops;
}

QPushButton* Button(QDialog* pDialog, const char* pText) {
    for (auto* p : pDialog->findChildren<QPushButton*>()) {
        if (p->text().remove(QLatin1Char('&')) == QLatin1String(pText))
            return p;
    }
    return nullptr;
}

// Types the text character by character, as a keyboard would, whatever the characters.
void Type(QWidget* pWidget, const QString& strText) {
    for (QChar c : strText) {
        QTest::sendKeyEvent(QTest::Click, pWidget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

class Dialogs : public CConsoleViewTest {
protected:
    // Runs a command whose dialog the handler works (it ends the dialog itself).
    template <typename Dialog>
    void Work(int nCommand, std::function<void(Dialog&)> fnWork) {
        m_modal.Then([fnWork](QWidget* pWidget) {
            auto* pDialog = dynamic_cast<Dialog*>(pWidget);
            ASSERT_NE(pDialog, nullptr)
                << "another window: " << pWidget->windowTitle().toStdString();
            fnWork(*pDialog);
            if (pDialog->isVisible()) {
                ADD_FAILURE() << "dialog left open";
                pDialog->reject();
            }
        });
        m_pFrame->OnCommand(nCommand);
        EXPECT_TRUE(m_modal.Done());
    }
    static void OK(QDialog& dlg) {
        QDialog* pBase = &dlg;
        pBase->accept();
    }
    static void Retype(QLineEdit* pEdit, const QString& strText) {
        pEdit->selectAll();
        pEdit->del();
        QTest::keyClicks(pEdit, strText);
    }
    static void Retype(QComboBox* pBox, const QString& strText) {
        pBox->lineEdit()->selectAll();
        pBox->lineEdit()->del();
        QTest::keyClicks(pBox->lineEdit(), strText);
    }
    int Profile(const char* pKey) {
        return static_cast<int>(theApp.m_profile.GetProfileInt(PROFILE_SYSTEM, pKey, 999));
    }
};

// --- Wind Speed --------------------------------------------------------------------------------

TEST_F(Dialogs, WindSpeedShowsItsTextsAndTakesTheFocusInTheEdit) {
    for (int bEnglish : {1, 0, 2}) {
        CWindSpeedDlg dlg(m_pFrame.get());
        dlg.m_strSpeed = QStringLiteral("0");
        dlg.m_bEnglish = bEnglish;
        m_modal.Then([&](QWidget*) {
            EXPECT_EQ(dlg.windowTitle(), "Wind Speed");
            EXPECT_TRUE(Texts(&dlg).contains("Enter Speed"));
            EXPECT_EQ(dlg.m_pSpeed->text(), "0");
            EXPECT_EQ(dlg.m_pUnit->text(), bEnglish == 1 ? "MPH" : "KPH");
            EXPECT_EQ(TabStops(&dlg, {dlg.m_pSpeed, Button(&dlg, "OK"), Button(&dlg, "Cancel")}, 3),
                      (std::vector<int>{0, 1, 2, 0}));
            Retype(dlg.m_pSpeed, QStringLiteral("42.5"));
            OK(dlg);
        });
        EXPECT_EQ(dlg.DoModal(), QDialog::Accepted);
        EXPECT_EQ(dlg.m_strSpeed, "42.5");
    }
}

// --- Comments ----------------------------------------------------------------------------------

TEST_F(Dialogs, CommentsEditsTheFirstFiveLinesAndRedrawsThePlot) {
    for (int i = 0; i < COMMENT_COUNT; ++i) {
        Rec().m_strComment[i] = "line " + std::to_string(i + 1);
    }
    View().RedrawAll();
    const QImage before = View().Image();
    Work<CCommentsDlg>(ID_COMMENTS, [](CCommentsDlg& dlg) {
        EXPECT_EQ(dlg.windowTitle(), "Comments");
        const QStringList texts = Texts(&dlg);
        for (const char* p : {"Comments", "1", "2", "3", "4", "5"}) {
            EXPECT_TRUE(texts.contains(p)) << p;
        }
        for (int i = 0; i < 5; ++i) {
            EXPECT_EQ(dlg.m_pLine[i]->text(), QStringLiteral("line %1").arg(i + 1));
        }
        std::vector<QWidget*> order(dlg.m_pLine.begin(), dlg.m_pLine.end());
        order.push_back(Button(&dlg, "OK"));
        order.push_back(Button(&dlg, "Cancel"));
        EXPECT_EQ(TabStops(&dlg, order, 7), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 0}));
        // The edits stand one below the other in that order.
        for (int i = 1; i < 5; ++i) {
            EXPECT_GT(dlg.m_pLine[i]->mapTo(&dlg, QPoint()).y(),
                      dlg.m_pLine[i - 1]->mapTo(&dlg, QPoint()).y());
        }
        Retype(dlg.m_pLine[0], QStringLiteral("Clark Y at 4 degrees"));
        dlg.m_pLine[4]->clear();
        OK(dlg);
    });
    EXPECT_EQ(Rec().m_strComment[0], "Clark Y at 4 degrees");
    EXPECT_EQ(Rec().m_strComment[1], "line 2");
    EXPECT_EQ(Rec().m_strComment[4], "");
    for (int i = 5; i < COMMENT_COUNT; ++i) {
        EXPECT_EQ(Rec().m_strComment[i], "line " + std::to_string(i + 1));
    }
    EXPECT_NE(View().Image(), before);
    EXPECT_TRUE(PlotIsCurrent());

    // Cancel keeps all ten lines and redraws nothing.
    Rec().m_strComment[9] = "changed behind the window's back";
    const QImage shown = View().Image();
    Work<CCommentsDlg>(ID_COMMENTS, [](CCommentsDlg& dlg) {
        for (auto* pLine : dlg.m_pLine)
            Retype(pLine, QStringLiteral("typed"));
        dlg.reject();
    });
    EXPECT_EQ(Rec().m_strComment[0], "Clark Y at 4 degrees");
    EXPECT_EQ(Rec().m_strComment[9], "changed behind the window's back");
    EXPECT_EQ(View().Image(), shown);
}

TEST_F(Dialogs, ACommentHoldsFiftyCharactersAndAlwaysFitsItsFileLine) {
    const QString strLong(60, QLatin1Char('x'));
    const QString strAccents(60, QChar(0xe9));           // two bytes each in UTF-8
    const QString strWide = QString(20, QChar(0x6c34));  // three bytes each
    Work<CCommentsDlg>(ID_COMMENTS, [&](CCommentsDlg& dlg) {
        QTest::keyClicks(dlg.m_pLine[0], strLong);
        EXPECT_EQ(dlg.m_pLine[0]->text(), strLong.left(50));
        Type(dlg.m_pLine[1], strAccents);
        EXPECT_EQ(dlg.m_pLine[1]->text(), strAccents.left(49));  // 98 bytes
        Type(dlg.m_pLine[2], strWide + strWide);
        EXPECT_EQ(dlg.m_pLine[2]->text(), (strWide + strWide).left(33));  // 99 bytes
        OK(dlg);
    });
    EXPECT_EQ(Rec().m_strComment[0], std::string(50, 'x'));
    // What the dialog takes comes back whole from a saved file.
    TestRecord reopened(1, 80.0);
    const std::string strFile = FormatTestFile(Rec());
    CMemoryByteReader reader(strFile.data(), strFile.size());
    ASSERT_TRUE(ReadTestFile(reopened, reader).Ok());
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(reopened.m_strComment[i], Rec().m_strComment[i]) << i;
    }
    EXPECT_EQ(TextFromBytes(reopened.m_strComment[1]), strAccents.left(49));
}

TEST_F(Dialogs, CommentsKeepLinesTheOperatorDidNotTouch) {
    // From a file: a line longer than the dialog takes, and one in another encoding.
    const std::string strLong(70, 'y');
    Rec().m_strComment[2] = strLong;
    Rec().m_strComment[3] = "caf\xe9";
    Work<CCommentsDlg>(ID_COMMENTS, [&](CCommentsDlg& dlg) {
        // Shown whole, not cut to fifty.
        EXPECT_EQ(dlg.m_pLine[2]->text().toStdString(), strLong);
        EXPECT_EQ(dlg.m_pLine[3]->text(), QStringLiteral("caf\u00e9"));
        // OK refuses the long line and keeps the dialog open; shortened, it goes.
        m_boxes.m_answers = {IDOK};
        OK(dlg);
        EXPECT_TRUE(dlg.isVisible());
        EXPECT_EQ(dlg.focusWidget(), dlg.m_pLine[2]);
        dlg.m_pLine[2]->setText(QString::fromStdString(strLong.substr(0, 50)));
        OK(dlg);
    });
    ASSERT_EQ(m_boxes.m_shown.size(), 1u);
    EXPECT_EQ(m_boxes.m_shown[0].strText, "Please enter no more than 50 characters.");
    EXPECT_EQ(m_boxes.m_shown[0].nType, EXCLAMATION_OK);
    EXPECT_EQ(Rec().m_strComment[2], strLong.substr(0, 50));
    EXPECT_EQ(Rec().m_strComment[3], "caf\xe9");  // the file's byte, not UTF-8
}

// --- Test Configuration ------------------------------------------------------------------------

TEST_F(Dialogs, TestConfigurationTextsFocusAndRadioButtons) {
    Work<CTestConfigDlg>(ID_CONFIGURE, [](CTestConfigDlg& dlg) {
        EXPECT_EQ(dlg.windowTitle(), "Test Configuration");
        const QStringList texts = Texts(&dlg);
        for (const char* p : {"Units", "English", "Metric", "Max Speed", "Cd Area"}) {
            EXPECT_TRUE(texts.contains(p)) << p;
        }
        EXPECT_TRUE(dlg.m_pEnglish->isChecked());
        EXPECT_EQ(dlg.m_pSpeedUnit->text(), "MPH");
        EXPECT_EQ(dlg.m_pAreaUnit->text(), "Sq. in.");
        EXPECT_EQ(
            TabStops(&dlg, {dlg.m_pMaxSpeed, dlg.m_pCdArea, dlg.m_btnOK, Button(&dlg, "Cancel")},
                     4),
            (std::vector<int>{0, 1, 2, 3, 0}));
        // A click sets the speed box, also on the button already selected.
        Retype(dlg.m_pMaxSpeed, QStringLiteral("55"));
        QTest::mouseClick(dlg.m_pMetric, Qt::LeftButton);
        EXPECT_EQ(dlg.m_pMaxSpeed->text(), "130");
        EXPECT_EQ(dlg.m_pSpeedUnit->text(), "KPH");
        EXPECT_EQ(dlg.m_pAreaUnit->text(), "Sq. cm.");
        EXPECT_EQ(dlg.m_pCdArea->text(), "1.000");  // the area is not converted
        QTest::mouseClick(dlg.m_pEnglish, Qt::LeftButton);
        EXPECT_EQ(dlg.m_pMaxSpeed->text(), "80");
        Retype(dlg.m_pMaxSpeed, QStringLiteral("55"));
        QTest::mouseClick(dlg.m_pEnglish, Qt::LeftButton);
        EXPECT_EQ(dlg.m_pMaxSpeed->text(), "80");
        EXPECT_EQ(dlg.m_pSpeedUnit->text(), "MPH");
        dlg.reject();
    });
}

TEST_F(Dialogs, MaxSpeedTakesOnlyAnUnsignedWholeNumber) {
    const char* refused[] = {"-5", "12.5", "abc", "", "7 mph", "4294967296"};
    for (const char* pText : refused) {
        SCOPED_TRACE(pText);
        m_boxes.m_answers = {IDOK};
        Work<CTestConfigDlg>(ID_CONFIGURE, [&](CTestConfigDlg& dlg) {
            Retype(dlg.m_pMaxSpeed, QString::fromLatin1(pText));
            dlg.m_pCdArea->setFocus();
            OK(dlg);
            EXPECT_TRUE(dlg.isVisible());
            EXPECT_EQ(dlg.focusWidget(), dlg.m_pMaxSpeed);
            dlg.reject();
        });
        EXPECT_EQ(m_boxes.TakeTexts(), Strings{"Please enter a positive integer."});
    }
    EXPECT_EQ(Profile(PROFILE_UNITS), 999);  // nothing was accepted, nothing written
    Work<CTestConfigDlg>(ID_CONFIGURE, [&](CTestConfigDlg& dlg) {
        Retype(dlg.m_pMaxSpeed, QStringLiteral(" 42 "));
        OK(dlg);
    });
    EXPECT_EQ(Rec().m_dMaxSpeed, 42);
    EXPECT_TRUE(m_boxes.m_shown.empty());
}

TEST_F(Dialogs, ConfigureConvertsWritesTheProfileAndRecomputesCd) {
    struct Case {
        int bEnglish;
        double dMax, dArea;
        const char* pShownMax;
        const char* pShownArea;
        const char* pTypedMax;  // nullptr: left as shown
        const char* pTypedArea;
        double dStoredMax, dStoredArea;
        int nProfileMax;
    };
    const Case cases[] = {
        {1, 80.0, 1.0, "80", "1.000", nullptr, nullptr, 80.0, 1.0, 80},
        {0, 80.0, 1.0, "129", "6.452", nullptr, nullptr, 80.0, 6.452 * 0.15500031000061998, 80},
        {1, 80.0, 1.0, "80", "1.000", "100", nullptr, 80.0, 1.0, 80},
        {0, 80.0, 1.0, "129", "6.452", "120", "10", 120 * 0.6213727366498067,
         10 * 0.15500031000061998, 75},
        {1, 62.9, 1.23456, "62", "1.235", nullptr, nullptr, 62.0, 1.235, 62},
        {1, 80.0, 1.0, "80", "1.000", "0", "wing", 0.0, 0.0, 0},
        // A maximum from a hand-edited profile beyond what the box holds.
        {0, 4294967295.0, 1.0, "4294967295", "6.452", nullptr, nullptr, 80.0,
         6.452 * 0.15500031000061998, 80},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pShownMax);
        Rec().m_bEnglish = c.bEnglish;
        Rec().m_dMaxSpeed = c.dMax;
        Rec().m_dCdArea = c.dArea;
        Record({300});
        Work<CTestConfigDlg>(ID_CONFIGURE, [&](CTestConfigDlg& dlg) {
            EXPECT_EQ(dlg.m_pMaxSpeed->text(), c.pShownMax);
            EXPECT_EQ(dlg.m_pCdArea->text(), c.pShownArea);
            EXPECT_EQ(dlg.m_pMetric->isChecked(), c.bEnglish == 0);
            EXPECT_EQ(dlg.m_pSpeedUnit->text(), c.bEnglish ? "MPH" : "KPH");
            if (c.pTypedMax)
                Retype(dlg.m_pMaxSpeed, QString::fromLatin1(c.pTypedMax));
            if (c.pTypedArea)
                Retype(dlg.m_pCdArea, QString::fromLatin1(c.pTypedArea));
            OK(dlg);
        });
        EXPECT_NEAR(Rec().m_dMaxSpeed, c.dStoredMax, 1e-9);
        EXPECT_NEAR(Rec().m_dCdArea, c.dStoredArea, 1e-9);
        EXPECT_EQ(Rec().m_bEnglish, c.bEnglish);
        EXPECT_EQ(Profile(PROFILE_UNITS), c.bEnglish);
        EXPECT_EQ(Profile(PROFILE_MAX_SPEED), c.nProfileMax);
        EXPECT_TRUE(Rec().IsRecorded(300));  // the units stayed: the test stays
        EXPECT_TRUE(PictureIsCurrent());
    }
    EXPECT_TRUE(m_boxes.m_shown.empty());
}

TEST_F(Dialogs, AChangeOfAreaRecomputesCdAndAChangeOfUnitsStartsAfresh) {
    // English, area 10 sq. in.: 40 mph with 0.05 lb of drag is Cd 0.178512...; below 5 mph the
    // formula holds too here.
    RecordRange(1, 500);
    Rec().m_drag.m_dValue[400] = 0.05;
    Rec().m_drag.m_dValue[30] = 0.001;
    Rec().m_drag.m_dValue[250] = EMPTY_SLOT;
    Rec().m_cd.m_dValue[0] = 0.75;
    const double dLD = Rec().m_ld.m_dValue[400];
    Work<CTestConfigDlg>(ID_CONFIGURE, [](CTestConfigDlg& dlg) {
        Retype(dlg.m_pCdArea, QStringLiteral("10"));
        OK(dlg);
    });
    EXPECT_NEAR(Rec().m_cd.m_dValue[400], 0.178512, 1e-6);
    EXPECT_NEAR(Rec().m_cd.m_dValue[30], 0.001 * 32 / (10 / 144.0 * 0.0375 * 4.4 * 4.4), 1e-9);
    EXPECT_EQ(Rec().m_cd.m_dValue[250], EMPTY_SLOT);
    EXPECT_EQ(Rec().m_cd.m_dValue[0], 0.75);  // slot 0 is left alone
    EXPECT_EQ(Rec().m_ld.m_dValue[400], dLD);
    EXPECT_EQ(Rec().m_lift.m_dValue[400], 0.4);

    // English to Metric in the dialog: the box says 130, stored as 80 mph; the test, its
    // comments and the scales start afresh; the overlay stays.
    Rec().m_strComment[6] = "from a file";
    Rec().m_lift.m_dOverlay[100] = 0.2;
    Rec().SetForceRange(4);
    Rec().SetCdRange(3);
    Rec().SetLDRange(2);
    Rec().SetSpeedRange(3);
    Work<CTestConfigDlg>(ID_CONFIGURE, [](CTestConfigDlg& dlg) {
        QTest::mouseClick(dlg.m_pMetric, Qt::LeftButton);
        OK(dlg);
    });
    EXPECT_EQ(Rec().m_bEnglish, 0);
    EXPECT_EQ(Rec().m_dMaxSpeed, 80.0);
    EXPECT_EQ(Profile(PROFILE_UNITS), 0);
    EXPECT_EQ(Profile(PROFILE_MAX_SPEED), 80);
    for (int i = 1; i <= 500; ++i) {
        ASSERT_FALSE(Rec().IsRecorded(i)) << i;
    }
    EXPECT_EQ(Rec().m_strComment[6], "");
    EXPECT_EQ(Rec().m_lift.m_dOverlay[100], 0.2);
    EXPECT_EQ(Rec().m_axisForce.m_nRange, 2);
    EXPECT_EQ(Rec().m_axisCd.m_nRange, 1);
    EXPECT_EQ(Rec().m_axisLD.m_nRange, 1);
    EXPECT_EQ(Rec().m_axisWind.m_nRange, 1);
    EXPECT_EQ(Rec().m_axisWind.m_dFullScale, 140.0);
    EXPECT_EQ(Rec().m_axisForce.m_dFullScale, 1.0);
    EXPECT_TRUE(PictureIsCurrent());

    // Cancel: nothing changes, nothing is written or redrawn.
    RecordRange(1, 50);
    Rec().m_strComment[0] = "behind the window's back";
    const QImage shown = View().Image();
    theApp.WriteProfileInt(PROFILE_SYSTEM, PROFILE_UNITS, 7);
    Work<CTestConfigDlg>(ID_CONFIGURE, [](CTestConfigDlg& dlg) {
        QTest::mouseClick(dlg.m_pEnglish, Qt::LeftButton);
        Retype(dlg.m_pCdArea, QStringLiteral("99"));
        dlg.reject();
    });
    EXPECT_EQ(Rec().m_bEnglish, 0);
    EXPECT_TRUE(Rec().IsRecorded(25));
    EXPECT_EQ(Profile(PROFILE_UNITS), 7);
    EXPECT_EQ(View().Image(), shown);
}

// --- Axis and Metric Axis ----------------------------------------------------------------------

TEST_F(Dialogs, AxisDialogsShowTheirListsTextsAndTabOrder) {
    for (int bEnglish : {1, 0}) {
        SCOPED_TRACE(bEnglish);
        Rec().m_bEnglish = bEnglish;
        Work<CAxisDlg>(ID_AXIS, [&](CAxisDlg& dlg) {
            EXPECT_EQ(dlg.windowTitle(), bEnglish ? "Axis" : "Metric Axis");
            EXPECT_EQ(dynamic_cast<CMetricAxisDlg*>(&dlg) != nullptr, bEnglish == 0);
            const QStringList texts = Texts(&dlg);
            const QStringList expected =
                bEnglish ? QStringList{"Scale Ranges", "Wind (mph)", "Force (lbs)", "Cd",
                                       "L/D",          "Lift",       "Drag",        "On"}
                         : QStringList{"Scale Ranges", "Wind (KPH)", "Force (kg)", "Cd",
                                       "L/D",          "Lift",       "Drag",       "On"};
            for (const QString& str : expected) {
                EXPECT_TRUE(texts.contains(str)) << str.toStdString();
            }
            EXPECT_EQ(texts.count("On"), 2);
            EXPECT_EQ(Items(dlg.m_pWind), bEnglish ? QStringList({"80.0", "40.0", "20.0", "10.0"})
                                                   : QStringList({"140", "70", "35", "15"}));
            EXPECT_EQ(Items(dlg.m_pForce),
                      bEnglish ? QStringList({"2.0", "1.0", "0.5", "0.25", "0.125"})
                               : QStringList({"1.0", "0.5", "0.25", "0.125", "0.0625"}));
            EXPECT_EQ(Items(dlg.m_pCd), QStringList({"2.0", "1.0", "0.5", "0.25"}));
            EXPECT_EQ(Items(dlg.m_pLD), QStringList({"20", "10", "5", "2.5"}));
            for (QComboBox* pBox : {dlg.m_pWind, dlg.m_pForce, dlg.m_pCd, dlg.m_pLD}) {
                EXPECT_TRUE(pBox->isEditable());
            }
            // Check boxes as the record has them: lift and drag shown, Cd and L/D hidden.
            EXPECT_TRUE(dlg.m_pLift->isChecked());
            EXPECT_TRUE(dlg.m_pDrag->isChecked());
            EXPECT_FALSE(dlg.m_pCdOn->isChecked());
            EXPECT_FALSE(dlg.m_pLDOn->isChecked());
            const std::vector<QWidget*> order = {
                dlg.m_pWind, dlg.m_pLift, dlg.m_pDrag, dlg.m_pForce, dlg.m_pCdOn,
                dlg.m_pCd,   dlg.m_pLDOn, dlg.m_pLD,   dlg.m_btnOK,  dlg.m_btnCancel};
            const std::vector<int> stops = TabStops(&dlg, order, 10);
            const std::vector<int> english = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0};
            const std::vector<int> metric = {8, 9, 0, 1, 2, 3, 4, 5, 6, 7, 8};
            EXPECT_EQ(stops, bEnglish ? english : metric);
            dlg.reject();
        });
    }
}

TEST_F(Dialogs, AxisBoxesShowTheCurrentRanges) {
    struct Shown {
        QString strWind, strForce, strCd, strLD;
        int nWindIndex;
    };
    auto shownAt = [&](int bEnglish, int nRange) {
        Rec().m_bEnglish = bEnglish;
        Rec().ApplyUnitScales();
        Rec().SetSpeedRange(nRange);
        Rec().SetForceRange(nRange);
        Rec().SetCdRange(nRange);
        Rec().SetLDRange(nRange);
        Shown shown;
        Work<CAxisDlg>(ID_AXIS, [&](CAxisDlg& dlg) {
            shown = {dlg.m_pWind->currentText(), dlg.m_pForce->currentText(),
                     dlg.m_pCd->currentText(), dlg.m_pLD->currentText(),
                     dlg.m_pWind->currentIndex()};
            dlg.reject();
        });
        return shown;
    };
    const char* englishWind[] = {"80.0", "40.0", "20.0", "10.0", "5.0"};
    const char* metricWind[] = {"130", "65", "33", "16", " 8"};
    const char* englishForce[] = {"2.000", "1.000", "0.500", "0.250", "0.125"};
    const char* metricForce[] = {"1.000", "0.500", "0.250", "0.125", "0.063"};
    const char* cd[] = {"2.00", "1.00", "0.50", "0.25", "0.13"};
    const char* ld[] = {"20.0", "10.0", "5.0", "2.5", "1.3"};
    for (int r = 1; r <= 5; ++r) {
        SCOPED_TRACE(r);
        const Shown english = shownAt(1, r);
        EXPECT_EQ(english.strWind, englishWind[r - 1]);
        // A list entry that begins with the text is selected; else the text stands in the edit.
        EXPECT_EQ(english.nWindIndex, r <= 4 ? r - 1 : -1);
        EXPECT_EQ(english.strForce, englishForce[r - 1]);
        EXPECT_EQ(english.strCd, cd[r - 1]);
        EXPECT_EQ(english.strLD, ld[r - 1]);
        const Shown metric = shownAt(0, r);
        EXPECT_EQ(metric.strWind, metricWind[r - 1]);
        EXPECT_EQ(metric.nWindIndex, -1);
        EXPECT_EQ(metric.strForce, metricForce[r - 1]);
        EXPECT_EQ(metric.strCd, cd[r - 1]);
        EXPECT_EQ(metric.strLD, ld[r - 1]);
    }
}

TEST_F(Dialogs, EveryListEntryGivesBackTheRangeItStandsFor) {
    for (int bEnglish : {1, 0}) {
        Rec().m_bEnglish = bEnglish;
        Rec().ApplyUnitScales();
        for (int nBox = 0; nBox < 4; ++nBox) {
            for (int n = 0;; ++n) {
                int nCount = 0;
                Work<CAxisDlg>(ID_AXIS, [&](CAxisDlg& dlg) {
                    QComboBox* boxes[] = {dlg.m_pWind, dlg.m_pForce, dlg.m_pCd, dlg.m_pLD};
                    nCount = boxes[nBox]->count();
                    boxes[nBox]->setCurrentIndex(n);
                    OK(dlg);
                });
                const GraphAxis* axes[] = {&Rec().m_axisWind, &Rec().m_axisForce, &Rec().m_axisCd,
                                           &Rec().m_axisLD};
                EXPECT_EQ(axes[nBox]->m_nRange, n + 1)
                    << "English " << bEnglish << ", box " << nBox << ", entry " << n;
                if (n + 1 >= nCount)
                    break;
            }
        }
    }
}

TEST_F(Dialogs, AxisTakesTypedTopsAndSetsEveryAxisOnOK) {
    struct Case {
        int bEnglish;
        int nBox;  // 0 wind, 1 force, 2 Cd, 3 L/D
        const char* pTyped;
        int nRange;
    };
    const Case cases[] = {
        {1, 1, "0.3", 3},
        {1, 0, "15.0", 3},
        {0, 1, "0.0625", 5},
        {0, 1, "0.063", 4},
        {0, 0, "35", 3},
        {1, 3, "2", 4},
        {1, 0, "4", 5},
        {0, 0, "7", 5},
        {1, 2, "1", 2},
        {1, 1, "3", 1},  // above the base: the full scale
        // No range at all: the axis keeps the one it has.
        {1, 1, "abc", 2},
        {1, 1, "0", 2},
        {1, 1, "-0.5", 2},
        {1, 1, "1e-30", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pTyped);
        Rec().m_bEnglish = c.bEnglish;
        Rec().ApplyUnitScales();
        Rec().SetSpeedRange(1);
        Rec().SetForceRange(2);
        Rec().SetCdRange(1);
        Rec().SetLDRange(1);
        Work<CAxisDlg>(ID_AXIS, [&](CAxisDlg& dlg) {
            QComboBox* boxes[] = {dlg.m_pWind, dlg.m_pForce, dlg.m_pCd, dlg.m_pLD};
            Retype(boxes[c.nBox], QString::fromLatin1(c.pTyped));
            OK(dlg);
        });
        const GraphAxis* axes[] = {&Rec().m_axisWind, &Rec().m_axisForce, &Rec().m_axisCd,
                                   &Rec().m_axisLD};
        EXPECT_EQ(axes[c.nBox]->m_nRange, c.nRange);
        EXPECT_TRUE(PictureIsCurrent());
    }

    // At range 5 an unchanged OK reads the rounded tops back: Cd, L/D and the Metric force go to
    // range 4, wind and the English force stay.
    for (int bEnglish : {1, 0}) {
        Rec().m_bEnglish = bEnglish;
        Rec().ApplyUnitScales();
        Rec().SetSpeedRange(5);
        Rec().SetForceRange(5);
        Rec().SetCdRange(5);
        Rec().SetLDRange(5);
        Work<CAxisDlg>(ID_AXIS, [](CAxisDlg& dlg) { OK(dlg); });
        EXPECT_EQ(Rec().m_axisWind.m_nRange, 5);
        EXPECT_EQ(Rec().m_axisForce.m_nRange, bEnglish ? 5 : 4);
        EXPECT_EQ(Rec().m_axisCd.m_nRange, 4);
        EXPECT_EQ(Rec().m_axisLD.m_nRange, 4);
    }
    EXPECT_TRUE(m_boxes.m_shown.empty());
}

TEST_F(Dialogs, AxisCheckBoxesChooseTheCurvesAndCancelStillRedraws) {
    Rec().SetForceRange(3);
    Work<CAxisDlg>(ID_AXIS, [](CAxisDlg& dlg) {
        QTest::mouseClick(dlg.m_pLift, Qt::LeftButton);
        QTest::mouseClick(dlg.m_pCdOn, Qt::LeftButton);
        Retype(dlg.m_pForce, QStringLiteral("2.0"));
        OK(dlg);
    });
    EXPECT_EQ(Rec().m_lift.m_bVisible, 0);
    EXPECT_EQ(Rec().m_drag.m_bVisible, 1);
    EXPECT_EQ(Rec().m_cd.m_bVisible, 1);
    EXPECT_EQ(Rec().m_ld.m_bVisible, 0);
    EXPECT_EQ(Rec().m_axisForce.m_nRange, 1);
    EXPECT_TRUE(PictureIsCurrent());

    // Cancel changes nothing, and the whole graph is drawn again.
    RecordRange(1, 400);
    Rec().m_ld.m_bVisible = 1;
    Work<CAxisDlg>(ID_AXIS, [](CAxisDlg& dlg) {
        QTest::mouseClick(dlg.m_pDrag, Qt::LeftButton);
        Retype(dlg.m_pWind, QStringLiteral("10"));
        dlg.reject();
    });
    EXPECT_EQ(Rec().m_drag.m_bVisible, 1);
    EXPECT_EQ(Rec().m_ld.m_bVisible, 1);
    EXPECT_EQ(Rec().m_axisWind.m_nRange, 1);
    EXPECT_TRUE(PictureIsCurrent());
}

}  // namespace

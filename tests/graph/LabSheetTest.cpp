// The lab sheet as a reader of the PDF sees it (pdftotext), whose file it names, and the graph
// drawn into part of a page.
#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "core/files/TestFile.h"
#include "core/record/Units.h"
#include "graph/GraphDC.h"
#include "graph/GraphPasses.h"
#include "graph/LabSheet.h"

namespace {

struct Reading {
    double dWind, dLift, dDrag;
};

TestRecord Recorded(bool bEnglish, double dArea, const std::vector<Reading>& readings) {
    TestRecord rec(bEnglish ? 1 : 0, 80.0);
    rec.m_dCdArea = dArea;
    for (CurveTable* pTable : {&rec.m_lift, &rec.m_drag, &rec.m_cd, &rec.m_ld}) {
        pTable->m_dValue.fill(EMPTY_SLOT);
    }
    rec.StoreReading(0, 0, 0, 0);
    for (const Reading& r : readings) {
        rec.StoreReading(SlotOfSpeed(r.dWind), r.dWind, r.dLift, r.dDrag);
    }
    rec.ApplyUnitScales();
    return rec;
}

// The sheet's text page by page, each line with its runs of blanks made one.
QList<QStringList> SheetText(const TestRecord& rec, const SheetSource& source,
                             const QTemporaryDir& dir) {
    const QString strPdf = dir.filePath("sheet.pdf");
    QString strError;
    EXPECT_TRUE(WriteLabSheet(rec, source, strPdf, QPageSize(QPageSize::A4), strError))
        << strError.toStdString();
    QProcess process;
    process.start("pdftotext", {"-layout", strPdf, "-"});
    EXPECT_TRUE(process.waitForFinished(60000));
    QList<QStringList> pages;
    for (const QString& strPage : QString::fromUtf8(process.readAllStandardOutput()).split('\f')) {
        QStringList lines;
        for (const QString& strLine : strPage.split('\n')) {
            if (!strLine.trimmed().isEmpty()) {
                lines.append(strLine.simplified());
            }
        }
        if (!lines.isEmpty()) {
            pages.append(lines);
        }
    }
    return pages;
}

}  // namespace

TEST(LabSheet, HeadingGraphAndSummaryOnPageOneAndThePointsAfter) {
    // The fitted Cd's worked example (1 sq. ft at 15, 30 and 45 mph): 0.5055378 +- 0.0284414.
    TestRecord rec = Recorded(true, 144.0,
                          {{4.9, 0.1, 0.9}, {15, 0.2, 0.3}, {30, 0.9, 1.1}, {45, 1.5, 2.6}});
    rec.m_strComment[0] = "Flat plate, square";
    rec.m_strComment[2] = "trip wire";
    QTemporaryDir dir;
    const SheetSource source{"plate.ZEF", QDateTime(QDate(2026, 3, 4), QTime(9, 5, 7))};
    const QList<QStringList> pages = SheetText(rec, source, dir);
    ASSERT_EQ(pages.size(), 2);
    for (const char* pLine :
         {"Zefron Lab Sheet", "File: plate.ZEF", "Saved: 2026-03-04 09:05:07",
          "Units: English (wind in MPH, forces in lbs) Cd area: 144.000 sq. in.", "Comments:",
          "Flat plate, square", "trip wire", "Summary", "Points: 5", "Wind range: 0.0 to 45.0 MPH",
          "Largest lift: 1.500 lbs at 45.0 MPH", "Drag at the highest wind: 2.600 lbs at 45.0 MPH",
          "Cd fitted (least squares, drag = Cd q A) over 3 points at or above 5.0 MPH: 0.5055",
          "95 % interval: 0.4771 to 0.5340 (Cd +/- 0.0284)", "Best L/D: 0.8182 at 30.0 MPH",
          "Page 1 of 2"}) {
        EXPECT_TRUE(pages[0].contains(QString(pLine))) << pLine;
    }
    // The graph as printed, with its own titles.
    EXPECT_TRUE(pages[0].join(' ').contains("Wind Speed (MPH)"));
    // Cd at 15 mph: 0.3 / 0.5671875 = 0.5289; L/D 0.2 / 0.3.
    EXPECT_EQ(pages[1],
              (QStringList{"plate.ZEF: recorded points",
                           "Wind (MPH) Lift (lbs) Drag (lbs) Cd L/D", "0.0 0.000 0.000 0.0000 0.0000",
                           "4.9 0.100 0.900 0.0000 0.0000", "15.0 0.200 0.300 0.5289 0.6667",
                           "30.0 0.900 1.100 0.4848 0.8182", "45.0 1.500 2.600 0.5093 0.5769",
                           "Page 2 of 2"}));
}

TEST(LabSheet, EveryPointOfALongTestOverNumberedPagesAndTheUnitsOfMetric) {
    // A point every 0.5 km/h from 5 to 79.5, a negative lift that rounds to zero at the first
    // and the best L/D at 40: 0.9 / (0.00213579 x 40) = 10.5347.
    std::vector<Reading> readings;
    QStringList rows;
    for (int k = 10; k < 160; ++k) {
        const double dWind = k * 0.5;
        const double dLift = k == 10 ? -0.0001 : k == 80 ? 0.9 : 0.01234567 * dWind;
        readings.push_back({dWind, dLift, 0.00213579 * dWind});
    }
    const TestRecord rec = Recorded(false, 100.0, readings);
    for (const Reading& r : readings) {
        const int i = SlotOfSpeed(r.dWind);
        rows.append(QStringList{QString::number(i * 0.1, 'f', 1), QString::number(r.dLift, 'f', 3),
                                QString::number(r.dDrag, 'f', 3),
                                QString::number(rec.m_cd.m_dValue[i], 'f', 4),
                                QString::number(rec.m_ld.m_dValue[i], 'f', 4)}
                        .join(' ')
                        .replace("-0.000 ", "0.000 "));
    }
    QTemporaryDir dir;
    const QList<QStringList> pages = SheetText(rec, SheetSource{}, dir);
    ASSERT_GE(pages.size(), 3);
    EXPECT_TRUE(pages[0].contains("File: none (the test as it stands is not saved)"));
    EXPECT_TRUE(pages[0].contains(
        "Units: Metric (wind in KPH, forces in kg) Cd area: 645.160 sq. cm."));
    EXPECT_TRUE(pages[0].contains("Points: 151"));
    EXPECT_TRUE(pages[0].contains("Wind range: 0.0 to 79.5 KPH"));
    EXPECT_TRUE(pages[0].contains("Largest lift: 0.981 kg at 79.5 KPH"));
    EXPECT_TRUE(pages[0].contains("Best L/D: 10.5347 at 40.0 KPH"));
    QStringList listed;
    for (int n = 0; n < pages.size(); ++n) {
        SCOPED_TRACE(n + 1);
        EXPECT_EQ(pages[n].last(), QString("Page %1 of %2").arg(n + 1).arg(pages.size()));
        if (n > 0) {
            EXPECT_EQ(pages[n].mid(0, 2),
                      (QStringList{"The unsaved test: recorded points",
                                   "Wind (KPH) Lift (kg) Drag (kg) Cd L/D"}));
            listed += pages[n].mid(2, pages[n].size() - 3);
        }
    }
    EXPECT_EQ(listed.size(), 151);
    EXPECT_EQ(listed.mid(1), rows);
    EXPECT_TRUE(listed[1].startsWith("5.0 0.000 0.011 "));
}

TEST(LabSheet, NamesTheFileOnlyWhileItHoldsTheTest) {
    QTemporaryDir dir;
    const QString strPath = dir.filePath("wing.ZEF");
    TestRecord rec = Recorded(true, 12.5, {{10, 0.02, 0.004}, {20, 0.08, 0.016}});
    rec.m_lift.m_dValue[0] = 0.003;  // a zero point read before the balance settled
    rec.m_strComment[1] = "comment\twith a tab";
    ASSERT_TRUE(WriteTestFile(rec, strPath).Ok());
    const SheetSource saved = SheetSourceFor(rec, strPath);
    EXPECT_EQ(saved.strName, "wing.ZEF");
    EXPECT_EQ(saved.dtSaved, QFileInfo(strPath).lastModified());

    TestRecord moved = rec;
    moved.StoreReading(300, 30, 0.2, 0.03);
    TestRecord retitled = rec;
    retitled.m_strComment[3] = "new";
    TestRecord metric = rec;
    metric.m_bEnglish = 0;
    for (const TestRecord* p : {&moved, &retitled, &metric}) {
        EXPECT_TRUE(SheetSourceFor(*p, strPath).strName.isEmpty());
    }
    EXPECT_TRUE(SheetSourceFor(rec, dir.filePath("gone.ZEF")).strName.isEmpty());
    EXPECT_TRUE(SheetSourceFor(rec, QString()).strName.isEmpty());
}

TEST(LabSheet, TheGraphDrawnOnPartOfAPageStaysInsideItsPart) {
    const TestRecord rec = Recorded(true, 12.5, {{10, 0.5, 0.2}, {40, 0.8, 0.4}});
    QImage image(1200, 1000, QImage::Format_RGB32);
    image.fill(Qt::magenta);
    const QRect rcArea(100, 200, 900, 600);
    QPainter painter(&image);
    painter.setPen(Qt::green);
    {
        CGraphDC dc(painter, rcArea);
        ASSERT_TRUE(dc.IsActive());
        EXPECT_EQ(QSize(dc.Width(), dc.Height()), rcArea.size());
        struct : CStatusPane {
            void SetStatusText(const std::string&) override {}
        } pane;
        PrintPass(rec, dc, pane, false);
    }
    // The painter is handed back as it was lent.
    EXPECT_EQ(painter.pen().color(), QColor(Qt::green));
    EXPECT_FALSE(painter.hasClipping());
    EXPECT_TRUE(painter.transform().isIdentity());
    painter.end();
    int nInside = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const bool bMagenta = image.pixel(x, y) == QColor(Qt::magenta).rgb();
            if (!rcArea.contains(x, y)) {
                ASSERT_TRUE(bMagenta) << "drawn outside at " << x << ", " << y;
            } else {
                nInside += bMagenta ? 0 : 1;
            }
        }
    }
    // The white paper covers the part.
    EXPECT_EQ(nInside, rcArea.width() * rcArea.height());
    // An empty part is no surface.
    QImage other(10, 10, QImage::Format_RGB32);
    QPainter otherPainter(&other);
    EXPECT_FALSE(CGraphDC(otherPainter, QRect()).IsActive());
}

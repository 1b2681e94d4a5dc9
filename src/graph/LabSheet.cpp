#include "graph/LabSheet.h"

#include <QBuffer>
#include <QFileInfo>
#include <QFontMetrics>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <algorithm>
#include <memory>
#include <vector>

#include "core/base/NumberText.h"
#include "core/base/TextBytes.h"
#include "core/files/TestFile.h"
#include "core/files/WholeFile.h"
#include "core/record/LabSummary.h"
#include "core/record/StatusPane.h"
#include "core/record/Units.h"
#include "graph/GraphDC.h"
#include "graph/GraphPasses.h"
#include "graph/GraphRender.h"

namespace {

// A sheet has no status bar.
class CNoStatusPane : public CStatusPane {
public:
    void SetStatusText(const std::string&) override {}
};

// Fixed decimals; a value that rounds to zero reads as zero, whatever its sign.
QString Number(double dValue, int nPrecision) {
    std::string str = FormatFixed(dValue, nPrecision);
    if (!str.empty() && str[0] == '-' && str.find_first_not_of("0.", 1) == std::string::npos) {
        str.erase(0, 1);
    }
    return QString::fromStdString(str);
}

// As the graph's axis titles and the status line name them.
struct SheetUnits {
    QString strSpeed;
    QString strForce;
};

SheetUnits UnitsOf(const TestRecord& rec) {
    if (rec.m_bEnglish) {
        return {QStringLiteral("MPH"), QStringLiteral("lbs")};
    }
    return {QStringLiteral("KPH"), QStringLiteral("kg")};
}

// Decimals as the status line shows them.
constexpr int WIND_DECIMALS = 1;
constexpr int FORCE_DECIMALS = 3;
constexpr int RATIO_DECIMALS = 4;

// Page 1's lines above the graph.
std::vector<QString> HeadLines(const TestRecord& rec, const SheetSource& source) {
    std::vector<QString> lines;
    if (source.strName.isEmpty()) {
        lines.push_back(QStringLiteral("File: none (the test as it stands is not saved)"));
    } else {
        lines.push_back(QStringLiteral("File: %1").arg(source.strName));
        lines.push_back(QStringLiteral("Saved: %1").arg(
            source.dtSaved.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))));
    }
    const QString strArea =
        rec.m_bEnglish
            ? QStringLiteral("%1 sq. in.").arg(Number(rec.m_dCdArea, 3))
            : QStringLiteral("%1 sq. cm.").arg(Number(rec.m_dCdArea * SQCM_PER_SQIN, 3));
    lines.push_back(QStringLiteral("Units: %1 (wind in %2, forces in %3)    Cd area: %4")
                        .arg(rec.m_bEnglish ? QStringLiteral("English") : QStringLiteral("Metric"),
                             UnitsOf(rec).strSpeed, UnitsOf(rec).strForce, strArea));
    int nLast = COMMENT_COUNT;
    while (nLast > 0 && rec.m_strComment[nLast - 1].find_first_not_of(' ') == std::string::npos) {
        --nLast;
    }
    lines.push_back(nLast == 0 ? QStringLiteral("Comments: none") : QStringLiteral("Comments:"));
    for (int i = 0; i < nLast; ++i) {
        std::string strLine = rec.m_strComment[i];
        BlankControlCharacters(strLine);
        lines.push_back(QStringLiteral("    ") + TextFromBytes(strLine));
    }
    return lines;
}

// The summary's lines.
std::vector<QString> SummaryLines(const TestRecord& rec) {
    const TestSummary sum = SummarizeTest(rec);
    const SheetUnits units = UnitsOf(rec);
    auto Wind = [&](double dWind) {
        return QStringLiteral("%1 %2").arg(Number(dWind, WIND_DECIMALS), units.strSpeed);
    };
    auto Force = [&](double dForce) {
        return QStringLiteral("%1 %2").arg(Number(dForce, FORCE_DECIMALS), units.strForce);
    };
    const QString strFrom = Wind(DERIVED_MIN_SPEED);
    std::vector<QString> lines;
    lines.push_back(QStringLiteral("Points: %1").arg(sum.nPoints));
    if (sum.nPoints == 0) {
        lines.push_back(QStringLiteral("Wind range: none"));
        lines.push_back(QStringLiteral("Largest lift: none"));
        lines.push_back(QStringLiteral("Drag at the highest wind: none"));
    } else {
        lines.push_back(QStringLiteral("Wind range: %1 to %2")
                            .arg(Number(sum.dWindMin, WIND_DECIMALS), Wind(sum.dWindMax)));
        lines.push_back(QStringLiteral("Largest lift: %1 at %2")
                            .arg(Force(sum.dMaxLift), Wind(sum.dMaxLiftWind)));
        lines.push_back(QStringLiteral("Drag at the highest wind: %1 at %2")
                            .arg(Force(sum.dTopWindDrag), Wind(sum.dWindMax)));
    }
    const CdFit& fit = sum.fit;
    if (!fit.bFitted) {
        lines.push_back(
            fit.nAbove == 0
                ? QStringLiteral("Cd fitted (least squares): none, no point at or above %1")
                      .arg(strFrom)
                : QStringLiteral("Cd fitted (least squares): none, the Cd area is not above 0"));
    } else {
        lines.push_back(QStringLiteral("Cd fitted (least squares, drag = Cd q A) over %1 %2 "
                                       "at or above %3: %4")
                            .arg(fit.nPoints)
                            .arg(fit.nPoints == 1 ? QStringLiteral("point")
                                                  : QStringLiteral("points"),
                                 strFrom, Number(fit.dCd, RATIO_DECIMALS)));
        if (fit.bInterval) {
            lines.push_back(QStringLiteral("    95 % interval: %1 to %2 (Cd +/- %3)")
                                .arg(Number(fit.dCd - fit.dHalfWidth, RATIO_DECIMALS),
                                     Number(fit.dCd + fit.dHalfWidth, RATIO_DECIMALS),
                                     Number(fit.dHalfWidth, RATIO_DECIMALS)));
        } else {
            lines.push_back(QStringLiteral("    95 % interval: none, one point shows no spread"));
        }
    }
    if (sum.bBestLD) {
        lines.push_back(QStringLiteral("Best L/D: %1 at %2")
                            .arg(Number(sum.dBestLD, RATIO_DECIMALS), Wind(sum.dBestLDWind)));
    } else {
        lines.push_back(QStringLiteral("Best L/D: none, no point at or above %1").arg(strFrom));
    }
    return lines;
}

class CSheetPainter {
public:
    CSheetPainter(QPainter& painter, QPagedPaintDevice& device)
        : m_painter(painter), m_device(device), m_dPoint(device.logicalDpiY() / 72.0),
          m_nWidth(device.width()), m_nHeight(device.height()) {}

    QFont Font(double dPoints, bool bBold) const {
        QFont font(QStringLiteral("Arial"));
        font.setStyleHint(QFont::SansSerif);
        font.setPointSizeF(dPoints);
        font.setBold(bBold);
        return font;
    }
    int LineHeight(const QFont& font) const { return QFontMetrics(font, &m_device).lineSpacing(); }
    int Points(double dPoints) const { return static_cast<int>(dPoints * m_dPoint + 0.5); }
    int Width() const { return m_nWidth; }
    int Height() const { return m_nHeight; }

    // One line of text, its top at y; returns the top of the next line.
    int Line(int y, const QFont& font, const QString& strText, int x = 0) {
        m_painter.setFont(font);
        m_painter.drawText(QPoint(x, y + QFontMetrics(font, &m_device).ascent()), strText);
        return y + LineHeight(font);
    }
    // Text whose right end is at x.
    void RightAligned(int y, const QFont& font, const QString& strText, int x) {
        const QFontMetrics fm(font, &m_device);
        Line(y, font, strText, x - fm.horizontalAdvance(strText));
    }
    void Footer(int nPage, int nPages) {
        const QFont font = Font(8, false);
        const QString strText = QStringLiteral("Page %1 of %2").arg(nPage).arg(nPages);
        const QFontMetrics fm(font, &m_device);
        Line(m_nHeight - fm.height(), font, strText, (m_nWidth - fm.horizontalAdvance(strText)) / 2);
    }
    int FooterHeight() const { return QFontMetrics(Font(8, false), &m_device).height() * 2; }

private:
    QPainter& m_painter;
    QPagedPaintDevice& m_device;
    double m_dPoint;  // device pixels per point
    int m_nWidth;
    int m_nHeight;
};

}  // namespace

SheetSource SheetSourceFor(const TestRecord& rec, const QString& strPath) {
    if (strPath.isEmpty()) {
        return {};
    }
    // Both through the file's own text: what a save of the test would write, against what the
    // file reads back as. The zero point always reads back as zero.
    auto pFile = std::make_unique<TestRecord>(rec);
    if (!ReadTestFile(*pFile, strPath).Ok()) {
        return {};
    }
    auto pMine = std::make_unique<TestRecord>(rec);
    pMine->m_lift.m_dValue[0] = pMine->m_drag.m_dValue[0] = 0.0;
    if (FormatTestFile(*pFile) != FormatTestFile(*pMine)) {
        return {};
    }
    const QFileInfo info(strPath);
    return {info.fileName(), info.lastModified()};
}

QPageSize SheetPaperFor(const QLocale& locale) {
    return QPageSize(locale.measurementSystem() == QLocale::ImperialUSSystem ? QPageSize::Letter
                                                                             : QPageSize::A4);
}

bool DrawLabSheet(const TestRecord& rec, const SheetSource& source, QPagedPaintDevice& device) {
    QPainter painter;
    if (device.width() < 1 || device.height() < 1 || !painter.begin(&device)) {
        return false;
    }
    CSheetPainter sheet(painter, device);
    const QFont title = sheet.Font(16, true);
    const QFont heading = sheet.Font(11, true);
    const QFont body = sheet.Font(10, false);
    const QFont table = sheet.Font(9, false);
    const QFont tableHead = sheet.Font(9, true);
    const std::vector<QString> head = HeadLines(rec, source);
    const std::vector<QString> summary = SummaryLines(rec);

    // The table's pages: as many rows as fit below the column titles and above the page number.
    std::vector<int> vRecorded;
    for (int i = 0; i <= LAST_SLOT; ++i) {
        if (rec.IsRecorded(i)) {
            vRecorded.push_back(i);
        }
    }
    const int nTableTop = sheet.LineHeight(heading) + sheet.LineHeight(tableHead) + sheet.Points(4);
    const int nRowsPerPage = std::max(
        1, (sheet.Height() - nTableTop - sheet.FooterHeight()) / sheet.LineHeight(table));
    const int nTablePages = std::max<int>(
        1, static_cast<int>((vRecorded.size() + nRowsPerPage - 1) / nRowsPerPage));
    const int nPages = 1 + nTablePages;

    // Page 1: the heading, the graph as printed in the proportions of the paper turned, the
    // summary; the graph gives way when the comments leave it less room.
    int y = sheet.Line(0, title, QStringLiteral("Zefron Lab Sheet"));
    y += sheet.Points(4);
    for (const QString& strLine : head) {
        y = sheet.Line(y, body, strLine);
    }
    y += sheet.Points(8);
    const int nSummaryHeight = sheet.Points(8) + sheet.LineHeight(heading) +
                               static_cast<int>(summary.size()) * sheet.LineHeight(body);
    const int nRoom = sheet.Height() - sheet.FooterHeight() - nSummaryHeight - y;
    const int nGraphHeight = std::min(
        static_cast<int>(static_cast<long long>(sheet.Width()) * sheet.Width() /
                         std::max(sheet.Height(), 1)),
        nRoom);
    if (nGraphHeight > 0) {
        CNoStatusPane pane;
        CGraphDC dc(painter, QRect(0, y, sheet.Width(), nGraphHeight));
        if (dc.IsActive()) {
            PrintPass(rec, dc, pane, false);
        }
        y += nGraphHeight;
    }
    y += sheet.Points(8);
    y = sheet.Line(y, heading, QStringLiteral("Summary"));
    for (const QString& strLine : summary) {
        y = sheet.Line(y, body, strLine);
    }
    sheet.Footer(1, nPages);

    // The points, right-aligned in five columns.
    const SheetUnits units = UnitsOf(rec);
    const QString titles[5] = {QStringLiteral("Wind (%1)").arg(units.strSpeed),
                               QStringLiteral("Lift (%1)").arg(units.strForce),
                               QStringLiteral("Drag (%1)").arg(units.strForce),
                               QStringLiteral("Cd"), QStringLiteral("L/D")};
    const int nColumn = std::min(sheet.Points(90), sheet.Width() / 5);
    const QString strName =
        source.strName.isEmpty() ? QStringLiteral("The unsaved test") : source.strName;
    for (int nPage = 0; nPage < nTablePages; ++nPage) {
        if (!device.newPage()) {
            painter.end();
            return false;
        }
        y = sheet.Line(0, heading, QStringLiteral("%1: recorded points").arg(strName));
        for (int k = 0; k < 5; ++k) {
            sheet.RightAligned(y, tableHead, titles[k], (k + 1) * nColumn);
        }
        y = nTableTop;
        const std::size_t nFirst = static_cast<std::size_t>(nPage) * nRowsPerPage;
        const std::size_t nEnd = std::min(vRecorded.size(), nFirst + nRowsPerPage);
        if (vRecorded.empty()) {
            sheet.Line(y, table, QStringLiteral("No points recorded."));
        }
        for (std::size_t r = nFirst; r < nEnd; ++r) {
            const int i = vRecorded[r];
            const QString cells[5] = {Number(i * 0.1, WIND_DECIMALS),
                                      Number(rec.m_lift.m_dValue[i], FORCE_DECIMALS),
                                      Number(rec.m_drag.m_dValue[i], FORCE_DECIMALS),
                                      Number(rec.m_cd.m_dValue[i], RATIO_DECIMALS),
                                      Number(rec.m_ld.m_dValue[i], RATIO_DECIMALS)};
            for (int k = 0; k < 5; ++k) {
                sheet.RightAligned(y, table, cells[k], (k + 1) * nColumn);
            }
            y += sheet.LineHeight(table);
        }
        sheet.Footer(2 + nPage, nPages);
    }
    return painter.end();
}

bool WriteLabSheet(const TestRecord& rec, const SheetSource& source, const QString& strPath,
                   const QPageSize& paper, QString& strError) {
    // Drawn in memory first, so the file is put in place whole or not at all.
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter pdf(&buffer);
        pdf.setCreator(QStringLiteral("Zef"));
        pdf.setTitle(QStringLiteral("Lab Sheet"));
        pdf.setResolution(PDF_RESOLUTION);
        const double m = SHEET_MARGIN_POINTS;
        pdf.setPageLayout(QPageLayout(paper, QPageLayout::Portrait, QMarginsF(m, m, m, m),
                                      QPageLayout::Point));
        if (!DrawLabSheet(rec, source, pdf)) {
            strError = QStringLiteral("could not draw");
            return false;
        }
    }
    buffer.close();
    const QByteArray& data = buffer.data();
    return WriteFileWhole(strPath, data.constData(), static_cast<std::size_t>(data.size()),
                          strError);
}

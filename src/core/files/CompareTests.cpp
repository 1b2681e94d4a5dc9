#include "core/files/CompareTests.h"

#include <QFileInfo>
#include <charconv>

#include "core/base/TextBytes.h"
#include "core/files/TestFile.h"
#include "core/record/TestRecord.h"
#include "core/record/Units.h"

namespace {

// The shortest text that reads back as the same double; or, for a converted value, twelve
// significant digits, twice what the factors hold, so that 35.5 mph reads 57.13157 km/h and not
// the binary product's 57.131569999999996.
void AppendNumber(std::string& out, double dValue, bool bConverted) {
    char buf[64];
    auto res = bConverted
                   ? std::to_chars(buf, buf + sizeof buf, dValue, std::chars_format::general, 12)
                   : std::to_chars(buf, buf + sizeof buf, dValue);
    out.append(buf, res.ptr);
}

void AppendCsvField(std::string& out, const QString& strField) {
    const std::string strBytes = strField.toStdString();
    if (strBytes.find_first_of(",\"\r\n") == std::string::npos) {
        out += strBytes;
        return;
    }
    out += '"';
    for (char c : strBytes) {
        if (c == '"') {
            out += '"';
        }
        out += c;
    }
    out += '"';
}

}  // namespace

CompareTest CompareTestOf(const TestRecord& rec, const QString& strName) {
    CompareTest test;
    test.strName = strName;
    test.strComment = TextFromBytes(rec.m_strComment[0]).trimmed();
    test.bEnglish = rec.m_bEnglish != 0;
    for (int i = 0; i < SLOT_COUNT; ++i) {
        if (rec.IsRecorded(i)) {
            // The slot's own speed, as the file and the CSV export give it.
            test.points.push_back({i / 10.0, rec.m_lift.m_dValue[i], rec.m_drag.m_dValue[i],
                                   rec.m_cd.m_dValue[i], rec.m_ld.m_dValue[i]});
        }
    }
    return test;
}

CompareLoad LoadCompareTest(const QString& strPath) {
    // Read as the console's Open reads it, into a record of its own.
    TestRecord rec(1, 80.0);
    const FileResult result = ReadTestFile(rec, strPath);
    CompareLoad load;
    if (!result.Ok()) {
        load.strProblem = result.status == FileStatus::NotTestFile
                              ? QStringLiteral("not a test file")
                              : result.strError;
        if (load.strProblem.isEmpty()) {
            load.strProblem = QStringLiteral("cannot be read");
        }
        return load;
    }
    load.test = CompareTestOf(rec, QFileInfo(strPath).fileName());
    load.test->strPath = strPath;
    if (!result.Whole()) {
        // What was read is compared, and what it lacks is said.
        load.bInPart = true;
        load.strProblem = QStringLiteral("not read whole. ") +
                          DescribeShortfall(result).join(QLatin1Char(' '));
    }
    return load;
}

std::vector<ComparePoint> PointsIn(const CompareTest& test, bool bEnglish) {
    std::vector<ComparePoint> points = test.points;
    if (test.bEnglish == bEnglish) {
        return points;
    }
    const double dSpeed = bEnglish ? MPH_PER_KMH : KMH_PER_MPH;
    const double dForce = bEnglish ? LB_PER_KG : KG_PER_LB;
    for (ComparePoint& pt : points) {
        pt.dWind *= dSpeed;
        pt.dLift *= dForce;
        pt.dDrag *= dForce;
    }
    return points;
}

double QuantityOf(const ComparePoint& pt, CompareQuantity quantity) {
    switch (quantity) {
        case CompareQuantity::Lift:
            return pt.dLift;
        case CompareQuantity::Drag:
            return pt.dDrag;
        case CompareQuantity::Cd:
            return pt.dCd;
        case CompareQuantity::LD:
            return pt.dLD;
    }
    return 0;
}

std::optional<CompareQuantity> QuantityFromName(const QString& strName) {
    const QString strKey = strName.trimmed().toLower();
    if (strKey == QLatin1String("lift")) {
        return CompareQuantity::Lift;
    }
    if (strKey == QLatin1String("drag")) {
        return CompareQuantity::Drag;
    }
    if (strKey == QLatin1String("cd")) {
        return CompareQuantity::Cd;
    }
    if (strKey == QLatin1String("ld")) {
        return CompareQuantity::LD;
    }
    return std::nullopt;
}

QString QuantityTitle(CompareQuantity quantity, bool bEnglish) {
    const QString strForce = bEnglish ? QStringLiteral("lbs") : QStringLiteral("kg");
    switch (quantity) {
        case CompareQuantity::Lift:
            return QStringLiteral("Lift (%1)").arg(strForce);
        case CompareQuantity::Drag:
            return QStringLiteral("Drag (%1)").arg(strForce);
        case CompareQuantity::Cd:
            return QStringLiteral("Cd");
        case CompareQuantity::LD:
            return QStringLiteral("L/D");
    }
    return {};
}

QString SpeedUnit(bool bEnglish) {
    return bEnglish ? QStringLiteral("mph") : QStringLiteral("km/h");
}

std::string FormatCompareCsv(const std::vector<CompareTest>& tests, bool bEnglish) {
    std::string out = bEnglish ? "file,wind (mph),lift (lbs),drag (lbs),cd,ld\n"
                               : "file,wind (km/h),lift (kg),drag (kg),cd,ld\n";
    for (const CompareTest& test : tests) {
        for (const ComparePoint& pt : PointsIn(test, bEnglish)) {
            AppendCsvField(out, test.strName);
            const bool bConverted = test.bEnglish != bEnglish;
            for (double dValue : {pt.dWind, pt.dLift, pt.dDrag}) {
                out += ',';
                AppendNumber(out, dValue, bConverted);
            }
            // Cd and L/D have no unit: as the console stored them.
            for (double dValue : {pt.dCd, pt.dLD}) {
                out += ',';
                AppendNumber(out, dValue, false);
            }
            out += '\n';
        }
    }
    return out;
}

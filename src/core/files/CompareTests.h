#pragma once

#include <QString>
#include <optional>
#include <string>
#include <vector>

class TestRecord;

// Several saved tests side by side: each test's recorded points in its own unit system, shown
// and listed in the console's units.

// The quantity plotted against wind speed.
enum class CompareQuantity { Lift, Drag, Cd, LD };

// One recorded point: wind in mph or km/h, lift and drag in lbs or kg, Cd and L/D as the
// console stored them (neither has a unit).
struct ComparePoint {
    double dWind = 0;
    double dLift = 0;
    double dDrag = 0;
    double dCd = 0;
    double dLD = 0;
};

struct CompareTest {
    QString strPath;     // where it was read from; empty for the console's current test
    QString strName;     // what the legend and the CSV call it
    QString strComment;  // its first comment line
    bool bEnglish = true;
    std::vector<ComparePoint> points;  // in order of wind speed, in the test's own units
};

// The recorded points of a record, as the console holds them.
CompareTest CompareTestOf(const TestRecord& rec, const QString& strName);

// Reading a file for comparison: the test when anything could be used, and what went wrong
// (empty when nothing did). A test with a problem was read only in part.
struct CompareLoad {
    std::optional<CompareTest> test;
    QString strProblem;
    // The file was read in part (it ends early or holds unreadable lines): test holds what was
    // read and strProblem what it lacks.
    bool bInPart = false;
};
CompareLoad LoadCompareTest(const QString& strPath);

// The test's points in the given unit system.
std::vector<ComparePoint> PointsIn(const CompareTest& test, bool bEnglish);

// The value of a quantity at a point.
double QuantityOf(const ComparePoint& pt, CompareQuantity quantity);

// "lift", "drag", "cd", "ld" (any case, blanks around allowed).
std::optional<CompareQuantity> QuantityFromName(const QString& strName);

// The quantity as an axis names it, with its unit: "Lift (lbs)", "Cd".
QString QuantityTitle(CompareQuantity quantity, bool bEnglish);

// "mph" or "km/h".
QString SpeedUnit(bool bEnglish);

// All tests' points as comma-separated text, in the given units: the header
// "file,wind (mph),lift (lbs),drag (lbs),cd,ld" (km/h and kg in Metric), then one row per
// recorded point, test after test in the order given. A name holding a comma, a quote or a line
// break is quoted. Numbers are the shortest text that reads back as the same double, those
// converted from the other unit system to twelve significant digits. LF ends lines.
std::string FormatCompareCsv(const std::vector<CompareTest>& tests, bool bEnglish);

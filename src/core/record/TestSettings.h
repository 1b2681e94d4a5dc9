#pragma once

#include <string>

class TestRecord;

// The Test Configuration dialog's values as the operator sees them, in the units shown.
struct CTestConfig {
    int m_nUnits = 0;             // 0 English, 1 Metric
    unsigned m_nMaxSpeed = 0;     // mph or km/h, whole
    std::string m_strCdArea;      // sq in or sq cm, as typed
};

// The record's settings as the dialog opens with them.
CTestConfig ShownTestConfig(const TestRecord& rec);

// The reference area the dialog's text stands for, in square inches: the number the text starts
// with, read in the unit of config.m_nUnits; 0 when the text starts with no number, infinite
// when the number is beyond any a double holds.
double CdAreaOf(const CTestConfig& config);

// Takes the dialog's values, in the units config.m_nUnits names, into the record: the top speed
// (80 mph at most) and the reference area (0 when it is no number), and every Cd again with the
// new area. With bTakeUnits the record also takes that unit system and its scales (the caller
// has already started the test afresh); without, the operator kept the test and its units, and
// the values are converted into them.
void ApplyTestConfig(TestRecord& rec, const CTestConfig& config, bool bTakeUnits);

// The area box's text once the unit buttons moved from one system to the other (0 English,
// 1 Metric): the same area in the new unit, with three decimals as the dialog shows it. Text
// that starts with no finite number stays as it is.
std::string ConvertCdAreaText(const std::string& strArea, int nFromUnits, int nToUnits);

// The Axis dialog's values: the curves shown, and each scale's top as text in the units shown.
struct CAxisTops {
    int m_bLift = 0;
    int m_bDrag = 0;
    int m_bCdOn = 0;
    int m_bLDOn = 0;
    std::string m_strForce;
    std::string m_strWind;
    std::string m_strCd;
    std::string m_strLD;

    bool operator==(const CAxisTops&) const = default;
};

// The record's scales as the dialog opens with them.
CAxisTops ShownAxisTops(const TestRecord& rec);

// Takes the dialog's values into the record. A top left as shown keeps its range: the finest
// ranges show rounded tops ("0.13" for 0.125), which read back would give the next coarser
// range. Any other top is read as RangeFromText reads it.
void ApplyAxisTops(TestRecord& rec, const CAxisTops& shown, const CAxisTops& chosen);

// A speed as the unsigned whole number the Max Speed box holds, truncated. A maximum written by
// hand in the profile can lie beyond what the box holds; it shows as the nearest it can.
unsigned WholeSpeed(double dSpeed);

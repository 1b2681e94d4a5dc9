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

// Takes the dialog's values into the record: the unit system and its scales, the top speed
// (80 mph at most) and the reference area (0 when it is no number), and every Cd again with the
// new area. The caller has already started the test afresh if the unit system changed.
void ApplyTestConfig(TestRecord& rec, const CTestConfig& config);

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

#pragma once

#include "core/record/TestRecord.h"

// What a lab sheet says about a test beside its points: the wind range, the largest lift, the
// drag at the highest wind, the best L/D, and one Cd for the whole test fitted to the drags.

// The 97.5 % quantile of Student's t with nDegrees degrees of freedom (at least 1): the factor
// of a standard error that gives a two-sided 95 % interval.
double StudentT975(int nDegrees);

// Cd fitted by least squares to drag = Cd * q * A through the origin, over the recorded points
// at or above DERIVED_MIN_SPEED that have a per-point Cd, with q * A the very denominator of the
// per-point Cd (so the fit gives the per-point Cd again on drags that follow it exactly). With x = q * A and y = drag:
//     Cd = sum(x y) / sum(x x),  s^2 = sum((y - Cd x)^2) / (n - 1),  se = s / sqrt(sum(x x)),
//     95 % interval Cd +- t(0.975, n - 1) * se.
struct CdFit {
    int nAbove = 0;              // the recorded points at or above the speed where Cd starts
    int nPoints = 0;             // those of them that have a Cd (q * A not 0): the points used
    bool bFitted = false;        // false when no point is used
    bool bInterval = false;      // an interval needs two points
    double dCd = 0.0;
    double dHalfWidth = 0.0;     // t * se
};
CdFit FitDragCoefficient(const TestRecord& rec);

// The summary of the recorded points, in the test's display units, winds being the slots'
// speeds. Each "found" flag says whether the line has a value at all.
struct TestSummary {
    int nPoints = 0;
    double dWindMin = 0.0;
    double dWindMax = 0.0;
    double dMaxLift = 0.0;       // the largest lift (the lowest wind of equals)
    double dMaxLiftWind = 0.0;
    double dTopWindDrag = 0.0;   // the drag at the highest wind
    bool bBestLD = false;        // any point at or above the speed where L/D starts
    double dBestLD = 0.0;        // as the test holds it (the lowest wind of equals)
    double dBestLDWind = 0.0;
    CdFit fit;
};
TestSummary SummarizeTest(const TestRecord& rec);

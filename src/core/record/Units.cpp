#include "core/record/Units.h"

#include <cmath>

double SmoothReading(double dSample, double dPrevious, int n) {
    if (n < 2) {
        return dSample;
    }
    return dSample / n + dPrevious - dPrevious / n;
}

double CdDenominator(bool bEnglish, double dCdArea, double dSpeed) {
    if (!bEnglish) {
        dSpeed = dSpeed * MPH_PER_KMH;
    }
    const double dFeetPerSecond = dSpeed * FEET_PER_MILE * HOURS_PER_SECOND;
    const double dAreaSqFt = dCdArea * SQFT_PER_SQIN;
    return dAreaSqFt * dFeetPerSecond * dFeetPerSecond * DYNAMIC_PRESSURE_FACTOR;
}

double DragCoefficient(bool bEnglish, double dCdArea, double dSpeed, double dDrag) {
    if (!bEnglish) {
        dDrag = dDrag * LB_PER_KG;
    }
    const double dDenominator = CdDenominator(bEnglish, dCdArea, dSpeed);
    // Written as "not at least the floor" so that an undefined product also gives 0.
    if (!(dDenominator >= CD_DENOMINATOR_FLOOR)) {
        return 0;
    }
    // A negative drag (a balance that reads below its zero) gives a negative Cd as it is, however
    // large; only a quotient that overflows is held, so that no infinity is ever stored.
    const double dCd = dDrag * FORCE_FACTOR / dDenominator;
    if (std::isnan(dCd)) {
        return 0;  // both the force and the pressure beyond any number: no Cd to tell
    }
    if (dCd > CD_CEILING) {
        return CD_CEILING;
    }
    return std::isinf(dCd) ? -NOT_COMPUTABLE : dCd;
}

double LiftDragRatio(double dLift, double dDrag) {
    if (!(dDrag > LD_DRAG_FLOOR)) {
        return 0;
    }
    const double dRatio = dLift / dDrag;
    if (dRatio > LD_LIMIT) {
        return LD_LIMIT;
    }
    if (dRatio < -LD_LIMIT) {
        return -LD_LIMIT;
    }
    return dRatio;
}

#include "core/record/LabSummary.h"

#include <cmath>

#include "core/record/Units.h"

namespace {

// t(0.975, n) for n = 1..30 degrees of freedom, to six decimals.
constexpr double T975[30] = {
    12.706205, 4.302653, 3.182446, 2.776445, 2.570582, 2.446912, 2.364624, 2.306004,
    2.262157,  2.228139, 2.200985, 2.178813, 2.160369, 2.144787, 2.131450, 2.119905,
    2.109816,  2.100922, 2.093024, 2.085963, 2.079614, 2.073873, 2.068658, 2.063899,
    2.059539,  2.055529, 2.051831, 2.048407, 2.045230, 2.042272};

// The normal distribution's 97.5 % point.
constexpr double Z975 = 1.959963984540054;

}  // namespace

double StudentT975(int nDegrees) {
    if (nDegrees < 1) {
        return NAN;
    }
    if (nDegrees <= 30) {
        return T975[nDegrees - 1];
    }
    // The Cornish-Fisher expansion about the normal point: beyond 30 degrees its fourth-order
    // terms leave an error well below the table's last decimal.
    const double z = Z975, z2 = z * z, v = nDegrees;
    const double g1 = (z2 + 1) * z / 4;
    const double g2 = ((5 * z2 + 16) * z2 + 3) * z / 96;
    const double g3 = (((3 * z2 + 19) * z2 + 17) * z2 - 15) * z / 384;
    const double g4 = ((((79 * z2 + 776) * z2 + 1482) * z2 - 1920) * z2 - 945) * z / 92160;
    return z + g1 / v + g2 / (v * v) + g3 / (v * v * v) + g4 / (v * v * v * v);
}

CdFit FitDragCoefficient(const TestRecord& rec) {
    CdFit fit;
    const bool bEnglish = rec.m_bEnglish != 0;
    // Both sides in the per-point Cd's own terms: the denominator and the drag in pounds times
    // gravity, so that y / x is that Cd exactly.
    auto X = [&](int i) { return CdDenominator(bEnglish, rec.m_dCdArea, i * 0.1); };
    auto Y = [&](int i) {
        const double dDrag = rec.m_drag.m_dValue[i];
        return (bEnglish ? dDrag : dDrag * LB_PER_KG) * FORCE_FACTOR;
    };
    auto Above = [&](int i) { return rec.IsRecorded(i) && i * 0.1 >= DERIVED_MIN_SPEED; };
    // As the per-point Cd, a point whose pressure is negligible (an area of 0) has none.
    auto Fitted = [&](int i) { return Above(i) && X(i) >= CD_DENOMINATOR_FLOOR; };
    double dXX = 0.0;
    double dXY = 0.0;
    for (int i = 0; i <= LAST_SLOT; ++i) {
        fit.nAbove += Above(i) ? 1 : 0;
        if (Fitted(i)) {
            ++fit.nPoints;
            dXX += X(i) * X(i);
            dXY += X(i) * Y(i);
        }
    }
    // No point to fit, or sums beyond any number.
    if (!(dXX > 0.0) || !std::isfinite(dXX) || !std::isfinite(dXY)) {
        return fit;
    }
    fit.dCd = dXY / dXX;
    fit.bFitted = std::isfinite(fit.dCd);
    if (!fit.bFitted || fit.nPoints < 2) {
        return fit;
    }
    double dSquares = 0.0;
    for (int i = 0; i <= LAST_SLOT; ++i) {
        if (Fitted(i)) {
            const double dResidual = Y(i) - fit.dCd * X(i);
            dSquares += dResidual * dResidual;
        }
    }
    const double dSe = std::sqrt(dSquares / (fit.nPoints - 1)) / std::sqrt(dXX);
    fit.dHalfWidth = StudentT975(fit.nPoints - 1) * dSe;
    fit.bInterval = std::isfinite(fit.dHalfWidth);
    if (!fit.bInterval) {
        fit.dHalfWidth = 0.0;
    }
    return fit;
}

TestSummary SummarizeTest(const TestRecord& rec) {
    TestSummary sum;
    for (int i = 0; i <= LAST_SLOT; ++i) {
        if (!rec.IsRecorded(i)) {
            continue;
        }
        const double dWind = i * 0.1;
        const double dLift = rec.m_lift.m_dValue[i];
        if (sum.nPoints == 0) {
            sum.dWindMin = dWind;
        }
        if (sum.nPoints == 0 || dLift > sum.dMaxLift) {
            sum.dMaxLift = dLift;
            sum.dMaxLiftWind = dWind;
        }
        ++sum.nPoints;
        sum.dWindMax = dWind;
        sum.dTopWindDrag = rec.m_drag.m_dValue[i];
        const double dLD = rec.m_ld.m_dValue[i];
        if (dWind >= DERIVED_MIN_SPEED && (!sum.bBestLD || dLD > sum.dBestLD)) {
            sum.bBestLD = true;
            sum.dBestLD = dLD;
            sum.dBestLDWind = dWind;
        }
    }
    sum.fit = FitDragCoefficient(rec);
    return sum;
}

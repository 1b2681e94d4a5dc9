#include "core/record/TestSettings.h"

#include <climits>
#include <cmath>

#include "core/base/NumberText.h"
#include "core/record/TestRecord.h"
#include "core/record/Units.h"

unsigned WholeSpeed(double dSpeed) {
    if (!(dSpeed > 0.0)) {
        return 0;
    }
    if (dSpeed >= static_cast<double>(UINT_MAX)) {
        return UINT_MAX;
    }
    return static_cast<unsigned>(dSpeed);
}

CTestConfig ShownTestConfig(const TestRecord& rec) {
    CTestConfig config;
    config.m_nUnits = rec.m_bEnglish ? 0 : 1;
    if (rec.m_bEnglish) {
        config.m_nMaxSpeed = WholeSpeed(rec.m_dMaxSpeed);
        config.m_strCdArea = FormatFixed(rec.m_dCdArea, 3, 2);
    } else {
        config.m_nMaxSpeed = WholeSpeed(rec.m_dMaxSpeed * KMH_PER_MPH + 0.5);
        config.m_strCdArea = FormatFixed(rec.m_dCdArea * SQCM_PER_SQIN, 3, 2);
    }
    return config;
}

double CdAreaOf(const CTestConfig& config) {
    const double dArea = TextToNumber(config.m_strCdArea);
    return config.m_nUnits == 0 ? dArea : dArea * SQIN_PER_SQCM;
}

void ApplyTestConfig(TestRecord& rec, const CTestConfig& config, bool bTakeUnits) {
    if (bTakeUnits) {
        rec.m_bEnglish = config.m_nUnits == 0 ? 1 : 0;
        rec.ApplyUnitScales();
    }
    rec.m_dCdArea = CdAreaOf(config);
    if (!std::isfinite(rec.m_dCdArea)) {
        rec.m_dCdArea = 0.0;  // as any area that is no number
    }
    rec.m_dMaxSpeed = config.m_nUnits == 0 ? config.m_nMaxSpeed : config.m_nMaxSpeed * MPH_PER_KMH;
    if (rec.m_dMaxSpeed > 80.0) {
        rec.m_dMaxSpeed = 80.0;
    }
    for (int i = 1; i < SLOT_COUNT; ++i) {
        const double dDrag = rec.m_drag.m_dValue[i];
        rec.m_cd.m_dValue[i] = dDrag == EMPTY_SLOT ? EMPTY_SLOT : rec.DragCoefficient(i * 0.1, dDrag);
    }
}

std::string ConvertCdAreaText(const std::string& strArea, int nFromUnits, int nToUnits) {
    const std::optional<double> dArea = LeadingNumber(strArea);
    if (nFromUnits == nToUnits || !dArea || !std::isfinite(*dArea)) {
        return strArea;
    }
    const double dConverted = nToUnits == 0 ? *dArea * SQIN_PER_SQCM : *dArea * SQCM_PER_SQIN;
    return std::isfinite(dConverted) ? FormatFixed(dConverted, 3, 2) : strArea;
}

namespace {

std::string Top(double dTop, int nRange, int nPrecision) {
    return FormatFixed(std::ldexp(dTop, 1 - nRange), nPrecision, 2);
}

// The range a box gives: its own while it shows what it was shown.
int RangeOf(double dBase, const std::string& strShown, const std::string& strText, int nRange) {
    return strText == strShown ? nRange : RangeFromText(dBase, strText, nRange);
}

}  // namespace

CAxisTops ShownAxisTops(const TestRecord& rec) {
    const bool bEnglish = rec.m_bEnglish != 0;
    CAxisTops tops;
    tops.m_bLift = rec.m_lift.m_bVisible;
    tops.m_bDrag = rec.m_drag.m_bVisible;
    tops.m_bCdOn = rec.m_cd.m_bVisible;
    tops.m_bLDOn = rec.m_ld.m_bVisible;
    tops.m_strForce = Top(bEnglish ? 2.0 : 1.0, rec.m_axisForce.m_nRange, 3);
    tops.m_strCd = Top(2.0, rec.m_axisCd.m_nRange, 2);
    tops.m_strLD = Top(20.0, rec.m_axisLD.m_nRange, 1);
    tops.m_strWind = bEnglish ? Top(80.0, rec.m_axisWind.m_nRange, 1)
                              : Top(130.0, rec.m_axisWind.m_nRange, 0);
    return tops;
}

void ApplyAxisTops(TestRecord& rec, const CAxisTops& shown, const CAxisTops& chosen) {
    const bool bEnglish = rec.m_bEnglish != 0;
    rec.m_lift.m_bVisible = chosen.m_bLift;
    rec.m_drag.m_bVisible = chosen.m_bDrag;
    rec.m_cd.m_bVisible = chosen.m_bCdOn;
    rec.m_ld.m_bVisible = chosen.m_bLDOn;
    rec.SetForceRange(RangeOf(bEnglish ? 2.0 : 1.0, shown.m_strForce, chosen.m_strForce,
                              rec.m_axisForce.m_nRange));
    rec.SetSpeedRange(RangeOf(bEnglish ? 85.0 : 140.0, shown.m_strWind, chosen.m_strWind,
                              rec.m_axisWind.m_nRange));
    rec.SetCdRange(RangeOf(2.0, shown.m_strCd, chosen.m_strCd, rec.m_axisCd.m_nRange));
    rec.SetLDRange(RangeOf(20.0, shown.m_strLD, chosen.m_strLD, rec.m_axisLD.m_nRange));
}

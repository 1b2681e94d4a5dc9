#include "core/record/Undo.h"

namespace {

template <typename Record>
auto Tables(Record& rec) {
    return std::array{&rec.m_lift, &rec.m_drag, &rec.m_cd, &rec.m_ld};
}
template <typename Record>
auto Axes(Record& rec) {
    return std::array{&rec.m_axisWind, &rec.m_axisForce, &rec.m_axisCd, &rec.m_axisLD};
}

}  // namespace

void CUndo::Keep(const TestRecord& rec, bool bUnsaved) {
    auto pStep = std::make_unique<Step>();
    for (std::size_t i = 0; i < 4; ++i) {
        pStep->tables[i] = *Tables(rec)[i];
        pStep->axes[i] = *Axes(rec)[i];
    }
    pStep->bEnglish = rec.m_bEnglish;
    pStep->dCdArea = rec.m_dCdArea;
    pStep->comments = rec.m_strComment;
    pStep->nLastSlot = rec.m_nLastSlot;
    pStep->bUnsaved = bUnsaved;
    m_pStep = std::move(pStep);
}

bool CUndo::Restore(TestRecord& rec, bool& bUnsaved) {
    if (!m_pStep) {
        return false;
    }
    const Step& step = *m_pStep;
    for (std::size_t i = 0; i < 4; ++i) {
        // The operator's choice of curves stays as it is now.
        CurveTable& table = *Tables(rec)[i];
        table.m_dValue = step.tables[i].m_dValue;
        table.m_dOverlay = step.tables[i].m_dOverlay;
        // The scales come back only with the units they were set for; within one unit system
        // they are the operator's to keep.
        if (step.bEnglish != rec.m_bEnglish) {
            GraphAxis& axis = *Axes(rec)[i];
            const CRect rcArea = axis.m_rcArea;
            axis = step.axes[i];
            axis.m_rcArea = rcArea;
        }
    }
    rec.m_bEnglish = step.bEnglish;
    rec.m_dCdArea = step.dCdArea;
    rec.m_strComment = step.comments;
    rec.m_nLastSlot = step.nLastSlot;
    bUnsaved = step.bUnsaved;
    m_pStep.reset();
    return true;
}

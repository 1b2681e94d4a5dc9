#pragma once

#include <array>
#include <memory>
#include <string>

#include "core/record/TestRecord.h"

// One step back: the test as it stood before the last command that replaced or emptied it. What
// is kept is the test itself (readings, overlay, unit system, area, comments, and the scales
// that go with its units); how it is shown and the run's own state stay as they are.
class CUndo {
public:
    // Before a command that may replace the test; bUnsaved is whether it held unsaved work.
    void Keep(const TestRecord& rec, bool bUnsaved);
    // Something else changed the test (a reading, a new overlay): the step no longer applies.
    void Forget() { m_pStep.reset(); }
    bool Available() const { return m_pStep != nullptr; }
    // Puts the kept test back into rec and gives up the step. False when there is none.
    bool Restore(TestRecord& rec, bool& bUnsaved);

private:
    struct Step {
        std::array<CurveTable, 4> tables;
        std::array<GraphAxis, 4> axes;
        std::int32_t bEnglish = 1;
        double dCdArea = 1.0;
        std::array<std::string, COMMENT_COUNT> comments;
        std::int32_t nLastSlot = 0;
        bool bUnsaved = false;
    };
    std::unique_ptr<Step> m_pStep;
};

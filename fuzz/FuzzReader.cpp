// Feeds arbitrary bytes to the test file reader. Besides memory errors, it stops on any
// broken promise of the reader: no number that is not finite in the tables, the zero point at
// zero, no comment longer than the reader keeps or holding a control character, counts that
// agree with the tables, and what it wrote read back whole and equal to the first read.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "core/files/TestFile.h"
#include "core/record/TestRecord.h"

namespace {

void Check(bool bOk) {
    if (!bOk) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    TestRecord rec(1, 80.0);
    rec.ApplyUnitScales();
    CMemoryByteReader reader(reinterpret_cast<const char*>(pData), nSize);
    const FileResult result = ReadTestFile(rec, reader);
    Check(result.status == FileStatus::Ok || result.status == FileStatus::NotTestFile);
    if (result.status != FileStatus::Ok) {
        return 0;
    }
    Check(std::isfinite(rec.m_dCdArea));
    Check(result.nPoints >= 0 && result.nPoints <= SLOT_COUNT && result.nUnreadable >= 0);
    int nRecorded = 0;
    for (int i = 1; i < SLOT_COUNT; ++i) {
        nRecorded += rec.IsRecorded(i) ? 1 : 0;
    }
    // Every slot but the zero point's holds a point that was read.
    Check(nRecorded <= result.nPoints && result.nPoints <= nRecorded + 1);
    for (const CurveTable* p : {&rec.m_lift, &rec.m_drag, &rec.m_cd, &rec.m_ld}) {
        Check(p->m_dValue[0] == 0.0);
        for (double d : p->m_dValue) {
            Check(std::isfinite(d) || d == EMPTY_SLOT);
        }
    }
    for (const auto& str : rec.m_strComment) {
        Check(str.size() <= static_cast<std::size_t>(LINE_LIMIT));
        for (char c : str) {
            Check(static_cast<unsigned char>(c) >= 0x20 && c != 0x7f);
        }
    }
    // Whatever was read is written so that it reads back whole, to the same slots and values.
    const std::string strText = FormatTestFile(rec);
    TestRecord again(0, 80.0);
    CMemoryByteReader second(strText.data(), strText.size());
    const FileResult resultAgain = ReadTestFile(again, second);
    Check(resultAgain.Whole());
    Check(again.m_bEnglish == (rec.m_bEnglish ? 1 : 0));
    Check(resultAgain.nPoints == nRecorded + 1);
    // Six decimals are written: a value comes back within half of the last one.
    auto near = [](double dAgain, double d) {
        return std::fabs(dAgain - d) <= 6e-7 * std::max(1.0, std::fabs(d));
    };
    for (int i = 0; i < SLOT_COUNT; ++i) {
        Check(again.IsRecorded(i) == rec.IsRecorded(i));
        if (rec.IsRecorded(i)) {
            Check(near(again.m_lift.m_dValue[i], rec.m_lift.m_dValue[i]) &&
                  near(again.m_drag.m_dValue[i], rec.m_drag.m_dValue[i]));
        }
    }
    return 0;
}

// Feeds arbitrary bytes to the test file reader. Besides memory errors, it stops on any
// broken promise of the reader: no number that is not finite in the tables, the zero point at
// zero, no comment longer than the reader keeps or holding a control character, and a second read
// of what it wrote agreeing with the first.
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
    // Whatever was read is written so that it reads back to the same slots.
    const std::string strText = FormatTestFile(rec);
    TestRecord again(0, 80.0);
    CMemoryByteReader second(strText.data(), strText.size());
    Check(ReadTestFile(again, second).Ok());
    Check(again.m_bEnglish == (rec.m_bEnglish ? 1 : 0));
    for (int i = 0; i < SLOT_COUNT; ++i) {
        const double d = rec.m_lift.m_dValue[i];
        // A value too long for one line is the only thing that may not come back.
        if (std::fabs(d) < 1e60 && std::fabs(rec.m_drag.m_dValue[i]) < 1e60) {
            Check(again.IsRecorded(i) == rec.IsRecorded(i));
        }
    }
    return 0;
}

#include "core/files/CsvText.h"

#include <charconv>

#include "core/base/NumberText.h"
#include "core/record/TestRecord.h"

namespace {

// Shortest text that reads back as the same double.
void AppendExact(std::string& out, double dValue) {
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, dValue);
    out.append(buf, res.ptr);
}

}  // namespace

std::string FormatCsv(const TestRecord& rec) {
    std::string out = "wind,lift,drag,cd,ld\n";
    for (int i = 0; i < SLOT_COUNT; ++i) {
        if (!rec.IsRecorded(i)) {
            continue;
        }
        out += FormatFixed(i * 0.1, 1);
        for (const CurveTable* pTable : {&rec.m_lift, &rec.m_drag, &rec.m_cd, &rec.m_ld}) {
            out += ',';
            AppendExact(out, pTable->m_dValue[i]);
        }
        out += '\n';
    }
    return out;
}

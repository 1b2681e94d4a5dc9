#include <charconv>
#include <cstdio>
#include <string>

#include "ZefTool.h"
#include "core/files/TestFile.h"
#include "core/base/NumberText.h"
#include "core/record/TestRecord.h"

namespace {

// Shortest text that reads back as the same double.
std::string Exact(double dValue) {
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, dValue);
    return std::string(buf, res.ptr);
}

}  // namespace

int RunCsv(int argc, char** argv) {
    if (argc != 1) {
        std::fprintf(stderr, "usage: zeftool csv FILE.ZEF\n");
        return 2;
    }
    const QString strPath = QString::fromLocal8Bit(argv[0]);
    TestRecord rec(1, 80.0);
    const FileResult result = ReadTestFile(rec, strPath);
    switch (result.status) {
        case FileStatus::Ok:
            break;
        case FileStatus::NotTestFile:
            std::fprintf(stderr, "zeftool: %s: not a test file\n", argv[0]);
            return 1;
        default:
            std::fprintf(stderr, "zeftool: %s: %s\n", argv[0],
                         result.strError.toLocal8Bit().constData());
            return 1;
    }
    std::string out = "wind,lift,drag,cd,ld\n";
    for (int i = 0; i < SLOT_COUNT; ++i) {
        if (!rec.IsRecorded(i)) {
            continue;
        }
        out += FormatFixed(i * 0.1, 1) + "," + Exact(rec.m_lift.m_dValue[i]) + "," +
               Exact(rec.m_drag.m_dValue[i]) + "," + Exact(rec.m_cd.m_dValue[i]) + "," +
               Exact(rec.m_ld.m_dValue[i]) + "\n";
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

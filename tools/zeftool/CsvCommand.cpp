#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>

#include "ZefTool.h"
#include "files/TestFile.h"
#include "run/NumberText.h"
#include "run/TestRecord.h"

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
    // A full disk or a closed pipe shows only here, and the reason goes with it.
    if (std::fwrite(out.data(), 1, out.size(), stdout) != out.size() || std::fflush(stdout) != 0) {
        std::fprintf(stderr, "zeftool: cannot write the output: %s\n", std::strerror(errno));
        return 1;
    }
    return 0;
}

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "ZefTool.h"
#include "core/files/CsvText.h"
#include "core/files/TestFile.h"
#include "core/record/TestRecord.h"

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
    const std::string out = FormatCsv(rec);
    // A full disk or a closed pipe is a failure like any other, said on one line.
    if (std::fwrite(out.data(), 1, out.size(), stdout) != out.size() || std::fflush(stdout) != 0) {
        std::fprintf(stderr, "zeftool: standard output: %s\n", std::strerror(errno));
        return 1;
    }
    if (!result.Whole()) {
        std::fprintf(stderr, "zeftool: %s\n", ShortfallLine(argv[0], result).c_str());
        return READ_IN_PART;
    }
    return 0;
}

#include <QFileInfo>
#include <QGuiApplication>
#include <QLocale>
#include <cstdio>
#include <cstring>
#include <string>

#include "ZefTool.h"
#include "core/files/TestFile.h"
#include "core/record/TestRecord.h"
#include "graph/LabSheet.h"

namespace {

}  // namespace

int RunSheet(int argc, char** argv) {
    const char* pInput = nullptr;
    const char* pOutput = nullptr;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "-o") == 0 && i + 1 < argc) {
            pOutput = argv[++i];
        } else if (argv[i][0] == '-' && argv[i][1] != '\0') {
            return Fail(std::string("bad option '") + argv[i] + "'", 2);
        } else if (!pInput) {
            pInput = argv[i];
        } else {
            return Fail(std::string("more than one test file: '") + argv[i] + "'", 2);
        }
    }
    if (!pInput || !pOutput) {
        return Fail("sheet needs a test file and -o OUT.pdf", 2);
    }
    if (QFileInfo(QString::fromLocal8Bit(pOutput)).suffix().compare(
            QLatin1String("pdf"), Qt::CaseInsensitive) != 0) {
        return Fail(std::string(pOutput) + ": the output must end in .pdf", 2);
    }

    const auto pApp = StartDrawing();

    TestRecord rec(1, 80.0);
    std::string strShortfall;
    if (std::string strError = ReadTest(rec, pInput, strShortfall); !strError.empty()) {
        return Fail(strError);
    }
    rec.ApplyUnitScales();  // as the console's printout shows them
    const QString strInput = QString::fromLocal8Bit(pInput);
    QString strError;
    if (!WriteLabSheet(rec, SheetSourceFor(rec, strInput), QString::fromLocal8Bit(pOutput),
                       SheetPaperFor(QLocale()), strError)) {
        return Fail(std::string(pOutput) + ": " + strError.toLocal8Bit().constData());
    }
    // The sheet of what was read is made all the same; the status tells scripts it is partial.
    std::fputs(strShortfall.c_str(), stderr);
    return strShortfall.empty() ? 0 : READ_IN_PART;
}

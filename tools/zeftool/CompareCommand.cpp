#include <QGuiApplication>
#include <QStringList>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "ZefTool.h"
#include "core/files/CompareTests.h"
#include "core/files/WholeFile.h"
#include "graph/CompareGraph.h"
#include "graph/GraphRender.h"

int RunCompare(int argc, char** argv) {
    const char* pOutput = nullptr;
    std::vector<const char*> inputs;
    CompareView view;
    std::optional<QSize> size;
    for (int i = 0; i < argc; ++i) {
        const bool bHasValue = i + 1 < argc;
        if (std::strcmp(argv[i], "-o") == 0 && bHasValue) {
            pOutput = argv[++i];
        } else if (std::strcmp(argv[i], "--show") == 0 && bHasValue) {
            // One plot for each quantity named, in the order named.
            view.quantities.clear();
            for (const QString& strName :
                 QString::fromLocal8Bit(argv[++i]).split(QLatin1Char(','))) {
                const auto quantity = QuantityFromName(strName);
                if (!quantity) {
                    return Fail("unknown quantity '" + strName.toStdString() +
                                    "' in --show (lift, drag, cd, ld)",
                                2);
                }
                if (std::find(view.quantities.begin(), view.quantities.end(), *quantity) ==
                    view.quantities.end()) {
                    view.quantities.push_back(*quantity);
                }
            }
        } else if (std::strcmp(argv[i], "--units") == 0 && bHasValue) {
            const QString strUnits = QString::fromLocal8Bit(argv[++i]).toLower();
            if (strUnits != QLatin1String("english") && strUnits != QLatin1String("metric")) {
                return Fail(std::string("unknown units '") + argv[i] + "' (english or metric)", 2);
            }
            view.bEnglish = strUnits == QLatin1String("english");
        } else if (std::strcmp(argv[i], "--size") == 0 && bHasValue) {
            size = ParseSize(argv[++i]);
            if (!size) {
                return Fail(BadSizeText(argv[i]), 2);
            }
        } else if (argv[i][0] == '-' && argv[i][1] != '\0') {
            return Fail(std::string("bad option '") + argv[i] + "'", 2);
        } else {
            inputs.push_back(argv[i]);
        }
    }
    if (inputs.empty() || !pOutput) {
        return Fail("compare needs test files and -o OUT.(png|svg|pdf|csv)", 2);
    }
    const QString strOutput = QString::fromLocal8Bit(pOutput);
    const bool bCsv = strOutput.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive);
    const std::optional<RenderFormat> format = RenderFormatOf(strOutput);
    if (!bCsv && !format) {
        return Fail(std::string(pOutput) + ": the output must end in .png, .svg, .pdf or .csv", 2);
    }

    // A file that cannot be read is named and left out; the others are still compared.
    int nStatus = 0;
    for (const char* pInput : inputs) {
        CompareLoad load = LoadCompareTest(QString::fromLocal8Bit(pInput));
        if (!load.strProblem.isEmpty()) {
            Fail(std::string(pInput) + ": " + load.strProblem.toLocal8Bit().constData() +
                 (load.test ? " (what was read is compared)" : " (left out)"));
            // A file left out outweighs one read in part.
            nStatus = load.bInPart && nStatus != 1 ? READ_IN_PART : 1;
        }
        if (load.test) {
            view.tests.push_back(std::move(*load.test));
        }
    }

    QString strError;
    if (bCsv) {
        const std::string strText = FormatCompareCsv(view.tests, view.bEnglish);
        if (!WriteFileWhole(strOutput, strText.data(), strText.size(), strError)) {
            return Fail(std::string(pOutput) + ": " + strError.toLocal8Bit().constData());
        }
        return nStatus;
    }

    const auto pApp = StartDrawing();
    const QSize sizeOut =
        size.value_or(*format == RenderFormat::Pdf ? RENDER_DEFAULT_PAGE : RENDER_DEFAULT_SIZE);
    if (!RenderCompareToFile(view, strOutput, *format, sizeOut, strError)) {
        return Fail(std::string(pOutput) + ": " + strError.toLocal8Bit().constData());
    }
    return nStatus;
}

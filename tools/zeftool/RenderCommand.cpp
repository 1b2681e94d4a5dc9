#include <QGuiApplication>
#include <QStringList>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

#include "ZefTool.h"
#include "core/files/TestFile.h"
#include "graph/GraphRender.h"
#include "core/record/TestRecord.h"

namespace {

// Shows exactly the curves named; false for a name that is not a curve.
bool ApplyShow(TestRecord& rec, const char* pList, std::string& strBad) {
    CurveTable* tables[] = {&rec.m_lift, &rec.m_drag, &rec.m_cd, &rec.m_ld};
    const char* names[] = {"lift", "drag", "cd", "ld"};
    int bVisible[4] = {0, 0, 0, 0};
    const QStringList parts = QString::fromLocal8Bit(pList).split(QLatin1Char(','));
    for (const QString& strPart : parts) {
        const QString strName = strPart.trimmed().toLower();
        if (strName.isEmpty() && parts.size() == 1) {
            continue;  // --show "" shows nothing
        }
        int k = 0;
        while (k < 4 && strName != QLatin1String(names[k])) {
            ++k;
        }
        if (k == 4) {
            strBad = strPart.toStdString();
            return false;
        }
        bVisible[k] = 1;
    }
    for (int k = 0; k < 4; ++k) {
        tables[k]->m_bVisible = bVisible[k];
    }
    return true;
}

}  // namespace

int RunRender(int argc, char** argv) {
    const char* pInput = nullptr;
    const char* pOutput = nullptr;
    const char* pOverlay = nullptr;
    const char* pShow = nullptr;
    std::optional<QSize> size;
    for (int i = 0; i < argc; ++i) {
        const bool bHasValue = i + 1 < argc;
        if (std::strcmp(argv[i], "-o") == 0 && bHasValue) {
            pOutput = argv[++i];
        } else if (std::strcmp(argv[i], "--overlay") == 0 && bHasValue) {
            pOverlay = argv[++i];
        } else if (std::strcmp(argv[i], "--show") == 0 && bHasValue) {
            pShow = argv[++i];
        } else if (std::strcmp(argv[i], "--size") == 0 && bHasValue) {
            size = ParseSize(argv[++i]);
            if (!size) {
                return Fail(BadSizeText(argv[i]), 2);
            }
        } else if (argv[i][0] == '-' && argv[i][1] != '\0') {
            return Fail(std::string("bad option '") + argv[i] + "'", 2);
        } else if (!pInput) {
            pInput = argv[i];
        } else {
            return Fail(std::string("more than one test file: '") + argv[i] + "'", 2);
        }
    }
    if (!pInput || !pOutput) {
        return Fail("render needs a test file and -o OUT.(png|pdf|svg)", 2);
    }
    const std::optional<RenderFormat> format = RenderFormatOf(QString::fromLocal8Bit(pOutput));
    if (!format) {
        return Fail(std::string(pOutput) + ": the output must end in .png, .pdf or .svg", 2);
    }

    const auto pApp = StartDrawing();

    // As the console gets there: the other test opened and set as the overlay, then this one
    // opened, with lift and drag shown as at start.
    TestRecord rec(1, 80.0);
    std::string strShortfall;
    if (pOverlay) {
        if (std::string strError = ReadTest(rec, pOverlay, strShortfall); !strError.empty()) {
            return Fail(strError);
        }
        rec.SetOverlay();
    }
    if (std::string strError = ReadTest(rec, pInput, strShortfall); !strError.empty()) {
        return Fail(strError);
    }
    if (pShow) {
        std::string strBad;
        if (!ApplyShow(rec, pShow, strBad)) {
            return Fail("unknown curve '" + strBad + "' in --show (lift, drag, cd, ld)", 2);
        }
    }
    const QSize sizeOut =
        size.value_or(*format == RenderFormat::Pdf ? RENDER_DEFAULT_PAGE : RENDER_DEFAULT_SIZE);
    QString strError;
    rec.ApplyUnitScales();  // as the window's full draw shows them
    if (!RenderToFile(rec, QString::fromLocal8Bit(pOutput), *format, sizeOut, strError)) {
        return Fail(std::string(pOutput) + ": " + strError.toLocal8Bit().constData());
    }
    if (!strShortfall.empty()) {
        std::fputs(strShortfall.c_str(), stderr);
        return READ_IN_PART;
    }
    return 0;
}

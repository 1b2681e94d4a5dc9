#include "ZefTool.h"

#include <QGuiApplication>
#include <QStringList>
#include <cstdio>

int Fail(const std::string& strMessage, int nStatus) {
    std::fprintf(stderr, "zeftool: %s\n", strMessage.c_str());
    return nStatus;
}

std::string ReadTest(TestRecord& rec, const char* pPath, std::string& strShortfall) {
    const FileResult result = ReadTestFile(rec, QString::fromLocal8Bit(pPath));
    switch (result.status) {
        case FileStatus::Ok:
            if (!result.Whole()) {
                strShortfall += "zeftool: " + ShortfallLine(pPath, result) + "\n";
            }
            return {};
        case FileStatus::NotTestFile:
            return std::string(pPath) + ": not a test file";
        default:
            return std::string(pPath) + ": " + result.strError.toLocal8Bit().constData();
    }
}

std::optional<QSize> ParseSize(const char* pText) {
    const QStringList parts = QString::fromLocal8Bit(pText).split(QLatin1Char('x'));
    bool bWidth = false;
    bool bHeight = false;
    const int nWidth = parts.size() == 2 ? parts[0].toInt(&bWidth) : 0;
    const int nHeight = parts.size() == 2 ? parts[1].toInt(&bHeight) : 0;
    if (!bWidth || !bHeight || nWidth < 1 || nHeight < 1 || nWidth > RENDER_SIZE_LIMIT ||
        nHeight > RENDER_SIZE_LIMIT) {
        return std::nullopt;
    }
    return QSize(nWidth, nHeight);
}

std::string BadSizeText(const char* pSize) {
    return std::string("bad size '") + pSize + "': expected WxH from 1x1 to " +
           std::to_string(RENDER_SIZE_LIMIT) + "x" + std::to_string(RENDER_SIZE_LIMIT);
}

namespace {

// Qt's own warnings (a missing runtime directory and the like) would break the one-line
// contract of standard error; only its fatal messages get through.
void QuietMessages(QtMsgType type, const QMessageLogContext&, const QString& strMessage) {
    if (type == QtCriticalMsg || type == QtFatalMsg) {
        std::fprintf(stderr, "zeftool: %s\n", strMessage.toLocal8Bit().constData());
    }
}

}  // namespace

std::unique_ptr<QGuiApplication> StartDrawing() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    qInstallMessageHandler(QuietMessages);
    static int nAppArgc = 1;
    static char strName[] = "zeftool";
    static char* appArgv[] = {strName, nullptr};
    return std::make_unique<QGuiApplication>(nAppArgc, appArgv);
}

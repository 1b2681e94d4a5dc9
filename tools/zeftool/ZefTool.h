#pragma once

#include <QSize>
#include <memory>
#include <optional>
#include <string>

#include "core/files/TestFile.h"
#include "graph/GraphRender.h"

class QGuiApplication;
class TestRecord;

// zeftool csv FILE.ZEF: args are what follows "csv".
int RunCsv(int argc, char** argv);

// zeftool render FILE.ZEF -o OUT.(png|pdf|svg) [--size WxH] [--overlay OTHER.ZEF]
// [--show lift,drag,cd,ld]: draws the graph as the console does. PNG and SVG are the window's
// picture, WxH pixels (default 1024x768); PDF is the printed page, WxH points (default A4
// landscape, 842x595).
int RunRender(int argc, char** argv);

// The status of a command whose test file was read in part (it ends early or holds lines that
// could not be read): what was read is used, and the status tells scripts it was not whole.
inline constexpr int READ_IN_PART = 3;

// The one line said on standard error for such a file: its name and what it lacked.
inline std::string ShortfallLine(const char* pPath, const FileResult& result) {
    return std::string(pPath) + ": not read whole. " +
           DescribeShortfall(result).join(QLatin1Char(' ')).toLocal8Bit().toStdString();
}

// zeftool sheet FILE.ZEF -o OUT.pdf: the lab sheet, as the console's File > Lab Sheet makes it.
int RunSheet(int argc, char** argv);

// zeftool compare FILE... -o OUT.(png|svg|pdf|csv) [--show lift,drag,cd,ld]
// [--units english|metric] [--size WxH]: several tests on one graph (one plot for each
// quantity shown), or their points in one CSV, in one unit system. A file that cannot be read
// is named on standard error and left out.
int RunCompare(int argc, char** argv);

// What every command shares: one line on standard error, "zeftool: " and the message, and the
// status to end with.
int Fail(const std::string& strMessage, int nStatus = 1);

// Reads a test file as the console's Open does; an empty string when it can be used, else what
// to say. What a file read in part lacked is added to strShortfall, a whole line each.
std::string ReadTest(TestRecord& rec, const char* pPath, std::string& strShortfall);

// A --size, "WxH", each side a whole number from 1 to RENDER_SIZE_LIMIT.
std::optional<QSize> ParseSize(const char* pText);
// The message for a --size that is not WxH within the pictures' limit.
std::string BadSizeText(const char* pSize);

// The application the graph draws under, on the offscreen platform unless QT_QPA_PLATFORM names
// another, with Qt's own warnings kept off standard error.
std::unique_ptr<QGuiApplication> StartDrawing();

#pragma once

#include <string>

#include "core/files/TestFile.h"

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

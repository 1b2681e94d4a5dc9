#pragma once

// zeftool csv FILE.ZEF: args are what follows "csv".
int RunCsv(int argc, char** argv);

// zeftool render FILE.ZEF -o OUT.(png|pdf|svg) [--size WxH] [--overlay OTHER.ZEF]
// [--show lift,drag,cd,ld]: draws the graph as the console does. PNG and SVG are the window's
// picture, WxH pixels (default 1024x768); PDF is the printed page, WxH points (default A4
// landscape, 842x595).
int RunRender(int argc, char** argv);

// zeftool compare FILE... -o OUT.(png|svg|pdf|csv) [--show lift,drag,cd,ld]
// [--units english|metric] [--size WxH]: several tests on one graph (one plot for each
// quantity shown), or their points in one CSV, in one unit system. A file that cannot be read
// is named on standard error and left out.
int RunCompare(int argc, char** argv);

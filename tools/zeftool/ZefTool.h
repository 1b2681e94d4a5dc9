#pragma once

// zeftool csv FILE.ZEF: args are what follows "csv".
int RunCsv(int argc, char** argv);

// zeftool render FILE.ZEF -o OUT.(png|pdf|svg) [--size WxH] [--overlay OTHER.ZEF]
// [--show lift,drag,cd,ld]: draws the graph as the console does. PNG and SVG are the window's
// picture, WxH pixels (default 1024x768); PDF is the printed page, WxH points (default A4
// landscape, 842x595).
int RunRender(int argc, char** argv);

// zeftool sheet FILE.ZEF -o OUT.pdf: the lab sheet, as the console's File > Lab Sheet makes it.
int RunSheet(int argc, char** argv);

// zeftool: the console's headless companion. Each command reads test files with the console's
// own reader, so what it prints is what the console would show.
#include <cstdio>
#include <cstring>

#include "ZefTool.h"

namespace {

void PrintUsage() {
    std::fprintf(
        stderr,
        "usage: zeftool csv FILE.ZEF\n"
        "       zeftool render FILE.ZEF -o OUT.(png|pdf|svg) [--size WxH]\n"
        "                      [--overlay OTHER.ZEF] [--show lift,drag,cd,ld]\n"
        "  render: PNG and SVG as on screen, WxH pixels (default 1024x768);\n"
        "          PDF as on paper, a page of WxH points (default 842x595, A4 landscape)\n"
        "       zeftool sheet FILE.ZEF -o OUT.pdf\n"
        "       zeftool compare FILE... -o OUT.(png|svg|pdf|csv) [--show lift,drag,cd,ld]\n"
        "                      [--units english|metric] [--size WxH]\n");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "csv") == 0) {
        return RunCsv(argc - 2, argv + 2);
    }
    if (argc >= 2 && std::strcmp(argv[1], "render") == 0) {
        return RunRender(argc - 2, argv + 2);
    }
    if (argc >= 2 && std::strcmp(argv[1], "sheet") == 0) {
        return RunSheet(argc - 2, argv + 2);
    }
    if (argc >= 2 && std::strcmp(argv[1], "compare") == 0) {
        return RunCompare(argc - 2, argv + 2);
    }
    PrintUsage();
    return 2;
}

// zeftool: the console's headless companion. Each command reads test files with the console's
// own reader, so what it prints is what the console would show.
#include <cstdio>
#include <cstring>

#include "ZefTool.h"

namespace {

void PrintUsage() {
    std::fprintf(stderr,
                 "usage: zeftool csv FILE.ZEF\n");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "csv") == 0) {
        return RunCsv(argc - 2, argv + 2);
    }
    PrintUsage();
    return 2;
}

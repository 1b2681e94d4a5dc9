#pragma once

// zeftool csv FILE.ZEF: args are what follows "csv".
int RunCsv(int argc, char** argv);

// zef: the Zefron wind-tunnel console.
#include <QApplication>

#include "console/ZEFApp.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    SetUpApplication();
    theApp.InitInstance();
    const int nResult = QApplication::exec();
    theApp.ExitInstance();
    return nResult;
}

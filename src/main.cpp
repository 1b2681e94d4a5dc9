// zef: the Zefron wind-tunnel console.
#include <QApplication>
#include <QIcon>

#include "app/Resources.h"
#include "app/ZEFApp.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("zef"));
    QApplication::setApplicationDisplayName(QStringLiteral("Zefron"));
    QApplication::setDesktopFileName(QStringLiteral("zef"));
    InitZefResources();
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/zef.svg")));
    theApp.InitInstance();
    const int nResult = QApplication::exec();
    theApp.ExitInstance();
    return nResult;
}

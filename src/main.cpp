// zef: the Zefron wind-tunnel console.
#include <QApplication>

#include "console/MessageBox.h"
#include "console/ZEFApp.h"
#include "core/base/Clock.h"
#include "core/files/Profile.h"
#include "core/files/Recovery.h"
#include "core/link/DeviceScan.h"
#include "core/link/SerialPort.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    SetUpApplication();

    // The console's services, made once here and handed to what needs them.
    CSerialPort thePort;
    CQtMessageBoxes boxes;
    CProfile profile(CProfile::DefaultPath());
    CDeviceScanner devices;
    CRecovery recovery(CRecovery::DefaultPath(), ProcessMillis);
    CZEFApp theApp(CConsoleServices{thePort, boxes, profile, devices, recovery, ProcessMillis});

    theApp.InitInstance();
    const int nResult = QApplication::exec();
    theApp.ExitInstance();
    return nResult;
}

// zef: the Zefron wind-tunnel console.
#include <QApplication>
#include <memory>

#include "console/LoopProbe.h"
#include "console/MessageBox.h"
#include "console/ZEFApp.h"
#include "core/base/Clock.h"
#include "core/files/Profile.h"
#include "core/files/Recovery.h"
#include "core/link/DeviceScan.h"
#include "core/link/LineWait.h"
#include "core/link/SerialPort.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    SetUpApplication();

    // The console's services, made once here and handed to what needs them.
    // The window's loop turns while the controller's replies are awaited.
    CEventLoopWait lineWait;
    CSerialPort thePort;
    thePort.SetLineWait(&lineWait);
    CQtMessageBoxes boxes;
    CProfile profile(CProfile::DefaultPath());
    CDeviceScanner devices;
    CRecovery recovery(CRecovery::DefaultPath(), ProcessMillis);
    CZEFApp theApp(CConsoleServices{thePort, boxes, profile, devices, recovery, ProcessMillis});

    // How late the window's thread gets back to its loop, for trials: ZEF_LOOP_PROBE=FILE.
    std::unique_ptr<CLoopProbe> pProbe;
    if (const QString strProbe = qEnvironmentVariable("ZEF_LOOP_PROBE"); !strProbe.isEmpty()) {
        pProbe = std::make_unique<CLoopProbe>(strProbe);
    }
    theApp.InitInstance();
    const int nResult = QApplication::exec();
    theApp.ExitInstance();
    return nResult;
}

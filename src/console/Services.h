#pragma once

#include "core/base/Clock.h"

class CDeviceScanner;
class CMessageBoxes;
class CProfile;
class CRecovery;
class CSerialPort;

// What the console works through, made once by main (and by each console test for itself) and
// handed to the objects that need it: the line to the tunnel's controller, where operator
// messages go, the settings, where serial devices are looked for, the unsaved test's copy, and
// the one clock.
struct CConsoleServices {
    CSerialPort& m_port;
    CMessageBoxes& m_boxes;
    CProfile& m_profile;
    CDeviceScanner& m_devices;
    CRecovery& m_recovery;
    CClock m_clock;
};

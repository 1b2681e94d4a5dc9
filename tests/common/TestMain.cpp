// Every test program runs under a Qt application on the offscreen platform, so that code which
// needs fonts, images or widgets works without a screen.
#include <QApplication>

#include "app/Resources.h"
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    InitZefResources();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

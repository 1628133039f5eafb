// Test main: a QApplication on Qt's offscreen platform (unless the suite asks
// for a display), a pinned screen resolution of 96 dpi (15 twips per pixel),
// settings in a temporary folder, and message boxes counted instead of shown.
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    testenv::PrepareProcess();
    QApplication app(argc, argv);
    testenv::AfterApplication();
    return RUN_ALL_TESTS();
}

#include <cstdlib>

#include <gtest/gtest.h>
#include <QApplication>

// The suite runs under the test session's X server; without one the pure
// tests still run (offscreen) and the display tests skip themselves.
int main(int argc, char** argv) {
    if (std::getenv("DISPLAY") == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    } else {
        setenv("QT_QPA_PLATFORM", "xcb", 1);
    }
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

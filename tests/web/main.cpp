#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

// The request wait dispatches the thread's Qt events, so the suite runs with
// an application object; no window needs a real display.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    return RUN_ALL_TESTS();
}

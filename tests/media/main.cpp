#include <gtest/gtest.h>

#include <QApplication>

// The music handlers reach their buttons and dialog through the toolkit, which
// needs an application object; no window has to be seen, so offscreen will do.
int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}

#include <gtest/gtest.h>

#include <QByteArray>
#include <QtGlobal>

#include "ui/Program.h"

// The request wait dispatches the thread's Qt events and the notice check
// writes into edit boxes, so the suite runs with the toolkit started; no
// window needs a real display.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (!avatrix::ui::InitToolkit(argc, argv)) {
        return 1;
    }
    return RUN_ALL_TESTS();
}

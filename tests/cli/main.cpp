#include <gtest/gtest.h>

#include <cstdlib>

#include "ui/Program.h"

// The main program's windows are loaded for the comparison with its export;
// nothing here needs a display, so they live on the offscreen platform.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    if (!GTEST_FLAG_GET(list_tests) && !avatrix::ui::InitToolkit(argc, argv)) {
        return 1;
    }
    return RUN_ALL_TESTS();
}

#include <gtest/gtest.h>

#include "ui/Program.h"

// The handlers run against real windows, so the toolkit is started first;
// only listing the tests needs no display.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (!GTEST_FLAG_GET(list_tests) && !avatrix::ui::InitToolkit(argc, argv)) {
        return 1;
    }
    return RUN_ALL_TESTS();
}

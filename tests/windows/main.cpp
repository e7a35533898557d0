#include <gtest/gtest.h>

#include "ui/Program.h"

// The handlers run against real windows, so the toolkit is started first.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (!avatrix::ui::InitToolkit(argc, argv)) {
        return 1;
    }
    return RUN_ALL_TESTS();
}

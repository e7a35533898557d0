#include <cstdio>
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>
#include <QApplication>

#include "PrivateXSession.h"

namespace {

// The suites that look at screen pixels; the rest need no display.
bool SelectsDisplayTests(const std::string& filter) {
    if (filter.empty() || filter == "*" || filter[0] == '-') {
        return true;
    }
    for (const char* suite : {"Capture", "PictureHandlers"}) {
        if (filter.find(suite) != std::string::npos) {
            return true;
        }
    }
    return false;
}

}  // namespace

// Display tests run on an X server of their own, so windows of tests running
// in parallel cannot cover what they read back.
// Without X at all the pure tests still run offscreen and the display tests
// skip themselves.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    avatrix::image::testing::PrivateXSession session;
    const char* shared = std::getenv("DISPLAY");
    if (shared != nullptr && SelectsDisplayTests(GTEST_FLAG_GET(filter))) {
        const std::string original = shared;
        if (!session.Start()) {
            std::fprintf(stderr, "no private X server; using %s\n", original.c_str());
            setenv("DISPLAY", original.c_str(), 1);
        }
    }
    setenv("QT_QPA_PLATFORM", std::getenv("DISPLAY") != nullptr ? "xcb" : "offscreen", 1);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}

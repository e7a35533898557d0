#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

// How a test program is set up before its tests run. The one test main
// (TestMain.cpp) starts the toolkit as the program registered here asks; a
// program that registers nothing runs on Qt's offscreen platform.
namespace avatrix::test {

struct SuiteSetup {
    enum class Display {
        Offscreen,  // no window has to be seen
        Shared,     // the X server DISPLAY names, window manager and all
        Private,    // an X server of its own, where DISPLAY says X is there
    };
    Display display = Display::Offscreen;
    // With Display::Private: the server starts only when the test filter
    // selects one of these test suites (all of them when empty); the others
    // run on the shared display or, without one, offscreen.
    std::vector<std::string> displaySuites{};
    // Runs first; a value ends the program with that code instead of running
    // the tests (a child process started by a test, say).
    std::function<std::optional<int>(int argc, char** argv)> takeOver{};
};

// Registers the set-up of this test program, once per program: define one
// such object in a file only this program compiles.
struct RegisterSuiteSetup {
    explicit RegisterSuiteSetup(SuiteSetup setup);
};

}  // namespace avatrix::test

#pragma once

#include <functional>

// The application shell: toolkit start, the message loop, and the one way the
// process ends.
namespace avatrix::ui {

// Starts the toolkit on the X11 platform. Returns false, after a clear
// message on stderr, when no display can be opened.
bool InitToolkit(int& argc, char** argv);

// Routines EndProgram runs, in the order they were added.
void AddCleanup(std::function<void()> cleanup);

// Dispatches events until EndProgram ends the process; it never returns.
[[noreturn]] void RunMessageLoop();

// Runs the registered clean-ups, then ends the process with `code`. Closes no
// window first and raises no QueryClose.
[[noreturn]] void EndProgram(int code);

}  // namespace avatrix::ui

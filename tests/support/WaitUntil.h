#pragma once

#include <chrono>
#include <functional>
#include <string>

namespace avatrix::test {

// Polls `done` until it holds or `limit` has passed; returns its last value.
// On the application's thread events are handled meanwhile: the window
// system confirms moves, maps and paints through them.
bool WaitUntil(const std::function<bool()>& done,
               std::chrono::milliseconds limit = std::chrono::seconds(10));

// The first line a child process writes to `fd` within `limit`, without its
// newline; empty when no whole line came.
std::string ReadLine(int fd, std::chrono::milliseconds limit);

}  // namespace avatrix::test

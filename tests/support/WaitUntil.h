#pragma once

#include <chrono>
#include <functional>

namespace avatrix::test {

// Polls `done` until it holds or `limit` has passed; returns its last value.
// On the application's thread events are handled meanwhile: the window
// system confirms moves, maps and paints through them.
bool WaitUntil(const std::function<bool()>& done,
               std::chrono::milliseconds limit = std::chrono::seconds(10));

}  // namespace avatrix::test

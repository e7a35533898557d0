#pragma once

#include "trace/TraceConfig.h"

// Steady-clock marks of the program's start, for finding where the time to
// the first paint goes. Only a build configured with AVATRIX_STARTUP_TRACE
// writes them (to stderr, one line each); in every other build the calls
// compile to nothing, so the shipped program does no extra work.
//
// A line reads "avatrix-trace <begin ns> <end ns> <what>" on the steady
// clock, which is CLOCK_MONOTONIC here: a benchmark that notes the same
// clock before it spawns the program can place every line on its own
// time-line. A mark has begin == end.
namespace avatrix::trace {

inline constexpr bool kEnabled = AVATRIX_STARTUP_TRACE != 0;

// Nanoseconds on the steady clock.
long long Now();

// Writes one line; the text may be anything without a line break.
void Write(long long begin, long long end, const char* what, const char* detail = nullptr);

inline void Mark(const char* what, const char* detail = nullptr) {
    if constexpr (kEnabled) {
        const long long now = Now();
        Write(now, now, what, detail);
    }
}

// The time from construction to destruction, written as one line.
class Span {
  public:
    explicit Span(const char* what, const char* detail = nullptr)
        : what_(what), detail_(detail), begin_(kEnabled ? Now() : 0) {}
    ~Span() {
        if constexpr (kEnabled) {
            Write(begin_, Now(), what_, detail_);
        }
    }
    Span(const Span&) = delete;
    Span& operator=(const Span&) = delete;

  private:
    const char* what_;
    const char* detail_;
    long long begin_;
};

}  // namespace avatrix::trace

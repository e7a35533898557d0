#include "trace/StartupTrace.h"

#include <chrono>
#include <cstdio>

namespace avatrix::trace {

long long Now() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void Write(long long begin, long long end, const char* what, const char* detail) {
    // One call per line, so lines from two threads never interleave.
    std::fprintf(stderr, "avatrix-trace %lld %lld %s%s%s\n", begin, end, what,
                 detail != nullptr ? " " : "", detail != nullptr ? detail : "");
}

}  // namespace avatrix::trace

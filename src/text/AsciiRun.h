#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace avatrix {

// Whether the eight bytes at p are all below 0x80.
inline bool EightAscii(const unsigned char* p) {
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return (word & 0x8080808080808080ull) == 0;
}

// Length of the run of bytes below 0x80 that starts at p, at most n; scanned
// eight bytes at a time, since pages are mostly markup.
inline std::size_t AsciiRun(const unsigned char* p, std::size_t n) {
    std::size_t run = 0;
    while (run + 8 <= n) {
        std::uint64_t word;
        std::memcpy(&word, p + run, sizeof word);
        if ((word & 0x8080808080808080ull) != 0) {
            break;
        }
        run += 8;
    }
    while (run < n && p[run] < 0x80) {
        ++run;
    }
    return run;
}

}  // namespace avatrix

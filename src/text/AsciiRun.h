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

// Hands the ASCII byte at data[i] to a decoding sink and steps past it: markup
// comes in long runs, taken in bulk; a letter or two between characters is
// cheaper one by one. False when the sink refused the byte.
template <typename Sink>
inline bool FeedAscii(const unsigned char* data, std::size_t length, std::size_t& i, Sink& sink) {
    if (i + 8 <= length && EightAscii(data + i)) {
        const std::size_t run = AsciiRun(data + i, length - i);
        sink.Ascii(data + i, run);
        i += run;
        return true;
    }
    return sink.Unit(data[i++]);
}

}  // namespace avatrix

#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "text/AsciiRun.h"

// UTF-8 to and from UTF-16 with the platform converter's handling of bad
// input: each maximal ill-formed subsequence of UTF-8 decodes to one U+FFFD,
// and a UTF-16 surrogate without its partner encodes as U+FFFD (EF BF BD).
//
// Decoding feeds a sink: sink.Ascii(bytes, n) takes a run of ASCII bytes and
// sink.Unit(u) one UTF-16 unit, returning false to stop the conversion.
namespace avatrix::utf8 {

inline constexpr char16_t kReplacement = 0xFFFD;

template <typename Sink>
bool Decode(std::string_view bytes, Sink& sink) {
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t length = bytes.size();
    std::size_t i = 0;
    while (i < length) {
        if (data[i] < 0x80) {
            if (!FeedAscii(data, length, i, sink)) {
                return false;
            }
            continue;
        }
        const unsigned char lead = data[i];
        // The common well-formed cases first: CJK text is mostly three-byte
        // sequences with a lead byte that puts no extra limit on the second.
        if (lead >= 0xE1 && lead != 0xED && lead <= 0xEF && i + 2 < length &&
            (data[i + 1] & 0xC0) == 0x80 && (data[i + 2] & 0xC0) == 0x80) {
            const auto unit = static_cast<char16_t>(
                (lead & 0x0F) << 12 | (data[i + 1] & 0x3F) << 6 | (data[i + 2] & 0x3F));
            i += 3;
            if (!sink.Unit(unit)) {
                return false;
            }
            continue;
        }
        if (lead >= 0xC2 && lead <= 0xDF && i + 1 < length && (data[i + 1] & 0xC0) == 0x80) {
            const auto unit = static_cast<char16_t>((lead & 0x1F) << 6 | (data[i + 1] & 0x3F));
            i += 2;
            if (!sink.Unit(unit)) {
                return false;
            }
            continue;
        }
        int needed = 0;
        char32_t value = 0;
        // The second byte's range excludes overlong forms, surrogates and
        // values beyond U+10FFFF; later bytes are always 0x80..0xBF.
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            needed = 2;
            value = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            needed = 3;
            value = lead & 0x0F;
            low = lead == 0xE0 ? 0xA0 : 0x80;
            high = lead == 0xED ? 0x9F : 0xBF;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            needed = 4;
            value = lead & 0x07;
            low = lead == 0xF0 ? 0x90 : 0x80;
            high = lead == 0xF4 ? 0x8F : 0xBF;
        }
        std::size_t taken = 1;
        bool complete = needed != 0;
        for (int k = 1; k < needed; ++k) {
            if (i + taken >= length) {
                complete = false;
                break;
            }
            const unsigned char next = data[i + taken];
            if (next < low || next > high) {
                complete = false;
                break;
            }
            value = (value << 6) | (next & 0x3F);
            low = 0x80;
            high = 0xBF;
            ++taken;
        }
        i += taken;
        if (!complete) {
            // A byte that cannot lead, or a lead byte with the valid bytes
            // that followed it: one ill-formed subsequence, one U+FFFD.
            if (!sink.Unit(kReplacement)) {
                return false;
            }
        } else if (value >= 0x10000) {
            value -= 0x10000;
            if (!sink.Unit(static_cast<char16_t>(0xD800 + (value >> 10))) ||
                !sink.Unit(static_cast<char16_t>(0xDC00 + (value & 0x3FF)))) {
                return false;
            }
        } else if (!sink.Unit(static_cast<char16_t>(value))) {
            return false;
        }
    }
    return true;
}

// Writes UTF-8 into a buffer with room for three bytes per unit. A high
// surrogate waits for the next unit; Finish() settles one left at the end.
class Writer {
  public:
    explicit Writer(char* out) : out_(out) {}

    void Ascii(const unsigned char* bytes, std::size_t n) {
        Settle();
        std::memcpy(out_, bytes, n);
        out_ += n;
    }

    bool Unit(char16_t unit) {
        if (pendingHigh_ != 0) {
            if (unit >= 0xDC00 && unit <= 0xDFFF) {
                const char32_t value = 0x10000 +
                                       ((static_cast<char32_t>(pendingHigh_) - 0xD800) << 10) +
                                       (unit - 0xDC00);
                pendingHigh_ = 0;
                Put(value);
                return true;
            }
            Settle();
        }
        if (unit < 0x80) {
            *out_++ = static_cast<char>(unit);
        } else if (unit >= 0xD800 && unit <= 0xDBFF) {
            pendingHigh_ = unit;
        } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
            Put(kReplacement);
        } else {
            Put(unit);
        }
        return true;
    }

    // Ends the output; returns the end of what was written.
    char* Finish() {
        Settle();
        return out_;
    }

  private:
    void Settle() {
        if (pendingHigh_ != 0) {
            pendingHigh_ = 0;
            Put(kReplacement);
        }
    }

    void Put(char32_t value) {
        if (value < 0x800) {
            *out_++ = static_cast<char>(0xC0 | (value >> 6));
        } else if (value < 0x10000) {
            *out_++ = static_cast<char>(0xE0 | (value >> 12));
            *out_++ = static_cast<char>(0x80 | ((value >> 6) & 0x3F));
        } else {
            *out_++ = static_cast<char>(0xF0 | (value >> 18));
            *out_++ = static_cast<char>(0x80 | ((value >> 12) & 0x3F));
            *out_++ = static_cast<char>(0x80 | ((value >> 6) & 0x3F));
        }
        *out_++ = static_cast<char>(0x80 | (value & 0x3F));
    }

    char* out_;
    char16_t pendingHigh_ = 0;
};

}  // namespace avatrix::utf8

#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "text/AsciiRun.h"

// The double-byte code pages 936 and 950: lookup tables taken from ICU's
// copies of the platform tables when the program is built, and the
// conversion loops over them, which carry the platform's own rules for
// invalid bytes.
namespace avatrix::codepage {

struct DoubleByteTables {
    // What a byte of 0x80 or more that does not begin a pair decodes to.
    std::array<char16_t, 256> single{};
    // What the pair (lead << 8 | trail) decodes to; 0 where it is not a character.
    std::array<char16_t, 65536> pair{};
    // What a UTF-16 unit encodes to: a byte below 0x100, a pair (lead << 8 |
    // trail) above; 0 where the unit has no form (U+0000 encodes to 0 anyway).
    std::array<std::uint16_t, 65536> encode{};
};

// Both code pages start a pair with any byte 0x81..0xFE.
inline bool IsLeadByte(unsigned char byte) {
    return byte >= 0x81 && byte <= 0xFE;
}

// The tables of 936 or 950, compiled in; nullptr for any other code page.
const DoubleByteTables* TablesFor(int codePage);

inline constexpr char16_t kDefaultUnit = u'?';

// Bytes to UTF-16 as the platform converter does it: a valid pair or single
// byte gives its character, anything else one "?". A lead byte followed by
// another byte always takes that byte with it, valid or not, except the end
// of the input and a NUL, which stay for what follows. The sink is fed as in
// utf8::Decode.
template <typename Sink>
bool Decode(const DoubleByteTables& tables, std::string_view bytes, Sink& sink) {
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t length = bytes.size();
    std::size_t i = 0;
    while (i < length) {
        const unsigned char byte = data[i];
        char16_t unit;
        if (byte < 0x80) {
            if (!FeedAscii(data, length, i, sink)) {
                return false;
            }
            continue;
        }
        if (!IsLeadByte(byte)) {
            unit = tables.single[byte];
            ++i;
        } else if (i + 1 >= length || data[i + 1] == 0) {
            unit = 0;
            ++i;
        } else {
            unit = tables.pair[byte << 8 | data[i + 1]];
            i += 2;
        }
        if (!sink.Unit(unit != 0 ? unit : kDefaultUnit)) {
            return false;
        }
    }
    return true;
}

// Writes 936 or 950 with the best-fit mappings into a buffer with room for
// two bytes per unit. A unit without a form (a surrogate among them) becomes
// the replacement byte; a replacement of NUL ends the output there instead.
class Writer {
  public:
    Writer(const DoubleByteTables& tables, char replacement, char* out)
        : tables_(tables), replacement_(replacement), out_(out) {}

    void Ascii(const unsigned char* bytes, std::size_t n) {
        std::memcpy(out_, bytes, n);
        out_ += n;
    }

    bool Unit(char16_t unit) {
        const std::uint16_t code = tables_.encode[unit];
        if (code >= 0x100) {
            *out_++ = static_cast<char>(code >> 8);
            *out_++ = static_cast<char>(code & 0xFF);
        } else if (code != 0 || unit == 0) {
            *out_++ = static_cast<char>(code);
        } else if (replacement_ != '\0') {
            *out_++ = replacement_;
        } else {
            return false;
        }
        return true;
    }

    char* Finish() { return out_; }

  private:
    const DoubleByteTables& tables_;
    char replacement_;
    char* out_;
};

}  // namespace avatrix::codepage

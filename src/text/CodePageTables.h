#pragma once

#include <array>
#include <cstdint>

// Lookup tables of the double-byte code pages 936 and 950, read once from
// ICU's copies of the platform tables. The conversion loops that use them
// live in Codepage.cpp and carry the platform's own rules for invalid bytes.
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

// The tables of 936 or 950, built on first use; nullptr for any other code
// page or when ICU lacks the table.
const DoubleByteTables* TablesFor(int codePage);

}  // namespace avatrix::codepage

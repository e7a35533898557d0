#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "text/Text.h"

namespace avatrix {

// The UTF-16 byte set the conversions exchange: little-endian units and a
// final zero unit.
inline ByteSet Utf16Of(std::u16string_view units) {
    ByteSet bytes;
    for (char16_t unit : units) {
        bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    bytes.push_back(0);
    bytes.push_back(0);
    return bytes;
}

}  // namespace avatrix

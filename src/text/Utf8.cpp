#include "text/Utf8.h"

#include <cstdint>
#include <cstring>

namespace avatrix::utf8 {

namespace {

constexpr char16_t kReplacement = 0xFFFD;

bool IsContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// The range the second byte must fall in after a given lead byte; the
// later bytes of a sequence are always 0x80..0xBF. Excludes overlong forms,
// surrogates and values beyond U+10FFFF.
void SecondByteRange(unsigned char lead, unsigned char& low, unsigned char& high) {
    low = 0x80;
    high = 0xBF;
    if (lead == 0xE0) {
        low = 0xA0;
    } else if (lead == 0xED) {
        high = 0x9F;
    } else if (lead == 0xF0) {
        low = 0x90;
    } else if (lead == 0xF4) {
        high = 0x8F;
    }
}

int SequenceLength(unsigned char lead) {
    if (lead >= 0xC2 && lead <= 0xDF) {
        return 2;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        return 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        return 4;
    }
    return 0;  // 0x80..0xC1 and 0xF5..0xFF never begin a sequence
}

}  // namespace

void AppendDecoded(std::string_view bytes, std::u16string& units) {
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t length = bytes.size();
    std::size_t i = 0;
    while (i < length) {
        // Runs of ASCII go eight bytes at a time.
        while (i + 8 <= length) {
            std::uint64_t word;
            std::memcpy(&word, data + i, sizeof word);
            if ((word & 0x8080808080808080ull) != 0) {
                break;
            }
            for (int k = 0; k < 8; ++k) {
                units.push_back(data[i + k]);
            }
            i += 8;
        }
        if (i >= length) {
            break;
        }
        const unsigned char lead = data[i];
        if (lead < 0x80) {
            units.push_back(lead);
            ++i;
            continue;
        }
        const int needed = SequenceLength(lead);
        if (needed == 0) {
            units.push_back(kReplacement);
            ++i;
            continue;
        }
        unsigned char low;
        unsigned char high;
        SecondByteRange(lead, low, high);
        char32_t value = lead & (needed == 2 ? 0x1F : needed == 3 ? 0x0F : 0x07);
        std::size_t taken = 1;
        bool complete = true;
        for (int k = 1; k < needed; ++k) {
            if (i + taken >= length) {
                complete = false;
                break;
            }
            const unsigned char next = data[i + taken];
            const bool fits = k == 1 ? (next >= low && next <= high) : IsContinuation(next);
            if (!fits) {
                complete = false;
                break;
            }
            value = (value << 6) | (next & 0x3F);
            ++taken;
        }
        i += taken;
        if (!complete) {
            // The lead byte and the valid continuation bytes that followed
            // it make one ill-formed subsequence.
            units.push_back(kReplacement);
            continue;
        }
        if (value >= 0x10000) {
            value -= 0x10000;
            units.push_back(static_cast<char16_t>(0xD800 + (value >> 10)));
            units.push_back(static_cast<char16_t>(0xDC00 + (value & 0x3FF)));
        } else {
            units.push_back(static_cast<char16_t>(value));
        }
    }
}

void AppendEncoded(std::u16string_view units, std::string& bytes) {
    const std::size_t count = units.size();
    for (std::size_t i = 0; i < count; ++i) {
        char32_t value = units[i];
        if (value < 0x80) {
            bytes.push_back(static_cast<char>(value));
            continue;
        }
        if (value >= 0xD800 && value <= 0xDFFF) {
            if (value <= 0xDBFF && i + 1 < count && units[i + 1] >= 0xDC00 &&
                units[i + 1] <= 0xDFFF) {
                value = 0x10000 + ((value - 0xD800) << 10) + (units[i + 1] - 0xDC00);
                ++i;
            } else {
                value = kReplacement;
            }
        }
        if (value < 0x800) {
            bytes.push_back(static_cast<char>(0xC0 | (value >> 6)));
        } else if (value < 0x10000) {
            bytes.push_back(static_cast<char>(0xE0 | (value >> 12)));
            bytes.push_back(static_cast<char>(0x80 | ((value >> 6) & 0x3F)));
        } else {
            bytes.push_back(static_cast<char>(0xF0 | (value >> 18)));
            bytes.push_back(static_cast<char>(0x80 | ((value >> 12) & 0x3F)));
            bytes.push_back(static_cast<char>(0x80 | ((value >> 6) & 0x3F)));
        }
        bytes.push_back(static_cast<char>(0x80 | (value & 0x3F)));
    }
}

}  // namespace avatrix::utf8

#include "text/Codepage.h"

#include <bit>
#include <cstring>

#include "text/CodePageTables.h"
#include "text/Utf8.h"

namespace avatrix {

namespace {

using codepage::DoubleByteTables;

constexpr char16_t kDefaultUnit = u'?';
constexpr char kDefaultByte = '?';

// Bytes to UTF-16 as the platform converter does it for 936 and 950: a
// valid pair or single byte gives its character; anything else gives one
// "?". A lead byte followed by another byte always takes that byte with it,
// except the end of the input and a NUL, which stay for what follows.
void AppendDecodedDoubleByte(const DoubleByteTables& tables, std::string_view bytes,
                             std::u16string& units) {
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t length = bytes.size();
    std::size_t i = 0;
    while (i < length) {
        const unsigned char byte = data[i];
        if (byte < 0x80) {
            units.push_back(byte);
            ++i;
        } else if (!codepage::IsLeadByte(byte)) {
            const char16_t unit = tables.single[byte];
            units.push_back(unit != 0 ? unit : kDefaultUnit);
            ++i;
        } else if (i + 1 >= length || data[i + 1] == 0) {
            units.push_back(kDefaultUnit);
            ++i;
        } else {
            const char16_t unit = tables.pair[byte << 8 | data[i + 1]];
            units.push_back(unit != 0 ? unit : kDefaultUnit);
            i += 2;
        }
    }
}

// UTF-16 to 936 or 950 with the best-fit mappings. Each unit without a form
// (a surrogate among them) becomes the replacement byte; with a replacement
// of NUL the output ends there instead. Returns false when it ended early.
bool AppendEncodedDoubleByte(const DoubleByteTables& tables, std::u16string_view units,
                             char replacement, std::string& bytes) {
    for (const char16_t unit : units) {
        const std::uint16_t code = tables.encode[unit];
        if (code == 0 && unit != 0) {
            if (replacement == '\0') {
                return false;
            }
            bytes.push_back(replacement);
        } else if (code < 0x100) {
            bytes.push_back(static_cast<char>(code));
        } else {
            bytes.push_back(static_cast<char>(code >> 8));
            bytes.push_back(static_cast<char>(code & 0xFF));
        }
    }
    return true;
}

// Decodes into units; false for a code page the converter does not know.
bool Decode(std::string_view bytes, int codePage, std::u16string& units) {
    units.reserve(units.size() + bytes.size() + 1);
    if (codePage == kCodePageUtf8) {
        utf8::AppendDecoded(bytes, units);
        return true;
    }
    const DoubleByteTables* tables = codepage::TablesFor(codePage);
    if (tables == nullptr) {
        return false;
    }
    AppendDecodedDoubleByte(*tables, bytes, units);
    return true;
}

bool Encode(std::u16string_view units, int codePage, char replacement, std::string& bytes) {
    if (codePage == kCodePageUtf8) {
        bytes.reserve(bytes.size() + units.size() * 3);
        utf8::AppendEncoded(units, bytes);
        return true;
    }
    const DoubleByteTables* tables = codepage::TablesFor(codePage);
    if (tables == nullptr) {
        return false;
    }
    bytes.reserve(bytes.size() + units.size() * 2);
    AppendEncodedDoubleByte(*tables, units, replacement, bytes);
    return true;
}

// The units of a UTF-16LE byte set up to its zero terminator (or its end).
std::u16string UnitsUpToTerminator(const ByteSet& utf16) {
    std::u16string units;
    units.reserve(utf16.size() / 2);
    for (std::size_t i = 0; i + 1 < utf16.size(); i += 2) {
        const auto unit = static_cast<char16_t>(utf16[i] | (utf16[i + 1] << 8));
        if (unit == 0) {
            break;
        }
        units.push_back(unit);
    }
    return units;
}

Text DecodeThenEncode(std::string_view bytes, int from, int to, char replacement) {
    std::u16string units;
    std::string result;
    if (!Decode(bytes, from, units)) {
        return Text();
    }
    if (!Encode(units, to, replacement, result)) {
        return Text();
    }
    return Text(std::move(result));
}

}  // namespace

ByteSet TextToUtf16(const Text& text, int codePage) {
    std::u16string units;
    if (!Decode(text.view(), codePage, units)) {
        return ByteSet();
    }
    units.push_back(u'\0');
    ByteSet bytes(units.size() * 2);
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(bytes.data(), units.data(), bytes.size());
    } else {
        for (std::size_t i = 0; i < units.size(); ++i) {
            bytes[2 * i] = static_cast<std::uint8_t>(units[i] & 0xFF);
            bytes[2 * i + 1] = static_cast<std::uint8_t>(units[i] >> 8);
        }
    }
    return bytes;
}

Text Utf16ToText(const ByteSet& utf16, int codePage) {
    const std::u16string units = UnitsUpToTerminator(utf16);
    std::string bytes;
    if (!Encode(units, codePage, kDefaultByte, bytes)) {
        return Text();
    }
    return Text(std::move(bytes));
}

Text Utf8ToGbk(const Text& utf8) {
    return DecodeThenEncode(utf8.view(), kCodePageUtf8, kCodePageGbk, kDefaultByte);
}

Text Big5ToGbk(const Text& big5) {
    // A character without a GBK form ends the text: the conversion's
    // replacement is NUL.
    return DecodeThenEncode(big5.view(), kCodePageBig5, kCodePageGbk, '\0');
}

Text Big5ToSimplifiedGbk(const Text& big5) {
    return ToSimplifiedChinese(Big5ToGbk(big5));
}

std::string GbkToUtf8(const Text& gbk) {
    return DecodeThenEncode(gbk.view(), kCodePageGbk, kCodePageUtf8, kDefaultByte).bytes();
}

Text Utf8StringToGbk(std::string_view utf8) {
    return DecodeThenEncode(utf8, kCodePageUtf8, kCodePageGbk, kDefaultByte);
}

}  // namespace avatrix

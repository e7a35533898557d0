#include "text/Primitives.h"

#include <locale.h>
#include <algorithm>
#include <bit>
#include <climits>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace avatrix {

namespace {

constexpr unsigned char kLeadByteMin = 0x80;

bool IsLeadByte(unsigned char byte) {
    return byte >= kLeadByteMin;
}

unsigned char FoldAscii(unsigned char byte) {
    return (byte >= 'A' && byte <= 'Z') ? static_cast<unsigned char>(byte + 0x20) : byte;
}

// Whether sought matches text at byte index at; the caller guarantees room.
bool MatchesAt(std::string_view text, std::size_t at, std::string_view sought, bool ignoreCase) {
    if (!ignoreCase) {
        return text.compare(at, sought.size(), sought) == 0;
    }
    for (std::size_t i = 0; i < sought.size(); ++i) {
        if (FoldAscii(static_cast<unsigned char>(text[at + i])) !=
            FoldAscii(static_cast<unsigned char>(sought[i]))) {
            return false;
        }
    }
    return true;
}

// The two space forms: 0x20 and the full-width space 0xA1 0xA1. Returns the
// length of the space at index i, or 0 if there is none.
std::size_t SpaceLengthAt(std::string_view text, std::size_t i) {
    if (text[i] == ' ') {
        return 1;
    }
    if (static_cast<unsigned char>(text[i]) == 0xA1 && i + 1 < text.size() &&
        static_cast<unsigned char>(text[i + 1]) == 0xA1) {
        return 2;
    }
    return 0;
}

// Bytes with the top bit set, eight at a time where possible.
constexpr std::uint64_t kHighBits = 0x8080808080808080ull;

std::uint64_t LoadWord(const unsigned char* p) {
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

// Index of the first byte at or after pos that is (high) or is not (!high)
// 0x80 or more; length if there is none.
template <bool high>
std::size_t ScanFor(const unsigned char* data, std::size_t pos, std::size_t length) {
    while (pos + 8 <= length) {
        std::uint64_t word = LoadWord(data + pos);
        std::uint64_t hits = (high ? word : ~word) & kHighBits;
        if (hits != 0) {
            return pos + static_cast<std::size_t>(std::countr_zero(hits)) / 8;
        }
        pos += 8;
    }
    while (pos < length && IsLeadByte(data[pos]) != high) {
        ++pos;
    }
    return pos;
}

// The first character start at or after target, given that pos (<= target)
// is a character start. A byte of 0x80 or more begins a two-byte character,
// so within a run of such bytes the characters pair up from its first byte,
// and an odd run swallows the byte that follows it.
std::size_t CharacterStartFrom(const unsigned char* data, std::size_t length, std::size_t pos,
                               std::size_t target) {
    while (pos < target) {
        const std::size_t high = ScanFor<true>(data, pos, length);
        if (high >= target) {
            return target;
        }
        const std::size_t low = ScanFor<false>(data, high + 1, length);
        if (target < low) {
            return (target - high) % 2 == 0 ? target : target + 1;
        }
        pos = (low - high) % 2 == 0 ? low : low + 1;
    }
    return pos;
}

// Index of the first match of needle that begins on a character start at or
// after from (itself a character start), or npos. No match is tried on the
// second byte of a double-byte character.
std::size_t FindAtCharacterStart(std::string_view text, std::string_view needle, std::size_t from,
                                 bool ignoreCase) {
    const std::size_t length = text.size();
    if (needle.empty() || needle.size() > length) {
        return std::string_view::npos;
    }
    if (ignoreCase) {
        for (std::size_t at = from; length - at >= needle.size();) {
            if (MatchesAt(text, at, needle, true)) {
                return at;
            }
            if (IsLeadByte(static_cast<unsigned char>(text[at]))) {
                if (at + 1 >= length) {
                    break;
                }
                at += 2;
            } else {
                ++at;
            }
        }
        return std::string_view::npos;
    }
    const auto* data = reinterpret_cast<const unsigned char*>(text.data());
    std::size_t characterStart = from;
    while (characterStart < length) {
        const std::size_t candidate = text.find(needle, characterStart);
        if (candidate == std::string_view::npos) {
            return candidate;
        }
        characterStart = CharacterStartFrom(data, length, characterStart, candidate);
        if (characterStart == candidate) {
            return candidate;
        }
    }
    return std::string_view::npos;
}

}  // namespace

int TextLength(const Text& text) {
    return static_cast<int>(text.size());
}

Text LeftText(const Text& text, int n) {
    if (n <= 0) {
        return Text();
    }
    return Text(text.view().substr(0, static_cast<std::size_t>(n)));
}

Text RightText(const Text& text, int n) {
    if (n <= 0) {
        return Text();
    }
    const std::size_t take = std::min(text.size(), static_cast<std::size_t>(n));
    return Text(text.view().substr(text.size() - take));
}

Text MidText(const Text& text, int start, int count) {
    if (start < 1 || static_cast<std::size_t>(start) > text.size() || count <= 0) {
        return Text();
    }
    return Text(
        text.view().substr(static_cast<std::size_t>(start) - 1, static_cast<std::size_t>(count)));
}

int FindText(const Text& text, const Text& sought, std::optional<int> start, bool ignoreCase) {
    std::size_t from = 0;
    if (start && *start > 1) {
        from = static_cast<std::size_t>(*start) - 1;
    }
    if (from >= text.size()) {
        return -1;
    }
    if (sought.empty()) {
        return 1;
    }
    const std::size_t found = FindAtCharacterStart(text.view(), sought.view(), from, ignoreCase);
    return found == std::string_view::npos ? -1 : static_cast<int>(found) + 1;
}

Text ReplaceSpan(const Text& text, int start, int count, const Text& replacement) {
    const std::string_view source = text.view();
    std::size_t at = start < 1 ? 0 : static_cast<std::size_t>(start) - 1;
    at = std::min(at, source.size());
    std::size_t removed = 0;
    if (count > 0) {
        removed = std::min(static_cast<std::size_t>(count), source.size() - at);
    }
    std::string result;
    result.reserve(source.size() - removed + replacement.size());
    result.append(source.substr(0, at));
    result.append(replacement.view());
    result.append(source.substr(at + removed));
    return Text(std::move(result));
}

Text ReplaceAll(const Text& text, const Text& sought, const Text& replacement,
                std::optional<int> start, std::optional<int> limit, bool caseSensitive) {
    const std::string_view source = text.view();
    const std::string_view needle = sought.view();
    const std::size_t from = (!start || *start < 1) ? 0 : static_cast<std::size_t>(*start) - 1;
    if (source.empty() || needle.empty() || from >= source.size() || (limit && *limit == 0)) {
        return text;
    }
    // A negative limit sets no bound, like an absent one.
    const bool bounded = limit && *limit > 0;
    int remaining = bounded ? *limit : 0;

    std::string result;
    result.reserve(source.size());
    std::size_t copied = 0;
    std::size_t at = from;
    while (true) {
        const std::size_t found = FindAtCharacterStart(source, needle, at, !caseSensitive);
        if (found == std::string_view::npos) {
            break;
        }
        result.append(source.substr(copied, found - copied));
        result.append(replacement.view());
        at = copied = found + needle.size();
        if (bounded && --remaining == 0) {
            break;
        }
    }
    // Whatever the scan did not reach, a lone lead byte at the end included,
    // is kept as it was.
    result.append(source.substr(copied));
    return Text(std::move(result));
}

Text TrimSpaces(const Text& text) {
    const std::string_view source = text.view();
    const std::size_t length = source.size();
    std::size_t begin = 0;
    while (begin < length) {
        const std::size_t space = SpaceLengthAt(source, begin);
        if (space == 0) {
            break;
        }
        begin += space;
    }
    std::size_t end = length;
    std::size_t runStart = length;  // length: not inside a run of spaces
    std::size_t at = begin;
    while (at < length) {
        const std::size_t space = SpaceLengthAt(source, at);
        if (space > 0) {
            if (runStart == length) {
                runStart = at;
            }
            at += space;
            continue;
        }
        if (IsLeadByte(static_cast<unsigned char>(source[at]))) {
            if (at + 1 >= length) {
                // A lone lead byte at the end is dropped; spaces before it
                // still count as trailing.
                end = at;
                break;
            }
            at += 2;
        } else {
            ++at;
        }
        runStart = length;
    }
    if (runStart != length) {
        end = std::min(end, runStart);
    }
    return Text(source.substr(begin, end - begin));
}

Text ToLowerAscii(const Text& text) {
    std::string result = text.bytes();
    for (std::size_t i = 0; i < result.size(); ++i) {
        const unsigned char byte = static_cast<unsigned char>(result[i]);
        if (IsLeadByte(byte)) {
            ++i;  // the trail byte stays as it is, even a letter
        } else if (byte >= 'A' && byte <= 'Z') {
            result[i] = static_cast<char>(byte + 0x20);
        }
    }
    return Text(std::move(result));
}

int CompareText(const Text& a, const Text& b, bool caseSensitive) {
    const std::string_view left = a.view();
    const std::string_view right = b.view();
    std::size_t i = 0;
    std::size_t j = 0;
    // Characters compare as units: a double-byte character by its two bytes,
    // a single byte (folded when case does not matter) by itself.
    while (i < left.size() && j < right.size()) {
        unsigned int x = static_cast<unsigned char>(left[i++]);
        unsigned int y = static_cast<unsigned char>(right[j++]);
        if (IsLeadByte(static_cast<unsigned char>(x))) {
            x = (x << 8) | (i < left.size() ? static_cast<unsigned char>(left[i++]) : 0u);
        } else if (!caseSensitive) {
            x = FoldAscii(static_cast<unsigned char>(x));
        }
        if (IsLeadByte(static_cast<unsigned char>(y))) {
            y = (y << 8) | (j < right.size() ? static_cast<unsigned char>(right[j++]) : 0u);
        } else if (!caseSensitive) {
            y = FoldAscii(static_cast<unsigned char>(y));
        }
        if (x != y) {
            return x < y ? -1 : 1;
        }
    }
    if (i < left.size()) {
        return 1;
    }
    if (j < right.size()) {
        return -1;
    }
    return 0;
}

Text BlankText(int n) {
    if (n < 1) {
        return Text();
    }
    return Text(std::string(static_cast<std::size_t>(n), ' '));
}

Text ToText(const ByteSet& bytes) {
    return Text(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

Text ToText(bool value) {
    // "真" and "假" in GBK.
    return Text(value ? "\xD5\xE6" : "\xBC\xD9");
}

Text ToText(int value) {
    return Text(std::to_string(value));
}

Text ToHalfWidth(const Text& text) {
    const std::string_view source = text.view();
    std::string result;
    result.reserve(source.size());
    for (std::size_t i = 0; i < source.size(); ++i) {
        const unsigned char byte = static_cast<unsigned char>(source[i]);
        if (!IsLeadByte(byte)) {
            result.push_back(static_cast<char>(byte));
            continue;
        }
        if (i + 1 >= source.size()) {
            result.push_back(static_cast<char>(byte));
            break;
        }
        const unsigned char trail = static_cast<unsigned char>(source[i + 1]);
        ++i;
        if (byte == 0xA3 && trail >= 0xA1 && trail <= 0xFE) {
            result.push_back(static_cast<char>(trail & 0x7F));
        } else if (byte == 0xA1 && trail == 0xA1) {
            result.push_back(' ');
        } else if (byte == 0xA1 && trail == 0xAB) {
            result.push_back('~');
        } else if (byte == 0xA1 && (trail == 0xEE || trail == 0xEF)) {
            result.push_back('*');
        } else {
            result.push_back(static_cast<char>(byte));
            result.push_back(static_cast<char>(trail));
        }
    }
    return Text(std::move(result));
}

double ToNumber(const Text& text) {
    const std::string folded = ToHalfWidth(text).bytes();
    const char* p = folded.c_str();
    // The C library's white space, whatever the process locale says.
    while (*p == ' ' || (*p >= '\t' && *p <= '\r')) {
        ++p;
    }
    // Only a plain decimal number is read: no hexadecimal, infinity or NaN
    // forms, and always '.' as the decimal point.
    const char* q = p;
    if (*q == '+' || *q == '-') {
        ++q;
    }
    std::size_t digits = 0;
    while (*q >= '0' && *q <= '9') {
        ++q;
        ++digits;
    }
    if (*q == '.') {
        ++q;
        while (*q >= '0' && *q <= '9') {
            ++q;
            ++digits;
        }
    }
    if (digits == 0) {
        return 0.0;
    }
    if (*q == 'e' || *q == 'E') {
        const char* e = q + 1;
        if (*e == '+' || *e == '-') {
            ++e;
        }
        if (*e >= '0' && *e <= '9') {
            while (*e >= '0' && *e <= '9') {
                ++e;
            }
            q = e;
        }
    }
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    const std::string number(p, q);
    return strtod_l(number.c_str(), nullptr, cLocale);
}

ByteSet ToBytes(const Text& text) {
    return ByteSet(text.bytes().begin(), text.bytes().end());
}

int BytesLength(const ByteSet& bytes) {
    return static_cast<int>(bytes.size());
}

ByteSet BlankBytes(int n) {
    if (n <= 0) {
        return ByteSet();
    }
    return ByteSet(static_cast<std::size_t>(n), 0);
}

ByteSet LeftBytes(const ByteSet& bytes, int n) {
    if (n <= 0) {
        return ByteSet();
    }
    const std::size_t take = std::min(bytes.size(), static_cast<std::size_t>(n));
    return ByteSet(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(take));
}

ByteSet JoinBytes(const ByteSet& a, const ByteSet& b) {
    ByteSet result;
    result.reserve(a.size() + b.size());
    result.insert(result.end(), a.begin(), a.end());
    result.insert(result.end(), b.begin(), b.end());
    return result;
}

int TruncateToInt(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    const double truncated = std::trunc(value);
    if (truncated >= static_cast<double>(INT_MAX)) {
        return INT_MAX;
    }
    if (truncated <= static_cast<double>(INT_MIN)) {
        return INT_MIN;
    }
    return static_cast<int>(truncated);
}

}  // namespace avatrix

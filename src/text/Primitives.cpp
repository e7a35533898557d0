#include "text/Primitives.h"

#include <algorithm>
#include <string>

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

// Whether position at is a character start, given that from (<= at) is one.
// A byte below 0x80 always ends a character (it is a single-byte character
// or a trail byte), so only the run of bytes of 0x80 or more right before at
// matters: they pair up from the run's first byte, and at starts a character
// exactly when the run has even length.
bool IsCharacterStart(const unsigned char* data, std::size_t from, std::size_t at) {
    std::size_t run = at;
    while (run > from && IsLeadByte(data[run - 1])) {
        --run;
    }
    return (at - run) % 2 == 0;
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
    // known is a character start; every candidate lies beyond it, so each
    // byte is looked at by the boundary check at most once.
    std::size_t known = from;
    while (known < length) {
        const std::size_t candidate = text.find(needle, known);
        if (candidate == std::string_view::npos) {
            return candidate;
        }
        if (IsCharacterStart(data, known, candidate)) {
            return candidate;
        }
        // The candidate is the second byte of a character.
        known = candidate + 1;
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

bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && MatchesAt(a, 0, b, true);
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

}  // namespace avatrix

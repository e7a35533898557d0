// Feeds arbitrary bytes to the text primitives and checks that every result
// stays within the bounds its rules give.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "text/Codepage.h"
#include "text/Primitives.h"

namespace {

using avatrix::Text;

// Reports the failed condition's line before stopping, for the crash report.
void CheckAt(bool condition, int line) {
    if (!condition) {
        std::fprintf(stderr, "check failed at line %d\n", line);
        std::abort();
    }
}
#define Check(condition) CheckAt((condition), __LINE__)

bool NulFree(const Text& text) {
    return text.view().find('\0') == std::string_view::npos;
}

int Sign(int value) {
    return (value > 0) - (value < 0);
}

unsigned char Fold(unsigned char byte) {
    return (byte >= 'A' && byte <= 'Z') ? static_cast<unsigned char>(byte + 0x20) : byte;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4) {
        return 0;
    }
    // Four parameter bytes, then text, sought and replacement separated by 0x01.
    const int start = static_cast<signed char>(data[0]);
    const int count = static_cast<signed char>(data[1]);
    const int limit = static_cast<signed char>(data[2]) % 4;
    const bool flag = (data[3] & 1) != 0;
    std::string_view rest(reinterpret_cast<const char*>(data + 4), size - 4);
    std::string_view parts[3];
    for (auto& part : parts) {
        const std::size_t cut = rest.find('\x01');
        part = rest.substr(0, cut);
        rest = cut == std::string_view::npos ? std::string_view() : rest.substr(cut + 1);
    }
    const Text text(parts[0]);
    const Text sought(parts[1]);
    const Text replacement(parts[2]);
    const int length = avatrix::TextLength(text);
    Check(length == static_cast<int>(text.size()));

    Check(avatrix::LeftText(text, count).size() <= static_cast<std::size_t>(std::max(count, 0)));
    Check(text.view().ends_with(avatrix::RightText(text, count).view()));
    const Text middle = avatrix::MidText(text, start, count);
    Check(middle.empty() ||
          text.view().substr(static_cast<std::size_t>(start) - 1).starts_with(middle.view()));

    const int found = avatrix::FindText(text, sought, start, flag);
    Check(found == -1 || (found >= 1 && found <= length));
    if (found > 0 && !sought.empty()) {
        Check(found >= start);
        Check(static_cast<std::size_t>(found - 1) + sought.size() <= text.size());
        for (std::size_t i = 0; i < sought.size(); ++i) {
            const unsigned char a = text.at(static_cast<std::size_t>(found - 1) + i);
            const unsigned char b = sought.at(i);
            Check(flag ? Fold(a) == Fold(b) : a == b);
        }
    }

    Check(avatrix::ReplaceAll(text, Text(), replacement, start, limit, flag) == text);
    Check(avatrix::ReplaceAll(text, sought, replacement, start, 0, flag) == text);
    const Text replaced = avatrix::ReplaceAll(text, sought, replacement, start, limit, flag);
    Check(NulFree(replaced));
    if (flag && replacement == sought) {
        Check(replaced == text);
    }
    const Text spliced = avatrix::ReplaceSpan(text, start, count, replacement);
    Check(spliced.size() <= text.size() + replacement.size());
    Check(spliced.size() + static_cast<std::size_t>(std::max(count, 0)) >=
          text.size() + replacement.size());

    const Text trimmed = avatrix::TrimSpaces(text);
    Check(text.view().find(trimmed.view()) != std::string_view::npos);
    Check(avatrix::ToLowerAscii(text).size() == text.size());
    Check(avatrix::ToHalfWidth(text).size() <= text.size());
    Check(avatrix::ToSimplifiedChinese(text).size() == text.size());
    avatrix::TruncateToInt(avatrix::ToNumber(text));

    Check(avatrix::CompareText(text, text, flag) == 0);
    Check(Sign(avatrix::CompareText(text, sought, flag)) ==
          -Sign(avatrix::CompareText(sought, text, flag)));
    if (flag) {
        Check(avatrix::CompareText(avatrix::ToLowerAscii(text), text, false) == 0);
    }
    return 0;
}

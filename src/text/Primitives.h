#pragma once

#include <optional>
#include <string_view>

#include "text/Text.h"

// The text and byte-set primitives every parser of the program is built on.
// Positions are 1-based byte positions, -1 means not found, and double-byte
// GBK characters are stepped over as a unit where a rule says so.
namespace avatrix {

int TextLength(const Text& text);
Text LeftText(const Text& text, int n);
Text RightText(const Text& text, int n);
Text MidText(const Text& text, int start, int count);

// An absent start counts as 1; a start below 1 counts as 1.
int FindText(const Text& text, const Text& sought, std::optional<int> start = std::nullopt,
             bool ignoreCase = false);

Text ReplaceSpan(const Text& text, int start, int count, const Text& replacement = Text());

// An absent limit replaces every occurrence.
Text ReplaceAll(const Text& text, const Text& sought, const Text& replacement = Text(),
                std::optional<int> start = std::nullopt, std::optional<int> limit = std::nullopt,
                bool caseSensitive = true);

Text TrimSpaces(const Text& text);
Text ToLowerAscii(const Text& text);
int CompareText(const Text& a, const Text& b, bool caseSensitive);
// Byte by byte, ASCII letters without case: for protocol words such as header
// names, schemes and host names, which are ASCII by definition.
bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b);
Text BlankText(int n);

Text ToText(const ByteSet& bytes);
Text ToText(bool value);
Text ToText(int value);

// Full-width forms folded to half-width, then read as atof reads.
double ToNumber(const Text& text);
ByteSet ToBytes(const Text& text);

int BytesLength(const ByteSet& bytes);
ByteSet BlankBytes(int n);
ByteSet LeftBytes(const ByteSet& bytes, int n);
ByteSet JoinBytes(const ByteSet& a, const ByteSet& b);

// The full-width to half-width folding that number reading applies first.
Text ToHalfWidth(const Text& text);

// Real to integer by truncation toward zero, clamped to the int range (NaN gives 0).
int TruncateToInt(double value);

}  // namespace avatrix

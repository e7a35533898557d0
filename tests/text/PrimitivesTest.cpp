#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <random>

#include "text/Literal.h"
#include "text/Primitives.h"

namespace avatrix {
namespace {

Text T(const char* bytes) {
    return Text(bytes);
}

TEST(TextSlices, LeftRightAndMidClipAndCountBytes) {
    const Text text = T("abcdef");
    EXPECT_EQ(TextLength("你好a"_gbk), 5);
    EXPECT_EQ(LeftText(text, 2), T("ab"));
    EXPECT_EQ(LeftText(text, 99), text);
    EXPECT_EQ(LeftText(text, 0), Text());
    EXPECT_EQ(LeftText(text, -3), Text());
    EXPECT_EQ(RightText(text, 2), T("ef"));
    EXPECT_EQ(RightText(text, 99), text);
    EXPECT_EQ(RightText(text, -1), Text());
    EXPECT_EQ(MidText(text, 2, 3), T("bcd"));
    EXPECT_EQ(MidText(text, 7, 1), Text());
    EXPECT_EQ(MidText(text, 5, 9), T("ef"));
    EXPECT_EQ(MidText(text, 0, 2), Text());
    EXPECT_EQ(MidText(text, 1, 0), Text());
    // Byte-based: a double-byte character may be cut.
    EXPECT_EQ(LeftText("你好"_gbk, 3), T("\xC4\xE3\xBA"));
    EXPECT_EQ(MidText("你好"_gbk, 2, 2), T("\xE3\xBA"));
}

TEST(FindText, PositionsAreOneBasedAndMinusOneForNotFound) {
    EXPECT_EQ(FindText(T("abc"), T("c")), 3);
    EXPECT_EQ(FindText(T("abc"), T("d")), -1);
    EXPECT_EQ(FindText(T("abc"), T(""), 3), 1);
    EXPECT_EQ(FindText(T("abc"), T("a"), 4), -1);
    EXPECT_EQ(FindText(T("abc"), T(""), 4), -1);
    EXPECT_EQ(FindText(Text(), Text()), -1);
    EXPECT_EQ(FindText(T("abcabc"), T("bc"), 3), 5);
    EXPECT_EQ(FindText(T("abcabc"), T("bc"), -7), 2);
    EXPECT_EQ(FindText(T("ab"), T("abc")), -1);
}

TEST(FindText, NeverMatchesOnTheSecondByteOfADoubleByteCharacter) {
    EXPECT_EQ(FindText(T("\xB0"
                         "aa"),
                       T("a")),
              3);
    // The trail byte of 你 (C4 E3) followed by 好 (BA C3) holds "\xE3\xBA",
    // which must not be found.
    EXPECT_EQ(FindText("你好"_gbk, T("\xE3\xBA")), -1);
    EXPECT_EQ(FindText("你好你"_gbk, "你"_gbk, 3), 5);
    // A start on a trail byte makes the walk pair the following bytes
    // differently: E3 BA, C3 C4, then a lone E3.
    EXPECT_EQ(FindText("你好你"_gbk, "你"_gbk, 2), -1);
    // A start on a trail byte makes that byte a character start.
    EXPECT_EQ(FindText(T("\xB0"
                         "aa"),
                       T("a"), 2),
              2);
    // A run of lead-range bytes pairs up from its first byte.
    EXPECT_EQ(FindText(T("\xC1\xC2\xC3"
                         "AB"),
                       T("AB")),
              -1);
    EXPECT_EQ(FindText(T("\xC1\xC2\xC3"
                         "AB"),
                       T("B")),
              5);
    EXPECT_EQ(FindText(T("\xC1\xC2\xC3\xC4"
                         "AB"),
                       T("AB")),
              5);
}

TEST(FindText, ALeadByteAtTheEndEndsTheSearch) {
    EXPECT_EQ(FindText(T("ab\xB0"), T("\xB0")), 3);
    EXPECT_EQ(FindText(T("ab\xB0"), T("x")), -1);
    EXPECT_EQ(FindText(T("a\xB0"
                         "b\xB0"),
                       T("b")),
              -1);
}

TEST(FindText, IgnoreCaseFoldsAsciiLettersOnly) {
    const Text header = T("HTTP/1.1 200 OK\r\nuser-agent: x\r\n");
    EXPECT_EQ(FindText(header, T("User-Agent:")), -1);
    EXPECT_EQ(FindText(header, T("User-Agent:"), std::nullopt, true), 18);
    // Bytes of 0x80 and above are never folded (0xC1 and 0xE1 differ by 0x20),
    // while an ASCII letter folds wherever it stands, as the byte-wise
    // comparison has it.
    EXPECT_EQ(FindText(T("\xE1\xB0"), T("\xC1\xB0"), std::nullopt, true), -1);
    EXPECT_EQ(FindText(T("\xC1z"), T("\xC1Z"), std::nullopt, true), 1);
    EXPECT_EQ(FindText(T("x\xB0"
                         "aA"),
                       T("a"), std::nullopt, true),
              4);
}

// The scan as the rules describe it, one character at a time: the fast
// search must agree with it on any text.
int StepwiseFind(const std::string& text, const std::string& sought, int start) {
    std::size_t at = start > 1 ? static_cast<std::size_t>(start) - 1 : 0;
    if (at >= text.size()) {
        return -1;
    }
    if (sought.empty()) {
        return 1;
    }
    while (text.size() - at >= sought.size()) {
        if (text.compare(at, sought.size(), sought) == 0) {
            return static_cast<int>(at) + 1;
        }
        if (static_cast<unsigned char>(text[at]) >= 0x80) {
            if (at + 1 >= text.size()) {
                break;
            }
            at += 2;
        } else {
            ++at;
        }
    }
    return -1;
}

std::string RandomGbkish(std::mt19937& random, std::size_t length) {
    // Few distinct bytes, so that matches and near-matches are common.
    const unsigned char pool[] = {'a', 'b', 'A', ' ', 0xA1, 0xB0, 0xC4, 0x61, 0xE3};
    std::string text(length, 'a');
    for (char& byte : text) {
        byte = static_cast<char>(pool[random() % sizeof pool]);
    }
    return text;
}

TEST(FindText, AgreesWithTheStepwiseScanOnRandomTexts) {
    std::mt19937 random(42);
    for (int round = 0; round < 50000; ++round) {
        const std::string text = RandomGbkish(random, random() % 40);
        const std::string sought = RandomGbkish(random, random() % 4);
        const int start = static_cast<int>(random() % 45) - 2;
        ASSERT_EQ(FindText(Text(text), Text(sought), start), StepwiseFind(text, sought, start))
            << round;
    }
}

TEST(ReplaceSpan, RemovesThenInserts) {
    EXPECT_EQ(ReplaceSpan(T("Set-Cookie: a=b"), 1, 12), T("a=b"));
    EXPECT_EQ(ReplaceSpan(T("abcdef"), 3, 2, T("XY")), T("abXYef"));
    EXPECT_EQ(ReplaceSpan(T("abc"), -5, 1, T("X")), T("Xbc"));
    EXPECT_EQ(ReplaceSpan(T("abc"), 10, 1, T("X")), T("abcX"));
    EXPECT_EQ(ReplaceSpan(T("abc"), 2, 0, T("X")), T("aXbc"));
    EXPECT_EQ(ReplaceSpan(T("abc"), 2, -4), T("abc"));
    EXPECT_EQ(ReplaceSpan(T("abc"), 2, 99), T("a"));
}

TEST(ReplaceAll, ReplacesEveryOccurrenceOrUpToTheLimit) {
    EXPECT_EQ(ReplaceAll(T("a</p><p>b</P><P>c</p><p>"), T("</p><p>"), T("\r\n")),
              T("a\r\nb</P><P>c\r\n"));
    EXPECT_EQ(ReplaceAll(T("x-x-x"), T("-"), T("+"), std::nullopt, 1), T("x+x-x"));
    EXPECT_EQ(ReplaceAll(T("x-x-x"), T("-"), T("+"), std::nullopt, 2), T("x+x+x"));
    EXPECT_EQ(ReplaceAll(T("x-x-x"), T("-"), T("+"), std::nullopt, -1), T("x+x+x"));
    EXPECT_EQ(ReplaceAll(T("aaa"), T("aa"), T("b")), T("ba"));
    EXPECT_EQ(ReplaceAll(T("x-x-x"), T("-")), T("xxx"));
}

TEST(ReplaceAll, CopiesUnchangedInTheDegenerateCases) {
    EXPECT_EQ(ReplaceAll(T("abc"), Text(), T("X")), T("abc"));
    EXPECT_EQ(ReplaceAll(Text(), T("a"), T("X")), Text());
    EXPECT_EQ(ReplaceAll(T("abc"), T("a"), T("X"), 4), T("abc"));
    EXPECT_EQ(ReplaceAll(T("abc"), T("a"), T("X"), std::nullopt, 0), T("abc"));
}

TEST(ReplaceAll, StartAndCaseAndCharacterBoundaries) {
    EXPECT_EQ(ReplaceAll(T("a-a-a"), T("a"), T("b"), 2), T("a-b-b"));
    EXPECT_EQ(ReplaceAll(T("a-a-a"), T("a"), T("b"), -3), T("b-b-b"));
    EXPECT_EQ(ReplaceAll(T("aAa"), T("a"), T("b"), std::nullopt, std::nullopt, false), T("bbb"));
    EXPECT_EQ(ReplaceAll(T("aAa"), T("a"), T("b"), std::nullopt, std::nullopt, true), T("bAb"));
    // The a inside the double-byte character B0 61 is not replaced.
    EXPECT_EQ(ReplaceAll(T("\xB0"
                           "aa"),
                         T("a"), T("b")),
              T("\xB0"
                "ab"));
    EXPECT_EQ(ReplaceAll("你好"_gbk, T("\xE3\xBA"), T("!")), "你好"_gbk);
    // A lone lead byte at the end is kept.
    EXPECT_EQ(ReplaceAll(T("a-\xB0"), T("-"), T("+")), T("a+\xB0"));
    EXPECT_EQ(ReplaceAll(T("ab\xB0"), T("x"), T("y")), T("ab\xB0"));
}

// ReplaceAll as the rules describe it, one character at a time.
std::string StepwiseReplaceAll(const std::string& text, const std::string& sought,
                               const std::string& replacement, int start, int limit) {
    const std::size_t from = start > 1 ? static_cast<std::size_t>(start) - 1 : 0;
    if (text.empty() || sought.empty() || from >= text.size() || limit == 0) {
        return text;
    }
    std::string result = text.substr(0, from);
    std::size_t at = from;
    int made = 0;
    while (text.size() - at >= sought.size()) {
        if (text.compare(at, sought.size(), sought) == 0) {
            result += replacement;
            at += sought.size();
            if (++made == limit) {
                break;
            }
        } else if (static_cast<unsigned char>(text[at]) >= 0x80) {
            if (at + 1 >= text.size()) {
                break;
            }
            result += text.substr(at, 2);
            at += 2;
        } else {
            result += text[at++];
        }
    }
    return result + text.substr(at);
}

TEST(ReplaceAll, AgreesWithTheStepwiseScanOnRandomTexts) {
    std::mt19937 random(7);
    for (int round = 0; round < 50000; ++round) {
        const std::string text = RandomGbkish(random, random() % 40);
        const std::string sought = RandomGbkish(random, random() % 4);
        const std::string replacement = RandomGbkish(random, random() % 3);
        const int start = static_cast<int>(random() % 45) - 2;
        const int limit = static_cast<int>(random() % 5) - 1;  // -1: no bound
        ASSERT_EQ(ReplaceAll(Text(text), Text(sought), Text(replacement), start, limit).bytes(),
                  StepwiseReplaceAll(text, sought, replacement, start, limit))
            << round;
    }
}

TEST(TrimSpaces, RemovesOnlyAsciiAndFullWidthSpaces) {
    EXPECT_EQ(TrimSpaces(T("\xA1\xA1"
                           "ab\t ")),
              T("ab\t"));
    EXPECT_EQ(TrimSpaces(T("  a b  ")), T("a b"));
    EXPECT_EQ(TrimSpaces(T(" \xA1\xA1 a\xA1\xA1 \xA1\xA1")), T("a"));
    EXPECT_EQ(TrimSpaces(T("\r\n a \n")), T("\r\n a \n"));
    EXPECT_EQ(TrimSpaces(T("   ")), Text());
    EXPECT_EQ(TrimSpaces(T("\xA1\xA1\xA1\xA1")), Text());
    EXPECT_EQ(TrimSpaces(Text()), Text());
}

TEST(TrimSpaces, StepsOverDoubleByteCharacters) {
    // B0 A1 then A1 41: the middle A1 A1 bytes are not a full-width space.
    EXPECT_EQ(TrimSpaces(T("\xB0\xA1\xA1"
                           "A")),
              T("\xB0\xA1\xA1"
                "A"));
    // A trailing B0 20 is one character, not a letter and a space.
    EXPECT_EQ(TrimSpaces(T("a\xB0 ")), T("a\xB0 "));
    // A lone A1 at the end is no full-width space; it is dropped.
    EXPECT_EQ(TrimSpaces(T("ab\xA1")), T("ab"));
    EXPECT_EQ(TrimSpaces(T("ab  \xB0")), T("ab"));
    EXPECT_EQ(TrimSpaces(T("\xA1")), Text());
}

TEST(ToLowerAscii, LowersLettersButNotTrailBytes) {
    EXPECT_EQ(ToLowerAscii(T("Content-TYPE: X")), T("content-type: x"));
    // 0xB0 'A' is one character: its 'A' stays upper case.
    EXPECT_EQ(ToLowerAscii(T("\xB0"
                             "AB")),
              T("\xB0"
                "Ab"));
    EXPECT_EQ(ToLowerAscii(T("A\xB0")), T("a\xB0"));
}

TEST(CompareText, ZeroOnlyForEqualTexts) {
    EXPECT_EQ(CompareText(T("abc"), T("abc"), true), 0);
    EXPECT_NE(CompareText(T("abc"), T("ABC"), true), 0);
    EXPECT_EQ(CompareText(T("abc"), T("ABC"), false), 0);
    EXPECT_LT(CompareText(T("ab"), T("abc"), true), 0);
    EXPECT_GT(CompareText(T("abd"), T("abc"), false), 0);
    EXPECT_EQ(CompareText(Text(), Text(), false), 0);
    // Case folding never applies to the trail byte of a double-byte character.
    EXPECT_NE(CompareText(T("\xB0"
                            "A"),
                          T("\xB0"
                            "a"),
                          false),
              0);
    EXPECT_EQ(CompareText("你好"_gbk, "你好"_gbk, false), 0);
    // Double-byte characters sort after ASCII.
    EXPECT_GT(CompareText("你"_gbk, T("z"), true), 0);
    EXPECT_TRUE(T("ab") == T("ab"));
    EXPECT_TRUE(Text() == T(""));
}

TEST(ValueToText, BytesBooleansAndIntegers) {
    EXPECT_EQ(ToText(ByteSet{'a', 'b', 0, 'c', 'd'}), T("ab"));
    EXPECT_EQ(ToText(ByteSet()), Text());
    EXPECT_EQ(ToText(true), "真"_gbk);
    EXPECT_EQ(ToText(false), "假"_gbk);
    EXPECT_EQ(ToText(0), T("0"));
    EXPECT_EQ(ToText(123), T("123"));
    EXPECT_EQ(ToText(-45), T("-45"));
    EXPECT_EQ(ToText(INT_MIN), T("-2147483648"));
    EXPECT_EQ(BlankText(3), T("   "));
    EXPECT_EQ(BlankText(0), Text());
    EXPECT_EQ(BlankText(-1), Text());
}

TEST(ToHalfWidth, FoldsTheListedFullWidthForms) {
    // Full-width "１２Ａ！～" (A3B1 A3B2 A3C1 A3A1 A3FE), the full-width space,
    // the wave dash A1AB and the two stars A1EE A1EF.
    EXPECT_EQ(ToHalfWidth(T("\xA3\xB1\xA3\xB2\xA3\xC1\xA3\xA1\xA3\xFE")), T("12A!~"));
    EXPECT_EQ(ToHalfWidth(T("\xA1\xA1\xA1\xAB\xA1\xEE\xA1\xEF")), T(" ~**"));
    // Everything else stays: other A1/A3 characters, 你, and a trail byte
    // that happens to look like A3.
    EXPECT_EQ(ToHalfWidth(T("\xA1\xA2\xA3\xA0")), T("\xA1\xA2\xA3\xA0"));
    EXPECT_EQ(ToHalfWidth(T("\xB0\xA3\xB1")), T("\xB0\xA3\xB1"));
    EXPECT_EQ(ToHalfWidth(T("x\xA3")), T("x\xA3"));
}

TEST(ToNumber, ReadsTheLongestDecimalPrefixAfterFolding) {
    EXPECT_DOUBLE_EQ(ToNumber(T("\xA3\xB1\xA3\xAE\xA3\xB3")), 1.3);  // full-width 1.3
    EXPECT_DOUBLE_EQ(ToNumber(T("abc")), 0.0);
    EXPECT_DOUBLE_EQ(ToNumber(T("12abc")), 12.0);
    EXPECT_DOUBLE_EQ(ToNumber(T(" \t\n-2.5e2x")), -250.0);
    EXPECT_DOUBLE_EQ(ToNumber(T("\xA1\xA1 +7")), 7.0);  // a full-width space is blank
    EXPECT_DOUBLE_EQ(ToNumber(T(".5")), 0.5);
    EXPECT_DOUBLE_EQ(ToNumber(T("5.")), 5.0);
    EXPECT_DOUBLE_EQ(ToNumber(T("3e")), 3.0);
    EXPECT_DOUBLE_EQ(ToNumber(T("3e+")), 3.0);
    EXPECT_DOUBLE_EQ(ToNumber(T("-.")), 0.0);
    EXPECT_DOUBLE_EQ(ToNumber(T("1,5")), 1.0);
    // Only decimal numbers: no hexadecimal, infinity or NaN spellings.
    EXPECT_DOUBLE_EQ(ToNumber(T("0x1A")), 0.0);
    EXPECT_DOUBLE_EQ(ToNumber(T("inf")), 0.0);
    EXPECT_DOUBLE_EQ(ToNumber(T("nan")), 0.0);
    EXPECT_TRUE(std::isinf(ToNumber(T("1e999"))));
}

TEST(TruncateToInt, DropsTheFractionTowardZeroAndClamps) {
    EXPECT_EQ(TruncateToInt(2.9), 2);
    EXPECT_EQ(TruncateToInt(-2.9), -2);
    EXPECT_EQ(TruncateToInt(-0.5), 0);
    EXPECT_EQ(TruncateToInt(1e20), INT_MAX);
    EXPECT_EQ(TruncateToInt(-1e20), INT_MIN);
    EXPECT_EQ(TruncateToInt(std::nan("")), 0);
    EXPECT_EQ(TruncateToInt(2147483647.9), INT_MAX);
}

TEST(ByteSets, LengthBlankLeftAndJoin) {
    const ByteSet bytes{1, 0, 2, 3};
    EXPECT_EQ(BytesLength(bytes), 4);
    EXPECT_EQ(BytesLength(ByteSet()), 0);
    EXPECT_EQ(BlankBytes(3), (ByteSet{0, 0, 0}));
    EXPECT_TRUE(BlankBytes(-2).empty());
    EXPECT_EQ(LeftBytes(bytes, 2), (ByteSet{1, 0}));
    EXPECT_EQ(LeftBytes(bytes, 9), bytes);
    EXPECT_TRUE(LeftBytes(bytes, -1).empty());
    EXPECT_EQ(JoinBytes(bytes, ByteSet{9}), (ByteSet{1, 0, 2, 3, 9}));
    EXPECT_EQ(ToBytes(T("a\xB0")), (ByteSet{'a', 0xB0}));
    EXPECT_EQ(T("a") + T("b") + "你"_gbk, T("ab\xC4\xE3"));
}

TEST(Literal, BecomesGbk) {
    EXPECT_EQ("你好"_gbk, T("\xC4\xE3\xBA\xC3"));
    EXPECT_EQ("信息："_gbk, T("\xD0\xC5\xCF\xA2\xA3\xBA"));
    EXPECT_EQ(""_gbk, Text());
}

}  // namespace
}  // namespace avatrix

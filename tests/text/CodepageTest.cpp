#include <gtest/gtest.h>
#include <unicode/ucnv.h>

#include <random>
#include <string>

#include "Utf16Bytes.h"
#include "text/Codepage.h"
#include "text/Literal.h"

namespace avatrix {
namespace {

Text T(const char* bytes) {
    return Text(bytes);
}

std::u16string UnitsOf(const ByteSet& bytes) {
    std::u16string units;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        units.push_back(static_cast<char16_t>(bytes[i] | bytes[i + 1] << 8));
    }
    return units;
}

TEST(DoubleByteDecoding, InvalidBytesFollowThePlatformRules) {
    // A lone lead byte at the end gives "?".
    EXPECT_EQ(TextToUtf16(T("a\xC4"), 936), Utf16Of(u"a?"));
    // A lead byte with an invalid second byte takes it along: one "?", and
    // the ASCII byte is gone.
    EXPECT_EQ(TextToUtf16(T("\xA1\x30z"), 950), Utf16Of(u"?z"));
    EXPECT_EQ(TextToUtf16(T("\xA2\x30z"), 936), Utf16Of(u"?z"));
    // 0x80 and 0xFF are characters of their own, not lead bytes.
    EXPECT_EQ(TextToUtf16(T("\x80"
                            "A\xFF"),
                          936),
              Utf16Of(u"\u20ACA\uF8F5"));
    EXPECT_EQ(TextToUtf16(T("\x80"
                            "A\xFF"),
                          950),
              Utf16Of(u"\u0080A\uF8F8"));
}

TEST(DoubleByteDecoding, UserDefinedAreasMapToPrivateUse) {
    EXPECT_EQ(TextToUtf16(T("\xAA\xA1\xF8\xA1\xA1\x40"), 936), Utf16Of(u"\uE000\uE234\uE4C6"));
    EXPECT_EQ(TextToUtf16(T("\xFA\x40\x81\x40\xC6\xA1"), 950), Utf16Of(u"\uE000\uEEB8\uF6B1"));
}

TEST(Utf16Conversion, ResultCarriesTheTerminatorAndStopsAtIt) {
    EXPECT_EQ(TextToUtf16(Text()), Utf16Of(u""));
    EXPECT_EQ(TextToUtf16(T("\xE4\xBD\xA0")), Utf16Of(u"你"));
    // Only the units before the first zero unit are converted.
    ByteSet withTail = Utf16Of(u"ab");
    withTail.push_back('c');
    withTail.push_back(0);
    EXPECT_EQ(Utf16ToText(withTail, 936), T("ab"));
    // A byte set without a terminator, even of odd length, is converted whole.
    EXPECT_EQ(Utf16ToText(ByteSet{'h', 0, 'i', 0, 'x'}, 65001), T("hi"));
    EXPECT_EQ(Utf16ToText(ByteSet()), Text());
}

TEST(Utf16Conversion, UnknownCodePageIsRefused) {
    EXPECT_TRUE(TextToUtf16(T("abc"), 12345).empty());
    EXPECT_EQ(Utf16ToText(Utf16Of(u"abc"), 12345), Text());
}

TEST(Utf16Conversion, UnmappableUnitsBecomeOneQuestionMarkEach) {
    // A surrogate pair is two units, each without a GBK form.
    EXPECT_EQ(Utf16ToText(Utf16Of(u"a\U0001F600b"), 936), T("a??b"));
    EXPECT_EQ(Utf16ToText(Utf16Of(u"\uAC00"), 936), T("?"));         // Hangul
    EXPECT_EQ(Utf16ToText(Utf16Of(u"\u00E2\u00B2"), 936), T("a2"));  // best fit
    EXPECT_EQ(Utf16ToText(Utf16Of(u"\u20AC"), 936), T("\x80"));
}

TEST(Utf8Decoding, WellFormedInputIncludingSupplementaryCharacters) {
    EXPECT_EQ(UnitsOf(TextToUtf16(T("A\xC3\xA9\xE4\xBD\xA0\xF0\x9F\x98\x80"))),
              std::u16string(u"A\u00E9\u4F60\U0001F600") + u'\0');
}

TEST(Utf8Decoding, EachIllFormedSequenceBecomesOneReplacement) {
    struct Case {
        const char* bytes;
        std::u16string units;
    };
    const Case cases[] = {
        {"\x80", u"\uFFFD"},                                // stray continuation
        {"\xBF\x80", u"\uFFFD\uFFFD"},                      // two strays
        {"\xC0\x80", u"\uFFFD\uFFFD"},                      // overlong: C0 never leads
        {"\xE0\x80\x80", u"\uFFFD\uFFFD\uFFFD"},            // overlong three-byte form
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},            // encoded surrogate
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // beyond U+10FFFF
        {"\xF5\x80", u"\uFFFD\uFFFD"},
        {"\xE4\xBD", u"\uFFFD"},    // truncated at the end
        {"\xE4\xBDz", u"\uFFFDz"},  // truncated before ASCII
        {"\xF0\x9F\x98z", u"\uFFFDz"},
        {"\xE4\xE4\xBD\xA0", u"\uFFFD\u4F60"},  // cut short by a new lead
        {"\xFF\xFE", u"\uFFFD\uFFFD"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(UnitsOf(TextToUtf16(T(c.bytes))), c.units + u'\0') << c.bytes;
    }
}

// ICU's UTF-8 decoder substitutes per maximal ill-formed subsequence too, so
// it serves as a reference over arbitrary bytes.
TEST(Utf8Decoding, AgreesWithTheReferenceOnRandomBytes) {
    UErrorCode status = U_ZERO_ERROR;
    UConverter* reference = ucnv_open("UTF-8", &status);
    ASSERT_TRUE(U_SUCCESS(status));
    std::mt19937 random(20261208);
    // Bytes drawn mostly from the interesting edges of the lead ranges.
    const unsigned char pool[] = {'a',  0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0,
                                  0xC1, 0xC2, 0xDF, 0xE0, 0xE1, 0xEC, 0xED, 0xEE, 0xEF,
                                  0xF0, 0xF1, 0xF3, 0xF4, 0xF5, 0xFE, 0xFF};
    for (int round = 0; round < 20000; ++round) {
        std::string bytes(random() % 12 + 1, 'a');
        for (char& byte : bytes) {
            byte = static_cast<char>(pool[random() % sizeof pool]);
        }
        UChar expected[64];
        status = U_ZERO_ERROR;
        ucnv_resetToUnicode(reference);
        const int32_t count = ucnv_toUChars(reference, expected, 64, bytes.data(),
                                            static_cast<int32_t>(bytes.size()), &status);
        ASSERT_TRUE(U_SUCCESS(status));
        const std::u16string want =
            std::u16string(reinterpret_cast<const char16_t*>(expected), count) + u'\0';
        ASSERT_EQ(UnitsOf(TextToUtf16(Text(bytes))), want) << round;
    }
    ucnv_close(reference);
}

TEST(Utf8Encoding, SurrogatesPairUpOrBecomeTheReplacementCharacter) {
    EXPECT_EQ(Utf16ToText(Utf16Of(u"\U0001F600"), 65001), T("\xF0\x9F\x98\x80"));
    const std::u16string lone = {u'a', static_cast<char16_t>(0xD800), u'b',
                                 static_cast<char16_t>(0xDC00)};
    EXPECT_EQ(Utf16ToText(Utf16Of(lone), 65001), T("a\xEF\xBF\xBD"
                                                   "b\xEF\xBF\xBD"));
    EXPECT_EQ(Utf16ToText(Utf16Of(u"\u07FF\u0800\uFFFF"), 65001),
              T("\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF"));
}

TEST(Utf8ToGbk, ConvertsThroughUtf16) {
    EXPECT_EQ(Utf8ToGbk(T("\xE4\xBD\xA0\xE5\xA5\xBD")), T("\xC4\xE3\xBA\xC3"));
    EXPECT_EQ(Utf8ToGbk(Text()), Text());
    EXPECT_EQ(Utf8ToGbk(T("<b>\xE4\xBD\xA0</b>\xF0\x9F\x98\x80\xC3")), T("<b>\xC4\xE3</b>???"));
}

TEST(Big5ToGbk, ConvertsAndEndsAtTheFirstCharacterWithoutAGbkForm) {
    // 國語 in Big5 becomes the same traditional characters in GBK.
    EXPECT_EQ(Big5ToGbk(T("\xB0\xEA\xBB\x79")), T("\x87\xF8\xD5\x5A"));
    // U+2027 (Big5 A1 45) has no GBK form: the text ends before it.
    EXPECT_EQ(Big5ToGbk(T("ab\xB0\xEA\xA1\x45"
                          "cd")),
              T("ab\x87\xF8"));
    // Invalid Big5 becomes "?", which GBK has.
    EXPECT_EQ(Big5ToGbk(T("a\xA1\x30"
                          "b\xC4")),
              T("a?b?"));
    EXPECT_EQ(Big5ToGbk(Text()), Text());
}

TEST(ToSimplifiedChinese, ReplacesTraditionalCharactersKeepingTheLength) {
    // 國語臺灣 -> 国语台湾; ASCII and simplified characters stay.
    EXPECT_EQ(ToSimplifiedChinese(T("x\x87\xF8\xD5\x5A\xC5\x5F\x9E\xB3y\xB9\xFA")),
              T("x\xB9\xFA\xD3\xEF\xCC\xA8\xCD\xE5y\xB9\xFA"));
    // A trail byte that looks like a lead byte of a mapped character is
    // not taken as one: the walk goes by characters.
    EXPECT_EQ(ToSimplifiedChinese(T("\xC4\x87\xF8")), T("\xC4\x87\xF8"));
    // The euro sign 0x80 is a one-byte character, so 國 after it is still
    // found; Big5's euro sign converts to it.
    EXPECT_EQ(ToSimplifiedChinese(T("\x80\x87\xF8")), T("\x80\xB9\xFA"));
    EXPECT_EQ(Big5ToSimplifiedGbk(T("\xA3\xE1\xB0\xEA")), T("\x80\xB9\xFA"));
    // A lone lead byte at the end is left alone.
    EXPECT_EQ(ToSimplifiedChinese(T("a\x87")), T("a\x87"));
    EXPECT_EQ(ToSimplifiedChinese(Text()), Text());
    // A compatibility ideograph maps to its canonical form: U+F9E7 -> U+88CF.
    EXPECT_EQ(ToSimplifiedChinese(Utf8ToGbk(T("\xEF\xA7\xA7"))), Utf8ToGbk(T("\xE8\xA3\x8F")));
}

TEST(Big5ToSimplifiedGbk, GivesSimplifiedCharactersInGbk) {
    EXPECT_EQ(Big5ToSimplifiedGbk(T("\xB0\xEA\xBB\x79\xBB\x4F\xC6\x57")), "国语台湾"_gbk);
    EXPECT_EQ(Big5ToSimplifiedGbk(Text()), Text());
}

TEST(PlatformBoundary, GbkAndUtf8RoundTrip) {
    EXPECT_EQ(GbkToUtf8("请输入文字 OK"_gbk), "请输入文字 OK");
    EXPECT_EQ(Utf8StringToGbk("\xE4\xBD\xA0\xEA\xB0\x80"), T("\xC4\xE3?"));
    // A NUL in the UTF-8 ends the text.
    EXPECT_EQ(Utf8StringToGbk(std::string_view("ab\0cd", 5)), T("ab"));
    EXPECT_EQ(GbkToUtf8(T("a\xC4")), "a?");
}

}  // namespace
}  // namespace avatrix

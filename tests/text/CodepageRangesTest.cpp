// Whole-range checks of the 936 and 950 conversions. ICU's own converter,
// asked about one character at a time, is the reference for what a valid
// byte sequence or code unit maps to; the invalid-byte rules are asserted
// directly.
#include <gtest/gtest.h>
#include <unicode/ucnv.h>

#include <memory>
#include <optional>
#include <string>

#include "Utf16Bytes.h"
#include "text/Codepage.h"

namespace avatrix {
namespace {

struct ConverterCloser {
    void operator()(UConverter* converter) const { ucnv_close(converter); }
};

class Reference {
  public:
    explicit Reference(const char* name) {
        UErrorCode status = U_ZERO_ERROR;
        converter_.reset(ucnv_open(name, &status));
        EXPECT_TRUE(U_SUCCESS(status)) << name;
        ucnv_setFallback(converter_.get(), true);
        ucnv_setToUCallBack(converter_.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr,
                            &status);
        ucnv_setFromUCallBack(converter_.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr,
                              nullptr, &status);
    }

    // The single unit the bytes decode to, if they are one character.
    std::optional<char16_t> Decode(const std::string& bytes) {
        UChar units[4];
        UErrorCode status = U_ZERO_ERROR;
        ucnv_resetToUnicode(converter_.get());
        const int32_t count = ucnv_toUChars(converter_.get(), units, 4, bytes.data(),
                                            static_cast<int32_t>(bytes.size()), &status);
        if (U_FAILURE(status) || count != 1) {
            return std::nullopt;
        }
        return units[0];
    }

    std::optional<std::string> Encode(char16_t unit) {
        char bytes[8];
        const UChar units[1] = {unit};
        UErrorCode status = U_ZERO_ERROR;
        ucnv_resetFromUnicode(converter_.get());
        const int32_t count =
            ucnv_fromUChars(converter_.get(), bytes, sizeof bytes, units, 1, &status);
        // Some default-ignorable code points come back as nothing at all; the
        // platform has no form for them either.
        if (U_FAILURE(status) || count == 0) {
            return std::nullopt;
        }
        return std::string(bytes, static_cast<std::size_t>(count));
    }

  private:
    std::unique_ptr<UConverter, ConverterCloser> converter_;
};

std::string Hex(const std::string& bytes) {
    static const char* digits = "0123456789ABCDEF";
    std::string out;
    for (unsigned char byte : bytes) {
        out += digits[byte >> 4];
        out += digits[byte & 15];
    }
    return out;
}

struct CodePageCase {
    int codePage;
    const char* icuName;
    char16_t byte80;
    char16_t byteFF;
};

class CodePageRanges : public testing::TestWithParam<CodePageCase> {};

TEST_P(CodePageRanges, EverySingleByteDecodesByTheTableOrToAQuestionMark) {
    const CodePageCase& page = GetParam();
    for (int byte = 1; byte <= 0xFF; ++byte) {
        const std::string bytes(1, static_cast<char>(byte));
        char16_t expected = static_cast<char16_t>(byte);
        if (byte == 0x80) {
            expected = page.byte80;
        } else if (byte == 0xFF) {
            expected = page.byteFF;
        } else if (byte > 0x80) {
            expected = u'?';  // a lead byte with nothing after it
        }
        EXPECT_EQ(TextToUtf16(Text(bytes), page.codePage), Utf16Of(std::u16string(1, expected)))
            << Hex(bytes);
    }
}

TEST_P(CodePageRanges, EveryLeadTrailPairDecodesLikeTheReferenceOrToOneQuestionMark) {
    const CodePageCase& page = GetParam();
    Reference reference(page.icuName);
    int valid = 0;
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x01; trail <= 0xFF; ++trail) {
            const std::string pair{static_cast<char>(lead), static_cast<char>(trail)};
            const std::optional<char16_t> unit = reference.Decode(pair);
            valid += unit.has_value();
            // An invalid pair still takes both bytes: exactly one "?".
            const char16_t expected = unit.value_or(u'?');
            const ByteSet actual = TextToUtf16(Text(pair), page.codePage);
            ASSERT_EQ(actual, Utf16Of(std::u16string(1, expected))) << Hex(pair);
        }
    }
    EXPECT_GT(valid, 13000);  // both tables hold well over 13000 characters
}

TEST_P(CodePageRanges, EveryUnitEncodesLikeTheBestFitReferenceOrToAQuestionMark) {
    const CodePageCase& page = GetParam();
    Reference reference(page.icuName);
    for (int unit = 1; unit <= 0xFFFF; ++unit) {
        const auto u = static_cast<char16_t>(unit);
        std::string expected = "?";
        if (unit < 0xD800 || unit > 0xDFFF) {
            expected = reference.Encode(u).value_or("?");
        }
        const Text actual = Utf16ToText(Utf16Of(std::u16string(1, u)), page.codePage);
        ASSERT_EQ(actual.bytes(), expected) << "U+" << std::hex << unit;
    }
}

TEST_P(CodePageRanges, EveryCharacterSurvivesARoundTrip) {
    const CodePageCase& page = GetParam();
    int checked = 0;
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            const std::string pair{static_cast<char>(lead), static_cast<char>(trail)};
            const ByteSet utf16 = TextToUtf16(Text(pair), page.codePage);
            if (utf16 == Utf16Of(u"?")) {
                continue;
            }
            // Encoding the decoded character gives a form that decodes to the
            // same character (the pair itself unless the table has a preferred
            // duplicate).
            const Text back = Utf16ToText(utf16, page.codePage);
            ASSERT_EQ(TextToUtf16(back, page.codePage), utf16) << Hex(pair);
            ++checked;
        }
    }
    EXPECT_GT(checked, 13000);
}

INSTANTIATE_TEST_SUITE_P(Windows, CodePageRanges,
                         testing::Values(CodePageCase{936, "windows-936-2000", 0x20AC, 0xF8F5},
                                         CodePageCase{950, "windows-950-2000", 0x0080, 0xF8F8}),
                         [](const testing::TestParamInfo<CodePageCase>& info) {
                             return "CodePage" + std::to_string(info.param.codePage);
                         });

}  // namespace
}  // namespace avatrix

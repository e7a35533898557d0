#include "text/Codepage.h"

#include <unicode/ucnv.h>

#include <memory>

namespace avatrix {

namespace {

struct ConverterCloser {
    void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

const char* IcuName(int codePage) {
    switch (codePage) {
        case kCodePageGbk:
            return "windows-936-2000";
        case kCodePageBig5:
            return "windows-950-2000";
        case kCodePageUtf8:
            return "UTF-8";
        default:
            return nullptr;
    }
}

Converter Open(int codePage) {
    const char* name = IcuName(codePage);
    if (name == nullptr) {
        return nullptr;
    }
    UErrorCode status = U_ZERO_ERROR;
    Converter converter(ucnv_open(name, &status));
    if (U_FAILURE(status)) {
        return nullptr;
    }
    ucnv_setFallback(converter.get(), true);
    return converter;
}

std::u16string Decode(std::string_view bytes, int codePage) {
    Converter converter = Open(codePage);
    if (!converter || bytes.empty()) {
        return {};
    }
    std::u16string units(bytes.size() * 2 + 2, u'\0');
    UErrorCode status = U_ZERO_ERROR;
    const int32_t n =
        ucnv_toUChars(converter.get(), units.data(), static_cast<int32_t>(units.size()),
                      bytes.data(), static_cast<int32_t>(bytes.size()), &status);
    if (U_FAILURE(status)) {
        return {};
    }
    units.resize(static_cast<std::size_t>(n));
    return units;
}

std::string Encode(std::u16string_view units, int codePage) {
    Converter converter = Open(codePage);
    if (!converter || units.empty()) {
        return {};
    }
    UErrorCode status = U_ZERO_ERROR;
    ucnv_setSubstChars(converter.get(), "?", 1, &status);
    std::string bytes(units.size() * 4 + 1, '\0');
    status = U_ZERO_ERROR;
    const int32_t n =
        ucnv_fromUChars(converter.get(), bytes.data(), static_cast<int32_t>(bytes.size()),
                        units.data(), static_cast<int32_t>(units.size()), &status);
    if (U_FAILURE(status)) {
        return {};
    }
    bytes.resize(static_cast<std::size_t>(n));
    return bytes;
}

std::u16string UnitsOf(const ByteSet& utf16) {
    std::u16string units;
    for (std::size_t i = 0; i + 1 < utf16.size(); i += 2) {
        const char16_t unit = static_cast<char16_t>(utf16[i] | (utf16[i + 1] << 8));
        if (unit == 0) {
            break;
        }
        units.push_back(unit);
    }
    return units;
}

}  // namespace

ByteSet TextToUtf16(const Text& text, int codePage) {
    if (IcuName(codePage) == nullptr) {
        return {};
    }
    const std::u16string units = Decode(text.view(), codePage);
    ByteSet bytes;
    bytes.reserve(units.size() * 2 + 2);
    for (char16_t unit : units) {
        bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    bytes.push_back(0);
    bytes.push_back(0);
    return bytes;
}

Text Utf16ToText(const ByteSet& utf16, int codePage) {
    return Text(Encode(UnitsOf(utf16), codePage));
}

Text Utf8ToGbk(const Text& utf8) {
    return Utf16ToText(TextToUtf16(utf8, kCodePageUtf8), kCodePageGbk);
}

Text Big5ToGbk(const Text& big5) {
    return Text(Encode(Decode(big5.view(), kCodePageBig5), kCodePageGbk));
}

Text ToSimplifiedChinese(const Text& gbk) {
    return gbk;
}

Text Big5ToSimplifiedGbk(const Text& big5) {
    return ToSimplifiedChinese(Big5ToGbk(big5));
}

std::string GbkToUtf8(const Text& gbk) {
    return Encode(Decode(gbk.view(), kCodePageGbk), kCodePageUtf8);
}

Text Utf8StringToGbk(std::string_view utf8) {
    return Text(Encode(Decode(utf8, kCodePageUtf8), kCodePageGbk));
}

}  // namespace avatrix

#include "text/CodePageTables.h"

#include <unicode/ucnv.h>

#include <memory>

#include "text/Codepage.h"

namespace avatrix::codepage {

namespace {

struct ConverterCloser {
    void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

// A converter that stops at the first unmappable input instead of
// substituting, with the best-fit (fallback) mappings on in both directions,
// as the platform's tables have them.
Converter OpenStrict(const char* name) {
    UErrorCode status = U_ZERO_ERROR;
    Converter converter(ucnv_open(name, &status));
    if (U_FAILURE(status)) {
        return nullptr;
    }
    ucnv_setFallback(converter.get(), true);
    ucnv_setToUCallBack(converter.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr,
                        &status);
    ucnv_setFromUCallBack(converter.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr,
                          &status);
    return U_SUCCESS(status) ? std::move(converter) : nullptr;
}

// The one UTF-16 unit the bytes decode to, or 0.
char16_t DecodeOne(UConverter* converter, const char* bytes, int length) {
    UChar units[4];
    UErrorCode status = U_ZERO_ERROR;
    ucnv_resetToUnicode(converter);
    const int32_t count = ucnv_toUChars(converter, units, 4, bytes, length, &status);
    return (U_SUCCESS(status) && count == 1) ? units[0] : 0;
}

// The one or two bytes the unit encodes to, packed, or 0.
std::uint16_t EncodeOne(UConverter* converter, char16_t unit) {
    char bytes[8];
    const UChar units[1] = {unit};
    UErrorCode status = U_ZERO_ERROR;
    ucnv_resetFromUnicode(converter);
    const int32_t count = ucnv_fromUChars(converter, bytes, sizeof bytes, units, 1, &status);
    if (U_FAILURE(status)) {
        return 0;
    }
    if (count == 1) {
        return static_cast<unsigned char>(bytes[0]);
    }
    if (count == 2) {
        return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[0]) << 8 |
                                          static_cast<unsigned char>(bytes[1]));
    }
    return 0;
}

std::unique_ptr<DoubleByteTables> Build(const char* name) {
    Converter converter = OpenStrict(name);
    if (!converter) {
        return nullptr;
    }
    auto tables = std::make_unique<DoubleByteTables>();
    for (int byte = 0x80; byte <= 0xFF; ++byte) {
        if (!IsLeadByte(static_cast<unsigned char>(byte))) {
            const char single = static_cast<char>(byte);
            tables->single[byte] = DecodeOne(converter.get(), &single, 1);
        }
    }
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x01; trail <= 0xFF; ++trail) {
            const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
            tables->pair[lead << 8 | trail] = DecodeOne(converter.get(), pair, 2);
        }
    }
    for (int unit = 0x80; unit <= 0xFFFF; ++unit) {
        if (unit >= 0xD800 && unit <= 0xDFFF) {
            continue;  // half a pair is never a character of its own
        }
        tables->encode[unit] = EncodeOne(converter.get(), static_cast<char16_t>(unit));
    }
    for (int unit = 0; unit < 0x80; ++unit) {
        tables->encode[unit] = static_cast<std::uint16_t>(unit);
    }
    return tables;
}

}  // namespace

const DoubleByteTables* TablesFor(int codePage) {
    switch (codePage) {
        case kCodePageGbk: {
            static const std::unique_ptr<DoubleByteTables> gbk = Build("windows-936-2000");
            return gbk.get();
        }
        case kCodePageBig5: {
            static const std::unique_ptr<DoubleByteTables> big5 = Build("windows-950-2000");
            return big5.get();
        }
        default:
            return nullptr;
    }
}

}  // namespace avatrix::codepage

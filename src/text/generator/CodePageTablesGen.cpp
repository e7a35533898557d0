// Writes the lookup tables of code pages 936 and 950 as C++ source. They are
// read from ICU's copies of the platform tables when the program is built,
// so the program itself carries them ready to use and builds nothing at run
// time.
//
//     avatrix_codepage_tables_gen <output .cpp>

#include <unicode/ucnv.h>

#include <cstdio>
#include <memory>

#include "text/CodePageTables.h"

namespace {

using avatrix::codepage::DoubleByteTables;
using avatrix::codepage::IsLeadByte;

struct ConverterCloser {
    void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

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

template <typename Array>
void WriteArray(std::FILE* out, const Array& values) {
    std::fputs("{{", out);
    for (std::size_t i = 0; i < values.size(); ++i) {
        std::fprintf(out, "%s0x%X,", i % 16 == 0 ? "\n" : "", static_cast<unsigned>(values[i]));
    }
    std::fputs("\n}}", out);
}

bool WriteTables(std::FILE* out, const char* variable, const char* name) {
    const std::unique_ptr<DoubleByteTables> tables = Build(name);
    if (!tables) {
        std::fprintf(stderr, "ICU has no converter \"%s\"\n", name);
        return false;
    }
    std::fprintf(out, "// %s\nextern const DoubleByteTables %s;\nconst DoubleByteTables %s{", name,
                 variable, variable);
    WriteArray(out, tables->single);
    std::fputs(",", out);
    WriteArray(out, tables->pair);
    std::fputs(",", out);
    WriteArray(out, tables->encode);
    std::fputs("};\n\n", out);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output .cpp>\n", argv[0]);
        return 2;
    }
    std::unique_ptr<std::FILE, FileCloser> out(std::fopen(argv[1], "w"));
    if (!out) {
        std::perror(argv[1]);
        return 1;
    }
    std::fputs(
        "// Generated from ICU's tables when the program is built; do not edit.\n"
        "#include \"text/CodePageTables.h\"\n\nnamespace avatrix::codepage::tables {\n\n",
        out.get());
    const bool ok = WriteTables(out.get(), "kGbk", "windows-936-2000") &&
                    WriteTables(out.get(), "kBig5", "windows-950-2000");
    std::fputs("}  // namespace avatrix::codepage::tables\n", out.get());
    return ok && std::ferror(out.get()) == 0 ? 0 : 1;
}

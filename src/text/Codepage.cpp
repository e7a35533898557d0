#include "text/Codepage.h"

#include "text/CodePageTables.h"
#include "text/Utf8.h"

namespace avatrix {

namespace {

constexpr char kDefaultByte = '?';

// Writes UTF-16LE into a byte buffer with room for two bytes per unit.
class Utf16Writer {
  public:
    explicit Utf16Writer(std::uint8_t* out) : out_(out) {}

    void Ascii(const unsigned char* bytes, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i) {
            *out_++ = bytes[i];
            *out_++ = 0;
        }
    }

    bool Unit(char16_t unit) {
        *out_++ = static_cast<std::uint8_t>(unit & 0xFF);
        *out_++ = static_cast<std::uint8_t>(unit >> 8);
        return true;
    }

    std::uint8_t* Finish() { return out_; }

  private:
    std::uint8_t* out_;
};

// Runs the decoder of codePage over bytes into sink; false for a code page
// the converter does not know.
template <typename Sink>
bool DecodeInto(std::string_view bytes, int codePage, Sink& sink) {
    if (codePage == kCodePageUtf8) {
        utf8::Decode(bytes, sink);
        return true;
    }
    const codepage::DoubleByteTables* tables = codepage::TablesFor(codePage);
    if (tables == nullptr) {
        return false;
    }
    codepage::Decode(*tables, bytes, sink);
    return true;
}

// Decodes bytes from one code page and encodes them into another in one
// pass. A decoded text never has more UTF-16 units than it had bytes, and a
// unit takes at most three bytes (UTF-8) or two (the double-byte pages).
Text Convert(std::string_view bytes, int from, int to, char replacement) {
    std::string out;
    if (to == kCodePageUtf8) {
        out.resize(bytes.size() * 3);
        utf8::Writer writer(out.data());
        if (!DecodeInto(bytes, from, writer)) {
            return Text();
        }
        out.resize(static_cast<std::size_t>(writer.Finish() - out.data()));
    } else {
        const codepage::DoubleByteTables* tables = codepage::TablesFor(to);
        if (tables == nullptr) {
            return Text();
        }
        out.resize(bytes.size() * 2);
        codepage::Writer writer(*tables, replacement, out.data());
        if (!DecodeInto(bytes, from, writer)) {
            return Text();
        }
        out.resize(static_cast<std::size_t>(writer.Finish() - out.data()));
    }
    return Text(std::move(out));
}

// Feeds the units of a UTF-16LE byte set up to its zero terminator (or its
// end) to sink.
template <typename Sink>
void FeedUnits(const ByteSet& utf16, Sink& sink) {
    for (std::size_t i = 0; i + 1 < utf16.size(); i += 2) {
        const auto unit = static_cast<char16_t>(utf16[i] | (utf16[i + 1] << 8));
        if (unit == 0 || !sink.Unit(unit)) {
            break;
        }
    }
}

}  // namespace

ByteSet TextToUtf16(const Text& text, int codePage) {
    ByteSet bytes((text.size() + 1) * 2);
    Utf16Writer writer(bytes.data());
    if (!DecodeInto(text.view(), codePage, writer)) {
        return ByteSet();
    }
    writer.Unit(u'\0');
    bytes.resize(static_cast<std::size_t>(writer.Finish() - bytes.data()));
    return bytes;
}

Text Utf16ToText(const ByteSet& utf16, int codePage) {
    const std::size_t units = utf16.size() / 2;
    std::string out;
    if (codePage == kCodePageUtf8) {
        out.resize(units * 3);
        utf8::Writer writer(out.data());
        FeedUnits(utf16, writer);
        out.resize(static_cast<std::size_t>(writer.Finish() - out.data()));
        return Text(std::move(out));
    }
    const codepage::DoubleByteTables* tables = codepage::TablesFor(codePage);
    if (tables == nullptr) {
        return Text();
    }
    out.resize(units * 2);
    codepage::Writer writer(*tables, kDefaultByte, out.data());
    FeedUnits(utf16, writer);
    out.resize(static_cast<std::size_t>(writer.Finish() - out.data()));
    return Text(std::move(out));
}

Text Utf8ToGbk(const Text& utf8) {
    return Convert(utf8.view(), kCodePageUtf8, kCodePageGbk, kDefaultByte);
}

Text Big5ToGbk(const Text& big5) {
    // A character without a GBK form ends the text: the conversion's
    // replacement is NUL.
    return Convert(big5.view(), kCodePageBig5, kCodePageGbk, '\0');
}

Text Big5ToSimplifiedGbk(const Text& big5) {
    return ToSimplifiedChinese(Big5ToGbk(big5));
}

std::string GbkToUtf8(const Text& gbk) {
    return Convert(gbk.view(), kCodePageGbk, kCodePageUtf8, kDefaultByte).bytes();
}

Text Utf8StringToGbk(std::string_view utf8) {
    return Convert(utf8, kCodePageUtf8, kCodePageGbk, kDefaultByte);
}

}  // namespace avatrix

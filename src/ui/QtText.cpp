#include "ui/QtText.h"

#include <QFile>

#include "text/Codepage.h"

namespace avatrix::ui::detail {

QString ToQString(const Text& text) {
    if (text.empty()) {
        return {};
    }
    const ByteSet utf16 = TextToUtf16(text, kCodePageGbk);
    // The conversion ends with a zero unit that is not part of the text.
    const std::size_t units = utf16.size() / 2;
    QString result;
    result.reserve(static_cast<qsizetype>(units));
    for (std::size_t i = 0; i + 1 < units; ++i) {
        result.append(QChar(static_cast<char16_t>(utf16[2 * i] | (utf16[2 * i + 1] << 8))));
    }
    return result;
}

Text FromQString(const QString& text) {
    if (text.isEmpty()) {
        return {};
    }
    ByteSet utf16;
    utf16.reserve(static_cast<std::size_t>(text.size() + 1) * 2);
    for (QChar unit : text) {
        utf16.push_back(static_cast<std::uint8_t>(unit.unicode() & 0xFF));
        utf16.push_back(static_cast<std::uint8_t>(unit.unicode() >> 8));
    }
    utf16.push_back(0);
    utf16.push_back(0);
    return Utf16ToText(utf16, kCodePageGbk);
}

QString ToQPath(const FilePath& path) {
    return QFile::decodeName(QByteArray::fromStdString(path.bytes));
}

FilePath FromQPath(const QString& path) {
    return FilePath{QFile::encodeName(path).toStdString()};
}

QColor ToQColor(Colour colour) {
    return QColor(static_cast<int>(colour.ref & 0xFF), static_cast<int>((colour.ref >> 8) & 0xFF),
                  static_cast<int>((colour.ref >> 16) & 0xFF));
}

Colour FromQColor(const QColor& colour) {
    return Colour{static_cast<std::uint32_t>(colour.red()) |
                  (static_cast<std::uint32_t>(colour.green()) << 8) |
                  (static_cast<std::uint32_t>(colour.blue()) << 16)};
}

}  // namespace avatrix::ui::detail

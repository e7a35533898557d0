#include "cli/OutputFormat.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImageWriter>

#include "cli/PngEncoding.h"
#include "image/BmpImage.h"

namespace avatrix::cli {
namespace {

// "保存头像" writes the avatar at this depth.
constexpr int kSavedAvatarDepth = 16;

QByteArray WithQt(const QImage& avatar, const char* format, int quality) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    if (!writer.write(avatar)) {
        return {};
    }
    return bytes;
}

}  // namespace

std::optional<OutputFormat> FormatNamed(const QString& name) {
    const QString n = name.toLower();
    if (n == u"png") {
        return OutputFormat::Png;
    }
    if (n == u"jpg" || n == u"jpeg") {
        return OutputFormat::Jpeg;
    }
    if (n == u"bmp") {
        return OutputFormat::Bmp;
    }
    if (n == u"svg") {
        return OutputFormat::Svg;
    }
    return std::nullopt;
}

bool HasAlpha(OutputFormat format) {
    return format == OutputFormat::Png || format == OutputFormat::Svg;
}

std::optional<OutputFormat> FormatOfName(const QString& name) {
    const QString suffix = QFileInfo(name).suffix();
    if (suffix.isEmpty()) {
        return std::nullopt;
    }
    return FormatNamed(suffix);
}

QString ExtensionOf(OutputFormat format) {
    switch (format) {
        case OutputFormat::Png:
            return QStringLiteral("png");
        case OutputFormat::Jpeg:
            return QStringLiteral("jpg");
        case OutputFormat::Bmp:
            return QStringLiteral("bmp");
        case OutputFormat::Svg:
            return QStringLiteral("svg");
    }
    return {};
}

QByteArray EncodeAvatar(const QImage& avatar, OutputFormat format, int quality) {
    if (avatar.isNull()) {
        return {};
    }
    switch (format) {
        case OutputFormat::Png:
            // The fast writer keeps an alpha channel, so shaped avatars keep
            // their transparent corners.
            return EncodeFastPng(avatar);
        case OutputFormat::Jpeg:
            return WithQt(avatar.convertToFormat(QImage::Format_RGB32), "jpeg", quality);
        case OutputFormat::Bmp: {
            const ByteSet bytes = image::EncodeBmpImage(avatar, kSavedAvatarDepth);
            return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                              static_cast<qsizetype>(bytes.size()));
        }
        case OutputFormat::Svg:
            break;
    }
    return {};
}

}  // namespace avatrix::cli

#include "image/PixelFormats.h"

namespace avatrix::image {

QImage::Format FormatForDepth(int bitsPerPixel) {
    switch (bitsPerPixel) {
        case 16:
            return QImage::Format_RGB555;
        case 24:
            return QImage::Format_BGR888;
        case 32:
            return QImage::Format_RGB32;
        default:
            return QImage::Format_Invalid;
    }
}

bool IsSupportedDepth(int bitsPerPixel) {
    return FormatForDepth(bitsPerPixel) != QImage::Format_Invalid;
}

int DepthOf(const QImage& image) {
    switch (image.format()) {
        case QImage::Format_RGB555:
            return 16;
        case QImage::Format_BGR888:
            return 24;
        case QImage::Format_RGB32:
            return 32;
        default:
            return 0;
    }
}

QImage ToDepth(const QImage& image, int bitsPerPixel) {
    const QImage::Format format = FormatForDepth(bitsPerPixel);
    if (image.isNull() || format == QImage::Format_Invalid) {
        return {};
    }
    if (image.format() == format) {
        return image;
    }
    // Alpha is dropped rather than blended: a bitmap has no transparency.
    QImage source = image;
    if (source.hasAlphaChannel()) {
        source = source.convertToFormat(QImage::Format_RGB32);
    }
    return source.convertToFormat(format, Qt::ThresholdDither | Qt::AvoidDither);
}

QImage BlankImage(int width, int height, int bitsPerPixel) {
    const QImage::Format format = FormatForDepth(bitsPerPixel);
    if (width <= 0 || height <= 0 || format == QImage::Format_Invalid) {
        return {};
    }
    QImage image(width, height, format);
    if (!image.isNull()) {
        image.fill(0);
    }
    return image;
}

std::uint32_t ColourFromRgb(QRgb rgb) {
    return static_cast<std::uint32_t>(qRed(rgb)) | (static_cast<std::uint32_t>(qGreen(rgb)) << 8) |
           (static_cast<std::uint32_t>(qBlue(rgb)) << 16);
}

QRgb RgbFromColour(std::uint32_t colour) {
    return qRgb(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                static_cast<int>((colour >> 16) & 0xFF));
}

}  // namespace avatrix::image

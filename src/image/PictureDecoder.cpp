#include "image/PictureDecoder.h"

#include <cstring>

#include <QBuffer>
#include <QImageReader>

#include "image/JpegDecoder.h"

namespace avatrix::image {
namespace {

bool StartsWith(const ByteSet& bytes, const char* magic) {
    const std::size_t n = std::strlen(magic);
    return bytes.size() >= n && std::memcmp(bytes.data(), magic, n) == 0;
}

// Only the formats the picture boxes are meant to show reach Qt's readers;
// other plug-ins never see outside bytes.
const char* QtFormatOf(const ByteSet& bytes) {
    if (StartsWith(bytes, "\x89PNG\r\n\x1a\n")) {
        return "png";
    }
    if (StartsWith(bytes, "GIF87a") || StartsWith(bytes, "GIF89a")) {
        return "gif";
    }
    if (StartsWith(bytes, "BM")) {
        return "bmp";
    }
    return nullptr;
}

QImage DecodeWithQt(const ByteSet& bytes, const char* format) {
    // Qt refuses, before decoding, any image that would take more than this.
    static const bool limited = [] {
        QImageReader::setAllocationLimit(256);
        return true;
    }();
    (void)limited;
    QByteArray data(reinterpret_cast<const char*>(bytes.data()),
                    static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    const QSize size = reader.size();
    if (size.isValid() &&
        (size.width() > kMaxPictureSide || size.height() > kMaxPictureSide ||
         static_cast<std::int64_t>(size.width()) * size.height() > kMaxPicturePixels)) {
        return {};
    }
    return reader.read();
}

}  // namespace

QImage DecodePictureBytes(const ByteSet& bytes) {
    if (bytes.size() >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF) {
        return DecodeJpeg(bytes);
    }
    if (const char* format = QtFormatOf(bytes)) {
        return DecodeWithQt(bytes, format);
    }
    return {};
}

}  // namespace avatrix::image

#include "image/PictureDecoder.h"

#include <cstring>

#include "image/BmpImage.h"
#include "image/JpegDecoder.h"
#include "image/QtImageReading.h"

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

// Decoders without a reduced read still need not hand on more than is shown.
QImage Reduced(QImage picture, const PictureUse& use) {
    if (use.cover || use.ShownCorner(picture.size()) == picture.size()) {
        return picture;
    }
    return picture.copy(QRect(QPoint(0, 0), use.ShownCorner(picture.size())));
}

QImage Decode(const ByteSet& bytes, const std::optional<PictureUse>& use) {
    if (bytes.size() >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF) {
        return DecodeJpeg(bytes, use);
    }
    if (const char* format = QtFormatOf(bytes)) {
        if (std::strcmp(format, "bmp") == 0) {
            // The one picture limit holds for BMP too, whichever reader takes it.
            if (!BmpHeadersFitBytes(bytes)) {
                return {};
            }
            // A saved avatar reads back exactly as the bitmap operations read it.
            if (QImage own = DecodeBmpImage(bytes); !own.isNull()) {
                return use ? Reduced(std::move(own), *use) : own;
            }
        }
        return ReadWithQt(bytes, format, use);
    }
    return {};
}

}  // namespace

QImage DecodePictureBytes(const ByteSet& bytes) {
    return Decode(bytes, std::nullopt);
}

QImage DecodePictureFor(const ByteSet& bytes, const PictureUse& use) {
    return Decode(bytes, use);
}

}  // namespace avatrix::image

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

}  // namespace

QImage DecodePictureBytes(const ByteSet& bytes) {
    if (bytes.size() >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF) {
        return DecodeJpeg(bytes);
    }
    if (const char* format = QtFormatOf(bytes)) {
        if (std::strcmp(format, "bmp") == 0) {
            // A saved avatar reads back exactly as the bitmap operations read it.
            if (QImage own = DecodeBmpImage(bytes); !own.isNull()) {
                return own;
            }
            if (!BmpHeadersFitBytes(bytes)) {
                return {};
            }
        }
        return ReadWithQt(bytes, format);
    }
    return {};
}

}  // namespace avatrix::image

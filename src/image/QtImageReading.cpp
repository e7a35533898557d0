#include "image/QtImageReading.h"

#include <cstdlib>
#include <cstring>

#include <QBuffer>
#include <QImageReader>

#include "image/BmpImage.h"
#include "image/PngStreaming.h"

namespace avatrix::image {
namespace {

std::uint32_t Get32(const ByteSet& b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at]) | (static_cast<std::uint32_t>(b[at + 1]) << 8) |
           (static_cast<std::uint32_t>(b[at + 2]) << 16) |
           (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

std::uint16_t Get16(const ByteSet& b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

}  // namespace

bool BmpHeadersFitBytes(const ByteSet& bytes) {
    if (bytes.size() < kBmpFileHeaderSize + 12 || bytes[0] != 'B' || bytes[1] != 'M') {
        return false;
    }
    const std::uint32_t offset = Get32(bytes, 10);
    const std::uint32_t headerSize = Get32(bytes, 14);
    std::int64_t width = 0, height = 0;
    int bits = 0;
    std::uint32_t compression = 0;
    if (headerSize == 12) {
        width = Get16(bytes, 18);
        height = Get16(bytes, 20);
        bits = Get16(bytes, 24);
    } else if (headerSize >= kBmpInfoHeaderSize &&
               bytes.size() >= kBmpFileHeaderSize + kBmpInfoHeaderSize) {
        width = static_cast<std::int32_t>(Get32(bytes, 18));
        height = std::llabs(static_cast<std::int32_t>(Get32(bytes, 22)));
        bits = Get16(bytes, 28);
        compression = Get32(bytes, 30);
    } else {
        return false;
    }
    if (!WithinPictureLimits(width, height) || offset > bytes.size()) {
        return false;
    }
    const std::uint64_t available = bytes.size() - offset;
    constexpr std::uint32_t kRle8 = 1, kRle4 = 2;
    if (compression == kRle8 || compression == kRle4) {
        // Run-length rows can be short, but not a thousand times shorter.
        return static_cast<std::uint64_t>(width * height) <= available * 1024;
    }
    if (bits <= 0 || bits > 32) {
        return false;
    }
    const std::uint64_t stride = BmpRowStride(static_cast<std::size_t>(width), bits);
    return stride * static_cast<std::uint64_t>(height) <= available;
}

QImage ReadWithQt(const ByteSet& bytes, const char* format, const std::optional<PictureUse>& use) {
    // Qt refuses, before decoding, any image that would take more than this.
    static const bool limited = [] {
        QImageReader::setAllocationLimit(256);
        return true;
    }();
    (void)limited;
    // The reader works on the caller's bytes; a copy would double a large file.
    const QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()),
                                                    static_cast<qsizetype>(bytes.size()));
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    const QSize size = reader.size();
    if (!size.isValid() || !WithinPictureLimits(size.width(), size.height())) {
        return {};
    }
    if (use && use->cover) {
        // Shrunk by whole blocks while decoding, never below what still
        // covers the box; the smooth scaling to the box comes after.
        const int factor = static_cast<int>(1.0 / use->CoverFraction(size));
        if (factor >= 2 && std::strcmp(format, "png") == 0) {
            if (QImage shrunk = ReadPngShrunk(bytes, factor); !shrunk.isNull()) {
                return shrunk;
            }
        }
    } else if (use && use->ShownCorner(size) != size) {
        if (std::strcmp(format, "png") == 0) {
            if (QImage corner = ReadPngCorner(bytes, use->ShownCorner(size)); !corner.isNull()) {
                return corner;
            }
        }
        return reader.read().copy(QRect(QPoint(0, 0), use->ShownCorner(size)));
    }
    return reader.read();
}

}  // namespace avatrix::image

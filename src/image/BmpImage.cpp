#include "image/BmpImage.h"

#include <bit>
#include <cstring>
#include <limits>

#include "image/PixelFormats.h"

namespace avatrix::image {
namespace {

// Far beyond any screen, and small enough that rows and sizes stay in 32 bits.
constexpr std::int64_t kMaxSide = 32768;
constexpr std::int64_t kMaxPixels = std::int64_t{1} << 28;

void Put16(ByteSet& out, std::size_t at, std::uint16_t v) {
    out[at] = static_cast<std::uint8_t>(v);
    out[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

void Put32(ByteSet& out, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        out[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    }
}

std::uint16_t Get16(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

std::uint32_t Get32(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at]) | (static_cast<std::uint32_t>(b[at + 1]) << 8) |
           (static_cast<std::uint32_t>(b[at + 2]) << 16) |
           (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

void WriteRow(const std::uint8_t* src, std::uint8_t* dst, int width, int bits) {
    switch (bits) {
        case 16:
            if constexpr (std::endian::native == std::endian::little) {
                std::memcpy(dst, src, static_cast<std::size_t>(width) * 2);
            } else {
                for (int x = 0; x < width; ++x) {
                    std::uint16_t v;
                    std::memcpy(&v, src + 2 * x, 2);
                    dst[2 * x] = static_cast<std::uint8_t>(v);
                    dst[2 * x + 1] = static_cast<std::uint8_t>(v >> 8);
                }
            }
            break;
        case 24:  // BGR888 already holds B, G, R in memory
            std::memcpy(dst, src, static_cast<std::size_t>(width) * 3);
            break;
        case 32:
            for (int x = 0; x < width; ++x) {
                QRgb p;
                std::memcpy(&p, src + 4 * x, 4);
                dst[4 * x] = static_cast<std::uint8_t>(qBlue(p));
                dst[4 * x + 1] = static_cast<std::uint8_t>(qGreen(p));
                dst[4 * x + 2] = static_cast<std::uint8_t>(qRed(p));
                dst[4 * x + 3] = 0;  // the unused byte is written as zero
            }
            break;
    }
}

void ReadRow(const std::uint8_t* src, std::uint8_t* dst, int width, int bits) {
    switch (bits) {
        case 16:
            for (int x = 0; x < width; ++x) {
                // The top bit is unused in this layout.
                const auto v =
                    static_cast<std::uint16_t>((src[2 * x] | (src[2 * x + 1] << 8)) & 0x7FFF);
                std::memcpy(dst + 2 * x, &v, 2);
            }
            break;
        case 24:
            std::memcpy(dst, src, static_cast<std::size_t>(width) * 3);
            break;
        case 32:
            for (int x = 0; x < width; ++x) {
                const QRgb p = qRgb(src[4 * x + 2], src[4 * x + 1], src[4 * x]);
                std::memcpy(dst + 4 * x, &p, 4);
            }
            break;
    }
}

}  // namespace

std::size_t BmpRowStride(std::size_t width, int bitsPerPixel) {
    return (width * static_cast<std::size_t>(bitsPerPixel) + 31) / 32 * 4;
}

ByteSet EncodeBmpImage(const QImage& image) {
    const int bits = DepthOf(image);
    if (image.isNull() || bits == 0) {
        return {};
    }
    const int width = image.width();
    const int height = image.height();
    const std::size_t stride = BmpRowStride(static_cast<std::size_t>(width), bits);
    const std::size_t imageSize = stride * static_cast<std::size_t>(height);
    if (imageSize > std::numeric_limits<std::uint32_t>::max() - kBmpPixelOffset) {
        return {};
    }

    ByteSet out(kBmpPixelOffset + imageSize, 0);
    out[0] = 'B';
    out[1] = 'M';
    Put32(out, 2, static_cast<std::uint32_t>(kBmpPixelOffset + imageSize));
    Put32(out, 10, static_cast<std::uint32_t>(kBmpPixelOffset));
    Put32(out, 14, static_cast<std::uint32_t>(kBmpInfoHeaderSize));
    Put32(out, 18, static_cast<std::uint32_t>(width));
    Put32(out, 22, static_cast<std::uint32_t>(height));
    Put16(out, 26, 1);
    Put16(out, 28, static_cast<std::uint16_t>(bits));
    Put32(out, 30, 0);
    Put32(out, 34, static_cast<std::uint32_t>(imageSize));
    // Resolutions, colour counts and the colour slot stay zero.

    for (int y = 0; y < height; ++y) {
        std::uint8_t* row =
            out.data() + kBmpPixelOffset + stride * static_cast<std::size_t>(height - 1 - y);
        WriteRow(image.constScanLine(y), row, width, bits);
    }
    return out;
}

ByteSet EncodeBmpImage(const QImage& image, int bitsPerPixel) {
    return EncodeBmpImage(ToDepth(image, bitsPerPixel));
}

QImage DecodeBmpImage(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kBmpFileHeaderSize + kBmpInfoHeaderSize) {
        return {};
    }
    const std::uint32_t pixelOffset = Get32(bytes, 10);
    const std::uint32_t headerSize = Get32(bytes, 14);
    const auto width = static_cast<std::int32_t>(Get32(bytes, 18));
    const auto height = static_cast<std::int32_t>(Get32(bytes, 22));
    const int bits = Get16(bytes, 28);
    const std::uint32_t compression = Get32(bytes, 30);

    if (headerSize < kBmpInfoHeaderSize || headerSize > bytes.size() - kBmpFileHeaderSize) {
        return {};
    }
    if (compression != 0 || !IsSupportedDepth(bits)) {
        return {};
    }
    const std::int64_t rows = height < 0 ? -static_cast<std::int64_t>(height) : height;
    if (width <= 0 || rows == 0 || width > kMaxSide || rows > kMaxSide ||
        static_cast<std::int64_t>(width) * rows > kMaxPixels) {
        return {};
    }
    const std::size_t stride = BmpRowStride(static_cast<std::size_t>(width), bits);
    const std::size_t needed = stride * static_cast<std::size_t>(rows);
    if (pixelOffset > bytes.size() || needed > bytes.size() - pixelOffset) {
        return {};
    }

    QImage image(width, static_cast<int>(rows), FormatForDepth(bits));
    if (image.isNull()) {
        return {};
    }
    const bool bottomUp = height > 0;
    for (int y = 0; y < image.height(); ++y) {
        const std::size_t fileRow = bottomUp ? static_cast<std::size_t>(image.height() - 1 - y)
                                             : static_cast<std::size_t>(y);
        ReadRow(bytes.data() + pixelOffset + stride * fileRow, image.scanLine(y), width, bits);
    }
    return image;
}

}  // namespace avatrix::image

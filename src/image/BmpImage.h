#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include <QImage>

#include "text/Text.h"

// The BMP image layout the bitmap operations write and read: a 14-byte file
// header, a 40-byte info header, one zero colour slot, then the pixel rows
// bottom-up, each padded to a multiple of 4 bytes.
namespace avatrix::image {

inline constexpr std::size_t kBmpFileHeaderSize = 14;
inline constexpr std::size_t kBmpInfoHeaderSize = 40;
inline constexpr std::size_t kBmpPixelOffset = kBmpFileHeaderSize + kBmpInfoHeaderSize + 4;

// Bytes of one pixel row, padded to 4 bytes.
std::size_t BmpRowStride(std::size_t width, int bitsPerPixel);

// The image (16, 24 or 32 bits per pixel) as BMP image bytes; empty for a
// null image or a depth that needs a colour table.
ByteSet EncodeBmpImage(const QImage& image);
// Any image, first brought to `bitsPerPixel` as the bitmap operations bring
// it (alpha dropped, channels truncated), as BMP image bytes.
ByteSet EncodeBmpImage(const QImage& image, int bitsPerPixel);

// Reads the layout above, checking every size against the bytes at hand:
// uncompressed 16, 24 or 32 bits per pixel, rows bottom-up (or top-down for a
// negative height), pixel data at the file header's offset. Anything else,
// and anything that would read past the end, gives a null image.
QImage DecodeBmpImage(std::span<const std::uint8_t> bytes);

}  // namespace avatrix::image

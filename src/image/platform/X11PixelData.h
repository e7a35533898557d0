#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include <QImage>

// Z-pixmap pixel rows as the X server sends and receives them, and their
// conversion to and from images. Pure byte work, apart from the connection.
namespace avatrix::image::platform {

// How one depth's pixels lie in the rows: the depth and its pixmap format
// (bits per pixel, scanline pad), the server's byte order and the visual's
// channel masks.
struct PixelLayout {
    int depth = 0;
    int bitsPerPixel = 0;
    int scanlinePad = 32;
    bool msbFirst = false;
    std::uint32_t masks[3] = {0, 0, 0};  // red, green, blue

    // True colour at 16, 24 or 32 bits per pixel, rows padded to 8, 16 or 32
    // bits, each mask one run of bits within the depth, no two overlapping.
    bool Valid() const;
    // Bytes of one row `width` pixels wide, padding included.
    std::size_t Stride(int width) const;
};

// The image (Format_RGB32) the rows describe; a null image for a layout
// that is not valid, a size that is not positive, or too few bytes.
QImage ImageFromPixels(std::span<const std::uint8_t> data, int width, int height,
                       const PixelLayout& layout);

// Rows [firstRow, firstRow + rows) of an RGB32 image in the layout, into `out`.
void PixelsFromImage(const QImage& image, int firstRow, int rows, const PixelLayout& layout,
                     std::vector<std::uint8_t>& out);

}  // namespace avatrix::image::platform

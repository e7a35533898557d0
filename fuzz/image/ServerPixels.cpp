// Pixel rows as an X server might send them, in any layout it could claim:
// nothing may crash or read past the bytes; an accepted image has the size
// asked for, and writing it back gives whole padded rows.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include "image/platform/X11PixelData.h"

namespace {

constexpr std::size_t kHeader = 18;

std::uint32_t Word(const std::uint8_t* p) {
    std::uint32_t value = 0;
    std::memcpy(&value, p, 4);
    return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace avatrix::image::platform;
    if (size < kHeader) {
        return 0;
    }
    // width, height, depth, bits per pixel, scanline pad, byte order, then
    // the three channel masks; the rest is the reply's pixel data.
    const int width = data[0] + 1;
    const int height = data[1] + 1;
    PixelLayout layout;
    layout.depth = data[2];
    layout.bitsPerPixel = data[3];
    layout.scanlinePad = data[4];
    layout.msbFirst = data[5] & 1;
    for (int i = 0; i < 3; ++i) {
        layout.masks[i] = Word(data + 6 + 4 * i);
    }
    const std::span<const std::uint8_t> pixels(data + kHeader, size - kHeader);
    const QImage image = ImageFromPixels(pixels, width, height, layout);
    if (image.isNull()) {
        return 0;
    }
    if (image.width() != width || image.height() != height ||
        image.format() != QImage::Format_RGB32 ||
        pixels.size() < layout.Stride(width) * static_cast<std::size_t>(height)) {
        __builtin_trap();
    }
    std::vector<std::uint8_t> rows;
    PixelsFromImage(image, 0, height, layout, rows);
    if (rows.size() != layout.Stride(width) * static_cast<std::size_t>(height)) {
        __builtin_trap();
    }
    // Channels of 8 bits or more hold every colour exactly: read back, the
    // rows give the same image.
    const bool wide = std::popcount(layout.masks[0]) >= 8 && std::popcount(layout.masks[1]) >= 8 &&
                      std::popcount(layout.masks[2]) >= 8;
    if (wide && ImageFromPixels(rows, width, height, layout) != image) {
        __builtin_trap();
    }
    return 0;
}

#pragma once

#include <cstdint>

#include <QImage>

#include "text/Text.h"

namespace avatrix::image::testing {

// JPEG bytes of the image, made with libjpeg's compressor.
ByteSet EncodeTestJpeg(const QImage& image, int quality = 90, bool progressive = false);
// PNG / GIF / BMP bytes through Qt's writers.
ByteSet EncodeWithQt(const QImage& image, const char* format);
// A picture with a distinct colour in each quadrant.
QImage QuadrantPicture(int width, int height);

inline std::uint32_t Colour(int r, int g, int b) {
    return static_cast<std::uint32_t>(r) | (static_cast<std::uint32_t>(g) << 8) |
           (static_cast<std::uint32_t>(b) << 16);
}
// What a channel reads back as once stored in 5 bits.
inline int Through5Bits(int c) {
    const int five = c >> 3;
    return (five << 3) | (five >> 2);
}
inline std::uint32_t ColourThrough16(int r, int g, int b) {
    return Colour(Through5Bits(r), Through5Bits(g), Through5Bits(b));
}

}  // namespace avatrix::image::testing

namespace avatrix::image::testing {
// GIF bytes of an image of at most four colours (others fall to the first).
ByteSet EncodeTestGif(const QImage& image);
}  // namespace avatrix::image::testing

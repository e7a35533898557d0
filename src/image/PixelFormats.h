#pragma once

#include <cstdint>

#include <QImage>

// The three pixel depths bitmaps are kept at, and the colour values the
// bitmap operations exchange. Palette depths are not represented: the image
// layout carries a single colour slot, so a table of 2, 16 or 256 entries
// could not be written faithfully.
namespace avatrix::image {

inline constexpr std::uint32_t kNoColour = 0xFFFFFFFFu;

// 16: 0RRRRRGGGGGBBBBB words; 24: B,G,R bytes; 32: B,G,R,X bytes.
QImage::Format FormatForDepth(int bitsPerPixel);
bool IsSupportedDepth(int bitsPerPixel);
// 16, 24 or 32 for an image in one of the formats above, else 0.
int DepthOf(const QImage& image);
// The image at the given depth (a null image for an unsupported one).
// Narrowing truncates each channel; nothing is dithered.
QImage ToDepth(const QImage& image, int bitsPerPixel);
// A zero-filled (black) image.
QImage BlankImage(int width, int height, int bitsPerPixel);

// 0x00BBGGRR <-> Qt's 0xAARRGGBB.
std::uint32_t ColourFromRgb(QRgb rgb);
QRgb RgbFromColour(std::uint32_t colour);

}  // namespace avatrix::image

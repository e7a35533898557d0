#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include <QImage>

namespace avatrix::image {

// Largest JPEG accepted, checked from the header before anything is
// allocated for the pixels.
inline constexpr std::int64_t kMaxPictureSide = 32768;
inline constexpr std::int64_t kMaxPicturePixels = std::int64_t{1} << 26;

// Decodes JPEG bytes to an RGB32 image. Corrupt or oversized data, and a
// progressive picture whose scans would take too long, give a null image; data that ends early
// gives the part decoded so far (the rest grey), as picture viewers show it.
QImage DecodeJpeg(std::span<const std::uint8_t> bytes);

}  // namespace avatrix::image

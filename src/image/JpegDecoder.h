#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include <QImage>

#include "image/PictureUse.h"

namespace avatrix::image {

// Decodes JPEG bytes to an RGB32 image. Corrupt or oversized data, and a
// progressive picture whose scans would take too long, give a null image; data that ends early
// gives the part decoded so far (the rest grey), as picture viewers show it.
// A picture larger than `use` needs is decoded reduced: at the smallest of
// libjpeg's scales (eighths) that still covers the box, or only as many rows
// as the natural-size box shows.
QImage DecodeJpeg(std::span<const std::uint8_t> bytes,
                  const std::optional<PictureUse>& use = std::nullopt);

}  // namespace avatrix::image

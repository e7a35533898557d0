#pragma once

#include <cstdint>
#include <optional>

#include "image/AvatarUnits.h"
#include "text/Text.h"

namespace avatrix::image {

// Screen (or the window's own image) under a window's client area as BMP image
// bytes; right and bottom are inclusive, -1 meaning the far edge.
ByteSet CaptureToBmpImage(std::uint32_t window, std::optional<int> left = std::nullopt,
                          std::optional<int> top = std::nullopt,
                          std::optional<int> right = std::nullopt,
                          std::optional<int> bottom = std::nullopt,
                          std::optional<bool> fromWindowImage = std::nullopt,
                          std::optional<int> bitsPerPixel = std::nullopt);

// "保存头像": capture the avatar box as it shows on screen, then save it.
void SaveAvatar(const AvatarUnits& units);

}  // namespace avatrix::image

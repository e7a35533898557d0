#pragma once

#include <cstdint>

#include "image/AvatarUnits.h"
#include "text/Text.h"

namespace avatrix::image {

// Larger files are refused before they are read: no picture worth showing in
// a 184-pixel box comes near it.
inline constexpr std::uint64_t kMaxPictureFileBytes = std::uint64_t{64} << 20;

// "打开图片": choose a file in the shared dialog and show it in the avatar box.
void OpenPicture(const AvatarUnits& units);
// The drop target's FilesDropped: the dropped file's bytes go to the avatar box.
void PictureDropped(const AvatarUnits& units, const Text& paths);

}  // namespace avatrix::image

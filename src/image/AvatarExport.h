#pragma once

#include <QImage>

#include "image/AvatarUnits.h"
#include "text/Text.h"
#include "ui/Toolkit.h"

// The avatar menu's exports. The avatar is composed from the picture box and
// the banner's properties, not copied from the screen, so windows lying over
// the box, or a missing compositor, never reach it.
namespace avatrix::image {

// The avatar as the box and the banner show it now, at the screen's scale.
QImage ComposeShownAvatar(const AvatarUnits& units);

// Puts the avatar on the clipboard as PNG and BMP image data.
bool CopyAvatar(const AvatarUnits& units);

// Asks for a PNG name in the desktop folder and writes the avatar there:
// ".png" is added unless the name ends in it (any case), replacing a file asks
// first, and a failed write says which file it was.
void SaveAvatarAsPng(const AvatarUnits& units);

// The name a PNG is written under: `chosen`, with ".png" added unless it
// already ends in it, in any letter case.
ui::FilePath PngFileName(const ui::FilePath& chosen);

}  // namespace avatrix::image

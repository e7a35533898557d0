#pragma once

#include <QImage>

#include "cli/RenderSettings.h"
#include "render/BannerPainter.h"
#include "text/Text.h"

namespace avatrix::cli {

// What drawing needs once per process, done before any thread draws.
void PrepareRendering();

// The banner the settings describe; the label, unless given, is the whole
// strip.
render::BannerStyle BannerStyleOf(const RenderSettings& settings);

// The avatar for `picture` (a null picture gives the empty box) drawn with
// the main program's banner painter and composition.
QImage RenderAvatar(const QImage& picture, const RenderSettings& settings);

// The same avatar from the picture file's bytes; a null image if they hold no
// picture. A batch often draws many avatars over one picture, so the last few
// pictures are kept, decoded and laid out in the box, and found again by
// their bytes; any thread may call this.
QImage RenderAvatarFromFile(const ByteSet& pictureFile, const RenderSettings& settings);

}  // namespace avatrix::cli

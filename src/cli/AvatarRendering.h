#pragma once

#include <QImage>

#include "cli/RenderSettings.h"
#include "render/BannerPainter.h"

namespace avatrix::cli {

// What drawing needs once per process, done before any thread draws.
void PrepareRendering();

// The banner the settings describe; the label, unless given, is the whole
// strip.
render::BannerStyle BannerStyleOf(const RenderSettings& settings);

// The avatar for `picture` (a null picture gives the empty box) drawn with
// the main program's banner painter and composition.
QImage RenderAvatar(const QImage& picture, const RenderSettings& settings);

}  // namespace avatrix::cli

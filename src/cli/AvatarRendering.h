#pragma once

#include <QByteArray>
#include <QImage>

#include "cli/RenderSettings.h"
#include "image/PictureDecoder.h"
#include "render/BannerPainter.h"
#include "text/Text.h"

namespace avatrix::cli {

// What drawing needs once per process, done before any thread draws.
void PrepareRendering();

// The banner the settings describe; the label, unless given, is the whole
// strip.
render::BannerStyle BannerStyleOf(const RenderSettings& settings);

// The name avatar: the text on its background, with no picture. Without a
// label the text is fitted to its space. A null image and the reason in
// `error` when the avatar cannot be drawn as asked (a face that is not
// installed, a character no font has, a text that does not fit).
QImage RenderNameAvatar(const RenderSettings& settings, QString& error);

// The avatar for `picture`, or the name avatar for a null one, as SVG file
// bytes, drawn by the same painter through Qt SVG's generator; empty with the
// reason in `error` on failure.
QByteArray RenderSvgAvatar(const QImage& picture, const RenderSettings& settings, QString& error);

// How a picture is to be decoded for these settings: only as large as the
// avatar needs it.
image::PictureUse PictureUseOf(const RenderSettings& settings);

// The avatar for a picture file's bytes, drawn with the main program's banner
// painter and composition; `decoded` false if they hold no picture, a null
// image with an empty `error` if it cannot be drawn for want of memory. A
// batch often draws many avatars over one picture, so the last few pictures
// are kept, decoded and laid out in the box, and found again by their bytes;
// any thread may call this.
QImage RenderAvatarFromFile(const ByteSet& pictureFile, const RenderSettings& settings,
                            bool& decoded, QString& error);

}  // namespace avatrix::cli

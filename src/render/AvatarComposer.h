#pragma once

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QPoint>
#include <QSize>

#include "render/BannerPainter.h"

// The avatar drawn from its parts rather than copied from the screen: the
// picture as the avatar box shows it, with the banner laid over it. Nothing
// here touches a window, so whatever covers the box on the screen, or a
// missing compositor, does not change the result.
namespace avatrix::render {

inline constexpr QSize kAvatarBoxSize(184, 184);

enum class PictureFit {
    Natural,  // natural size from the top-left corner, repeated when smaller than the box
    Cover,    // scaled smoothly to cover the whole box, aspect kept, centred
};

// The picture laid out in a box of `box` logical pixels at `dpr`: an image of
// box * dpr device pixels with that device pixel ratio, transparent where the
// picture leaves the box uncovered. A null picture gives a transparent box.
QImage FitPicture(const QImage& picture, QSize box, PictureFit fit, qreal dpr = 1.0);

// The avatar: `boxColour` under the fitted picture, then the banner (strip and
// text) at `bannerPosInBox` (logical pixels, relative to the box's top-left
// corner) with its opacity, clipped to the box. The result is opaque RGB32 of
// box * dpr device pixels (368 x 368 for the avatar box at a scale of 2), with
// that device pixel ratio. A null image for an empty box or a ratio <= 0.
QImage ComposeAvatar(const QImage& picture, PictureFit fit, const BannerStyle& banner,
                     QPoint bannerPosInBox, QSize box = kAvatarBoxSize, qreal dpr = 1.0,
                     const QColor& boxColour = QColor(240, 240, 240));

// The same avatar over a picture FitPicture has already laid out for `box` at
// `dpr`, for those that draw many avatars over one picture.
QImage ComposeFittedAvatar(const QImage& fitted, const BannerStyle& banner, QPoint bannerPosInBox,
                           QSize box = kAvatarBoxSize, qreal dpr = 1.0,
                           const QColor& boxColour = QColor(240, 240, 240));

// PNG file bytes of the image; empty when encoding fails.
QByteArray EncodePng(const QImage& image);

}  // namespace avatrix::render

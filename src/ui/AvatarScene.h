#pragma once

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QSize>
#include <string_view>

#include "render/AvatarComposer.h"

namespace avatrix::ui {

// The avatar as the screen shows it, gathered from the units' properties
// rather than from the screen: the picture box's picture, fit and colour, and
// the banner's style and place relative to the box's client area.
struct AvatarScene {
    QImage picture;
    render::PictureFit fit = render::PictureFit::Natural;
    QColor boxColour;
    QSize box;
    qreal dpr = 1.0;
    bool hasBanner = false;  // false while the banner window is not loaded or hidden
    render::BannerStyle banner;
    QPoint bannerPos;
};

// `box` is a picture box of `window`; `label` the text unit of `bannerWindow`.
AvatarScene SceneOf(std::string_view window, std::string_view box, std::string_view bannerWindow,
                    std::string_view label);

// The scene composed: full colour, box * dpr device pixels.
QImage ComposeScene(const AvatarScene& scene);

}  // namespace avatrix::ui

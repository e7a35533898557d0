#include "cli/AvatarRendering.h"

#include "render/AvatarComposer.h"
#include "render/BannerFont.h"

namespace avatrix::cli {

void PrepareRendering() {
    render::InstallFaceSubstitutions();
}

render::BannerStyle BannerStyleOf(const RenderSettings& settings) {
    render::BannerStyle style;
    style.text = settings.text;
    style.font.face = settings.face;
    style.font.pointSize = settings.pointSize;
    style.font.bold = settings.bold;
    style.font.italic = settings.italic;
    style.font.underline = settings.underline;
    style.font.strikeOut = settings.strikeOut;
    style.textColour = settings.textColour;
    style.stripColour = settings.stripColour;
    style.opacity = settings.opacity;
    style.stripSize = settings.strip.size();
    style.labelRect =
        settings.label.isNull() ? QRect(QPoint(0, 0), settings.strip.size()) : settings.label;
    style.outline = settings.outline;
    style.shadow = settings.shadow;
    return style;
}

QImage RenderAvatar(const QImage& picture, const RenderSettings& settings) {
    return render::ComposeAvatar(
        picture, settings.fill ? render::PictureFit::Cover : render::PictureFit::Natural,
        BannerStyleOf(settings), settings.strip.topLeft(), render::kAvatarBoxSize, settings.scale,
        kWindowColour);
}

}  // namespace avatrix::cli

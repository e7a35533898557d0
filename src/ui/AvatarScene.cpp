#include "ui/AvatarScene.h"

#include <QApplication>
#include <QPalette>
#include <QWidget>
#include <optional>

#include "ui/FontMapping.h"
#include "ui/PictureDecoding.h"
#include "ui/QtText.h"
#include "ui/Toolkit.h"
#include "ui/platform/Platform.h"

namespace avatrix::ui {
namespace {

// A unit's colour as its widget draws it: the default is the palette's.
QColor ShownColour(Colour colour, const QColor& fallback) {
    return colour == kDefaultColour ? fallback : detail::ToQColor(colour);
}

QColor WindowColour() {
    return QApplication::palette().color(QPalette::Window);
}

// How far the window really lies from where the toolkit last heard it was:
// a window manager that moves windows without telling them leaves the
// toolkit's idea behind, and the avatar must show the banner where the
// screen does.
QPoint PlaceCorrection(std::string_view window) {
    const QWidget* top = QWidget::find(GetWindowHandle(window));
    if (top == nullptr) {
        return {};
    }
    const std::optional<QPoint> real = platform::Current().WindowOrigin(top);
    if (!real) {
        return {};
    }
    const QPointF logical = QPointF(*real) / top->devicePixelRatioF();
    return logical.toPoint() - top->mapToGlobal(QPoint(0, 0));
}

ScreenRect ShownClientArea(std::string_view window, std::string_view unit) {
    ScreenRect area = ClientAreaOnScreen(window, unit);
    const QPoint correction = PlaceCorrection(window);
    area.left += correction.x();
    area.top += correction.y();
    return area;
}

}  // namespace

AvatarScene SceneOf(std::string_view window, std::string_view box, std::string_view bannerWindow,
                    std::string_view label) {
    AvatarScene scene;
    const ScreenRect area = ShownClientArea(window, box);
    scene.box = QSize(area.width, area.height);
    scene.dpr = DevicePixelRatioOf(window, box);
    scene.picture = DecodePicture(GetPicture(window, box, Prop::Picture));
    scene.fit = GetInt(window, box, Prop::DisplayMode) == 3 ? render::PictureFit::Cover
                                                            : render::PictureFit::Natural;
    scene.boxColour = ShownColour(GetColour(window, box, Prop::BackColour), WindowColour());

    const std::uint32_t banner = GetWindowHandle(bannerWindow);
    scene.hasBanner = banner != 0 && QWidget::find(banner) != nullptr &&
                      GetBool(bannerWindow, kWindowUnit, Prop::Visible);
    if (!scene.hasBanner) {
        return scene;
    }
    const ScreenRect strip = ShownClientArea(bannerWindow, kWindowUnit);
    scene.bannerPos = QPoint(strip.left - area.left, strip.top - area.top);
    render::BannerStyle& style = scene.banner;
    style.stripSize = QSize(strip.width, strip.height);
    // The colour the window fills its background with.
    const QWidget* stripWidget = QWidget::find(banner);
    style.stripColour = stripWidget->palette().color(stripWidget->backgroundRole());
    style.opacity = GetWindowAlpha(banner);
    style.text = detail::ToQString(GetText(bannerWindow, label, Prop::Caption));
    style.font = detail::ToBannerFont(GetFont(bannerWindow, label));
    style.textColour =
        ShownColour(GetColour(bannerWindow, label, Prop::TextColour), QColor(Qt::black));
    style.labelRect =
        QRect(GetInt(bannerWindow, label, Prop::Left), GetInt(bannerWindow, label, Prop::Top),
              GetInt(bannerWindow, label, Prop::Width), GetInt(bannerWindow, label, Prop::Height));
    // A hidden label shows no text.
    if (!GetBool(bannerWindow, label, Prop::Visible)) {
        style.text.clear();
    }
    style.outline = GetBool(bannerWindow, label, Prop::TextOutline);
    style.shadow = GetBool(bannerWindow, label, Prop::TextShadow);
    return scene;
}

QImage ComposeScene(const AvatarScene& scene) {
    render::BannerStyle banner = scene.banner;
    if (!scene.hasBanner) {
        banner.opacity = 0;
    }
    return render::ComposeAvatar(scene.picture, scene.fit, banner, scene.bannerPos, scene.box,
                                 scene.dpr, scene.boxColour);
}

}  // namespace avatrix::ui

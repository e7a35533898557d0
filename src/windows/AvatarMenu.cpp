#include "windows/AvatarMenu.h"

#include "image/AvatarExport.h"
#include "text/Literal.h"
#include "ui/Toolkit.h"
#include "windows/Windows.h"

namespace avatrix::windows {
namespace {

using ui::Prop;

constexpr char kAvatarBox[] = "图片框1";
constexpr char kBannerLabel[] = "透明标签1";
// The picture box's display modes: the laid-out tiled view, and the
// picture scaled to cover the box.
constexpr int kTiledMode = 1;
constexpr int kCoverMode = 3;

}  // namespace

void SnapBannerToAvatarBottom() {
    const ui::ScreenRect box = ui::ClientAreaOnScreen(kMainWindow, kAvatarBox);
    if (box.width <= 0 || !ui::IsWindowLoaded(kBannerWindow)) {
        return;
    }
    const int height = ui::GetInt(kBannerWindow, ui::kWindowUnit, Prop::Height);
    ui::SetProperty(kBannerWindow, ui::kWindowUnit, Prop::Width, box.width);
    ui::SetProperty(kBannerWindow, kBannerLabel, Prop::Width, box.width);
    ui::SetProperty(kBannerWindow, ui::kWindowUnit, Prop::Left, box.left);
    ui::SetProperty(kBannerWindow, ui::kWindowUnit, Prop::Top, box.top + box.height - height);
}

void AttachAvatarMenu() {
    std::vector<ui::MenuItem> items;
    items.push_back({"缩放填满头像框"_gbk, {}, true, [](bool on) {
                         // A picture opened or dropped later keeps the mode.
                         ui::SetProperty(kMainWindow, kAvatarBox, Prop::DisplayMode,
                                         on ? kCoverMode : kTiledMode);
                     }});
    items.push_back({"横批放到头像底部"_gbk, {}, false, [](bool) { SnapBannerToAvatarBottom(); }});
    items.push_back({"文字描边"_gbk, {}, true, [](bool on) {
                         ui::SetProperty(kBannerWindow, kBannerLabel, Prop::TextOutline, on);
                     }});
    items.push_back({"文字阴影"_gbk, {}, true, [](bool on) {
                         ui::SetProperty(kBannerWindow, kBannerLabel, Prop::TextShadow, on);
                     }});
    items.push_back(
        {"复制头像"_gbk, Text("Ctrl+Shift+C"), false, [](bool) { image::CopyAvatar(); }});
    items.push_back(
        {"另存为 PNG…"_gbk, Text("Ctrl+Shift+S"), false, [](bool) { image::SaveAvatarAsPng(); }});
    ui::AttachContextMenu(kMainWindow, kAvatarBox, std::move(items));
}

}  // namespace avatrix::windows

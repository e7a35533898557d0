#include "windows/AvatarMenu.h"

#include "image/AvatarExport.h"
#include "text/Literal.h"
#include "ui/Toolkit.h"
#include "windows/Windows.h"

namespace avatrix::windows {
namespace {

using ui::Prop;
using namespace units;

}  // namespace

void SnapBannerToAvatarBottom() {
    const ui::ScreenRect box = ui::ClientAreaOnScreen(kAvatarBox);
    if (box.width <= 0 || !ui::IsWindowLoaded(kBannerWindow)) {
        return;
    }
    const int height = ui::GetInt(kBannerForm, Prop::Height);
    ui::SetProperty(kBannerForm, Prop::Width, box.width);
    ui::SetProperty(kBannerLabel, Prop::Width, box.width);
    ui::SetProperty(kBannerForm, Prop::Left, box.left);
    ui::SetProperty(kBannerForm, Prop::Top, box.top + box.height - height);
}

void AttachAvatarMenu() {
    std::vector<ui::MenuItem> items;
    items.push_back({"缩放填满头像框"_gbk, {}, true, [](bool on) {
                         // A picture opened or dropped later keeps the mode.
                         ui::SetProperty(kAvatarBox, Prop::DisplayMode,
                                         on ? ui::kDisplayCover : ui::kDisplayTiled);
                     }});
    items.push_back({"横批放到头像底部"_gbk, {}, false, [](bool) { SnapBannerToAvatarBottom(); }});
    items.push_back({"文字描边"_gbk, {}, true, [](bool on) {
                         ui::SetProperty(kBannerLabel, Prop::TextOutline, on);
                     }});
    items.push_back({"文字阴影"_gbk, {}, true, [](bool on) {
                         ui::SetProperty(kBannerLabel, Prop::TextShadow, on);
                     }});
    items.push_back({"复制头像"_gbk, Text("Ctrl+Shift+C"), false,
                     [](bool) { image::CopyAvatar(kAvatarUnits); }});
    items.push_back({"另存为 PNG…"_gbk, Text("Ctrl+Shift+S"), false,
                     [](bool) { image::SaveAvatarAsPng(kAvatarUnits); }});
    ui::AttachContextMenu(kAvatarBox, std::move(items));
}

}  // namespace avatrix::windows

#pragma once

#include <cstring>

#include "avatrix/Version.h"
#include "text/Literal.h"

// The wording and web addresses of the main window that are the program's own
// choice, kept together so that they can be reviewed and changed in one
// place. Each is UTF-8 here and becomes GBK where it is used ("..."_gbk).
namespace avatrix::windows::texts {

inline constexpr char kMainCaption[] = "Mirrowen文字头像 " AVATRIX_VERSION;

// 超级链接框1: an invitation to the users' chat group, with its page.
inline constexpr char kGroupLinkCaption[] = "加入Mirrowen头像交流群，一起分享你的文字头像！";
inline constexpr char kGroupLinkAddress[] = "http://qun.mirrowen.example/avatar-friends.html";

// 透明标签2 over the support picture.
inline constexpr char kSupportCaption[] = "点击图片，支持小岚和残障朋友！";

// OpenSupportLinks opens the charity shop first, then the author's web space.
inline constexpr char kSupportShopAddress[] =
    "http://shop.mirrowen.example/item/xiaolan-support.html";
inline constexpr char kWebSpaceAddress[] = "http://space.mirrowen.example/blog/";

// ConfirmExit: the parting credit line, then the author's own page.
inline constexpr char kCreditLine[] =
    "感谢您使用Mirrowen文字头像！有问题或建议欢迎联系作者，QQ：315728406";
inline constexpr char kAuthorPageAddress[] = "http://home.mirrowen.example/";

// The desktop entry the program is installed with (avatrix.desktop), by which
// a Wayland desktop files the restore shortcut under the program, and what
// its shortcut settings say the shortcut does.
inline constexpr char kDesktopEntryName[] = "avatrix";
inline constexpr char kRestoreShortcutId[] = "restore-windows";
inline constexpr char kRestoreShortcutDescription[] = "恢复显示 Avatrix 的主窗口和横批";

// ApplyBannerAlpha, once, on a desktop that cannot show a window's opacity.
inline constexpr char kNoOpacityOnScreen[] =
    "当前桌面没有合成管理器，屏幕上无法显示横批的透明度。\n"
    "头像菜单的“复制头像”和“另存为 PNG…”仍会按设置的透明度生成头像。";

// One of the texts above as the GBK text the program holds.
inline Text Gbk(const char* utf8) {
    return operator""_gbk(utf8, std::strlen(utf8));
}

}  // namespace avatrix::windows::texts

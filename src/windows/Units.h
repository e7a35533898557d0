#pragma once

#include "image/AvatarUnits.h"
#include "media/MusicHandlers.h"
#include "ui/Toolkit.h"
#include "web/UpdateCheck.h"

// Every unit of the two windows by its layout name, so that handlers name a
// unit by what it is for, and a name is spelt in one place: the layout tables
// are built from these too. The lower layers never see them: windows/ hands
// the addresses over where it calls them.
namespace avatrix::windows {

inline constexpr char kMainWindow[] = "MainWindow";
inline constexpr char kBannerWindow[] = "BannerWindow";

namespace units {

using ui::UnitRef;

inline constexpr UnitRef kMainForm{kMainWindow};
inline constexpr UnitRef kHideButton{kMainWindow, "按钮7"};
inline constexpr UnitRef kBannerColourPicker{kMainWindow, "颜色选择器2"};
inline constexpr UnitRef kAlphaButton{kMainWindow, "按钮6"};
inline constexpr UnitRef kAlphaBox{kMainWindow, "编辑框4"};
inline constexpr UnitRef kGroupLink{kMainWindow, "超级链接框1"};
inline constexpr UnitRef kNewestVersionBox{kMainWindow, "编辑框8"};
inline constexpr UnitRef kNewestVersionLabel{kMainWindow, "标签9"};
inline constexpr UnitRef kCurrentVersionBox{kMainWindow, "编辑框7"};
inline constexpr UnitRef kCurrentVersionLabel{kMainWindow, "标签8"};
inline constexpr UnitRef kSupportPicture{kMainWindow, "图片框3"};
inline constexpr UnitRef kSupportCaption{kMainWindow, "透明标签2"};
// The usage hint, also the target of the restore hot key.
inline constexpr UnitRef kHintLabel{kMainWindow, "标签7"};
inline constexpr UnitRef kDropTarget{kMainWindow, "拖放对象1"};
inline constexpr UnitRef kBannerColourLabel{kMainWindow, "标签6"};
// Never seen: holds the path of the music playing.
inline constexpr UnitRef kMusicPathBox{kMainWindow, "编辑框6"};
inline constexpr UnitRef kResumeButton{kMainWindow, "按钮12"};
inline constexpr UnitRef kPauseButton{kMainWindow, "按钮11"};
inline constexpr UnitRef kMusicButton{kMainWindow, "按钮10"};
// Shared by the font choice and the music file choice.
inline constexpr UnitRef kFontAndMusicDialog{kMainWindow, "通用对话框2"};
inline constexpr UnitRef kFontButton{kMainWindow, "按钮5"};
inline constexpr UnitRef kHeightLabel{kMainWindow, "标签3"};
inline constexpr UnitRef kWidthLabel{kMainWindow, "标签2"};
inline constexpr UnitRef kHeightBox{kMainWindow, "编辑框3"};
inline constexpr UnitRef kWidthBox{kMainWindow, "编辑框2"};
inline constexpr UnitRef kSizeButton{kMainWindow, "按钮4"};
inline constexpr UnitRef kTextColourLabel{kMainWindow, "标签1"};
inline constexpr UnitRef kTextColourPicker{kMainWindow, "颜色选择器1"};
// Shared by opening a picture and saving the avatar.
inline constexpr UnitRef kPictureDialog{kMainWindow, "通用对话框1"};
inline constexpr UnitRef kSaveButton{kMainWindow, "按钮3"};
inline constexpr UnitRef kOpenPictureButton{kMainWindow, "按钮13"};
inline constexpr UnitRef kApplyTextButton{kMainWindow, "按钮14"};
inline constexpr UnitRef kTextBox{kMainWindow, "编辑框1"};
inline constexpr UnitRef kAvatarBox{kMainWindow, "图片框1"};

inline constexpr UnitRef kBannerForm{kBannerWindow};
inline constexpr UnitRef kBannerLabel{kBannerWindow, "透明标签1"};

// What the picture, music and update handlers are handed.
inline constexpr image::AvatarUnits kAvatarUnits{kAvatarBox, kPictureDialog, kDropTarget,
                                                 kBannerLabel};
inline constexpr media::MusicUnits kMusicUnits{kFontAndMusicDialog, kMusicPathBox, kPauseButton,
                                               kResumeButton};
inline constexpr web::VersionBoxes kVersionBoxes{kCurrentVersionBox, kNewestVersionBox};

}  // namespace units
}  // namespace avatrix::windows

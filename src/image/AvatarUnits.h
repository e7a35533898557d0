#pragma once

#include <string_view>

#include "text/Literal.h"

// The main window's units the picture handlers work on, by layout name.
namespace avatrix::image {

inline constexpr std::string_view kMainWindow = "MainWindow";
inline constexpr std::string_view kAvatarPicture = "图片框1";
inline constexpr std::string_view kPictureDialog = "通用对话框1";
inline constexpr std::string_view kDropTarget = "拖放对象1";

// The shared dialog's filter for picture files, as both handlers set it.
inline Text PictureFilter() {
    return "图片类型.jpg.png|*.jpg*|*.png*|"_gbk;
}

}  // namespace avatrix::image

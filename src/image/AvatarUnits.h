#pragma once

#include "text/Literal.h"
#include "ui/Toolkit.h"

// The units the picture handlers work on, handed over by the window that
// holds them.
namespace avatrix::image {

struct AvatarUnits {
    ui::UnitRef box;          // the picture box that shows the avatar
    ui::UnitRef dialog;       // the file dialog for opening and saving pictures
    ui::UnitRef dropTarget;   // the drop target that serves the box
    ui::UnitRef bannerLabel;  // the banner's text, in the window floating over the box
};

// The shared dialog's filter for picture files, as both handlers set it.
inline Text PictureFilter() {
    return "图片类型.jpg.png|*.jpg*|*.png*|"_gbk;
}

}  // namespace avatrix::image

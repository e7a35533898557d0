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

// The shared dialog's filter for picture files, as the save handler sets it.
inline Text PictureFilter() {
    return "图片类型.jpg.png|*.jpg*|*.png*|"_gbk;
}

// The filter for opening a picture: the same entry, listing every kind of
// picture the avatar box shows (file dialogs match names in any letter case).
inline Text OpenPictureFilter() {
    return "图片类型.jpg.png|*.jpg;*.jpeg;*.jpe;*.jfif;*.png;*.gif;*.bmp;*.dib|"_gbk;
}

}  // namespace avatrix::image

#include "image/PictureLoading.h"

#include "image/AvatarUnits.h"
#include "ui/Toolkit.h"

namespace avatrix::image {

void OpenPicture() {
    ui::SetProperty(kMainWindow, kPictureDialog, ui::Prop::Filter, PictureFilter());
    ui::SetProperty(kMainWindow, kPictureDialog, ui::Prop::DialogKind, 0);
    ui::SetProperty(kMainWindow, kPictureDialog, ui::Prop::InitialDir, ui::DesktopDirectory());
    // The answer is not looked at: a cancel reloads whatever name the unit
    // still holds (nothing at first, which empties the box).
    ui::ShowCommonDialog(kMainWindow, kPictureDialog);
    const Text path = ui::GetText(kMainWindow, kPictureDialog, ui::Prop::FileName);
    ui::SetProperty(kMainWindow, kAvatarPicture, ui::Prop::Picture, ui::ReadWholeFile(path));
}

void PictureDropped(const Text& paths) {
    // Several files arrive as CR LF separated paths, which name no file: the
    // read comes back empty and the box is left without a picture.
    ui::SetProperty(kMainWindow, kAvatarPicture, ui::Prop::Picture, ui::ReadWholeFile(paths));
}

}  // namespace avatrix::image

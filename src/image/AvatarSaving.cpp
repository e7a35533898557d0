#include "image/AvatarSaving.h"

#include "image/AvatarUnits.h"
#include "ui/Toolkit.h"

namespace avatrix::image {

void SaveAvatar() {
    // The screen is copied before the dialog opens, so the dialog itself is
    // never part of the avatar.
    const ByteSet bytes = CaptureToBmpImage(ui::GetWindowHandle(kMainWindow, kAvatarPicture));

    ui::SetProperty(kMainWindow, kPictureDialog, ui::Prop::DialogKind, 1);
    ui::SetProperty(kMainWindow, kPictureDialog, ui::Prop::Filter, PictureFilter());
    ui::SetProperty(kMainWindow, kPictureDialog, ui::Prop::InitialDir, ui::DesktopDirectory());
    // A cancelled dialog leaves the previous name in the unit; writing to it
    // would overwrite a file the user did not choose this time.
    if (!ui::ShowCommonDialog(kMainWindow, kPictureDialog)) {
        return;
    }
    // The extension is added whatever the name already ends with.
    const Text name = ui::GetText(kMainWindow, kPictureDialog, ui::Prop::FileName) + ".jpg"_gbk;
    ui::WriteWholeFile(name, bytes);
}

}  // namespace avatrix::image

#include "image/AvatarSaving.h"

#include "image/AvatarExport.h"
#include "image/BmpImage.h"
#include "image/FileSaving.h"
#include "text/Literal.h"
#include "ui/Toolkit.h"

namespace avatrix::image {
namespace {

constexpr int kSavedBitsPerPixel = 16;

// Where the screen cannot be read (a rootless Xwayland keeps no pixels on its
// root window, so reading it fails), the avatar is composed from the box and
// the banner as they stand: the same picture the screen would show, in the
// same device pixels, so the file keeps its size and layout.
ByteSet AvatarAsBmpImage(const AvatarUnits& units) {
    ByteSet bytes = CaptureToBmpImage(ui::GetWindowHandle(units.box));
    if (bytes.empty()) {
        bytes = EncodeBmpImage(ComposeShownAvatar(units), kSavedBitsPerPixel);
    }
    return bytes;
}

}  // namespace

void SaveAvatar(const AvatarUnits& units) {
    // The avatar is taken before the dialog opens, so the dialog itself is
    // never part of it; nor is the note of an earlier save.
    ui::HideNote();
    const ByteSet bytes = AvatarAsBmpImage(units);
    if (bytes.empty()) {
        // Nothing to save: asking for a name would only end in an empty file.
        ui::ShowMessage("无法读取屏幕上的头像，没有保存任何文件。"_gbk, ui::kIconExclamation);
        return;
    }

    ui::SetProperty(units.dialog, ui::Prop::DialogKind, ui::kSaveFileDialog);
    ui::SetProperty(units.dialog, ui::Prop::Filter, PictureFilter());
    ui::SetProperty(units.dialog, ui::Prop::InitialDir, ui::DesktopDirectory());
    // A cancelled dialog leaves the previous name in the unit; writing to it
    // would overwrite a file the user did not choose this time.
    if (!ui::ShowCommonDialog(units.dialog)) {
        return;
    }
    // The extension is added whatever the name already ends with. The exact
    // name typed is used, not its GBK spelling, which may name another file.
    const Text typed = ui::GetText(units.dialog, ui::Prop::FileName);
    const ui::FilePath path = ui::ExactPath(units.dialog, typed) + ".jpg";
    if (SaveChosenFile(path, bytes)) {
        ui::ShowNote(units.box, "已保存"_gbk, path);
    }
}

}  // namespace avatrix::image

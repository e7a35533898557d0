#include "image/PictureLoading.h"

#include "image/FileSaving.h"
#include "image/PictureDecoder.h"
#include "ui/Toolkit.h"

namespace avatrix::image {
namespace {

// Reads the file and hands its bytes to the avatar box. A file that cannot be
// read empties the box; one refused for its size or type, or one that is no
// picture, leaves it alone and says why. A file the user has picked by name
// and that cannot be read leaves it alone too.
void ShowPictureFile(ui::UnitRef box, const ui::FilePath& path, bool chosen) {
    ui::FileContents contents = ui::ReadFileContents(path, kMaxPictureFileBytes);
    switch (contents.outcome) {
        case ui::ReadOutcome::NotAFile:
            ui::ShowMessage(QuotedName(path) + "不是普通文件，不能作为图片打开。"_gbk,
                            ui::kIconExclamation);
            return;
        case ui::ReadOutcome::TooLarge:
            ui::ShowMessage(QuotedName(path) + "超过 64 MB，不能作为图片打开。"_gbk,
                            ui::kIconExclamation);
            return;
        case ui::ReadOutcome::Unreadable:
            if (chosen) {
                ui::ShowMessage("无法打开"_gbk + QuotedName(path) + "：文件无法读取。"_gbk,
                                ui::kIconExclamation);
                return;
            }
            break;
        case ui::ReadOutcome::Read:
            // Bytes no decoder takes would only empty the box.
            if (DecodePictureBytes(contents.bytes).isNull()) {
                ui::ShowMessage("无法打开"_gbk + QuotedName(path) + "：它不是可以读取的图片。"_gbk,
                                ui::kIconExclamation);
                return;
            }
            break;
    }
    ui::SetProperty(box, ui::Prop::Picture, ui::Value(std::move(contents.bytes)));
}

}  // namespace

void OpenPicture(const AvatarUnits& units) {
    ui::SetProperty(units.dialog, ui::Prop::Filter, OpenPictureFilter());
    ui::SetProperty(units.dialog, ui::Prop::DialogKind, ui::kOpenFileDialog);
    ui::SetProperty(units.dialog, ui::Prop::InitialDir, ui::DesktopDirectory());
    // A cancelled dialog changes nothing: the name the unit still holds may be
    // a save's, which names no picture.
    if (!ui::ShowCommonDialog(units.dialog)) {
        return;
    }
    const Text name = ui::GetText(units.dialog, ui::Prop::FileName);
    ShowPictureFile(units.box, ui::ExactPath(units.dialog, name), true);
}

void PictureDropped(const AvatarUnits& units, const Text& paths) {
    // Several files arrive as CR LF separated paths, which name no file: the
    // read comes back empty and the box is left without a picture.
    ShowPictureFile(units.box, ui::ExactPath(units.dropTarget, paths), false);
}

}  // namespace avatrix::image

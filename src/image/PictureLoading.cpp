#include "image/PictureLoading.h"

#include "image/FileSaving.h"
#include "ui/Toolkit.h"

namespace avatrix::image {
namespace {

// Reads the file and hands its bytes to the avatar box. A file that cannot be
// read empties the box; one refused for its size or type leaves it alone and
// says why.
void ShowPictureFile(ui::UnitRef box, const ui::FilePath& path) {
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
        case ui::ReadOutcome::Read:
        case ui::ReadOutcome::Unreadable:
            break;
    }
    ui::SetProperty(box, ui::Prop::Picture, ui::Value(std::move(contents.bytes)));
}

}  // namespace

void OpenPicture(const AvatarUnits& units) {
    ui::SetProperty(units.dialog, ui::Prop::Filter, OpenPictureFilter());
    ui::SetProperty(units.dialog, ui::Prop::DialogKind, ui::kOpenFileDialog);
    ui::SetProperty(units.dialog, ui::Prop::InitialDir, ui::DesktopDirectory());
    // The answer is not looked at: a cancel reloads whatever name the unit
    // still holds (nothing at first, which empties the box).
    ui::ShowCommonDialog(units.dialog);
    const Text name = ui::GetText(units.dialog, ui::Prop::FileName);
    ShowPictureFile(units.box, ui::ExactPath(units.dialog, name));
}

void PictureDropped(const AvatarUnits& units, const Text& paths) {
    // Several files arrive as CR LF separated paths, which name no file: the
    // read comes back empty and the box is left without a picture.
    ShowPictureFile(units.box, ui::ExactPath(units.dropTarget, paths));
}

}  // namespace avatrix::image

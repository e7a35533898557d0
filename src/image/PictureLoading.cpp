#include "image/PictureLoading.h"

#include "image/AvatarUnits.h"
#include "image/FileSaving.h"
#include "ui/Toolkit.h"

namespace avatrix::image {
namespace {

// Reads the file and hands its bytes to the avatar box. A file that cannot be
// read empties the box; one refused for its size or type leaves it alone and
// says why.
void ShowPictureFile(const ui::FilePath& path) {
    ui::FileContents contents = ui::ReadFileContents(path, kMaxPictureFileBytes);
    switch (contents.outcome) {
        case ui::ReadOutcome::NotAFile:
            ui::ShowMessage(QuotedName(path) + "不是普通文件，不能作为图片打开。"_gbk, 0x30);
            return;
        case ui::ReadOutcome::TooLarge:
            ui::ShowMessage(QuotedName(path) + "超过 64 MB，不能作为图片打开。"_gbk, 0x30);
            return;
        case ui::ReadOutcome::Read:
        case ui::ReadOutcome::Unreadable:
            break;
    }
    ui::SetProperty(kMainWindow, kAvatarPicture, ui::Prop::Picture,
                    ui::Value(std::move(contents.bytes)));
}

}  // namespace

void OpenPicture() {
    ui::SetProperty(kMainWindow, kPictureDialog, ui::Prop::Filter, PictureFilter());
    ui::SetProperty(kMainWindow, kPictureDialog, ui::Prop::DialogKind, 0);
    ui::SetProperty(kMainWindow, kPictureDialog, ui::Prop::InitialDir, ui::DesktopDirectory());
    // The answer is not looked at: a cancel reloads whatever name the unit
    // still holds (nothing at first, which empties the box).
    ui::ShowCommonDialog(kMainWindow, kPictureDialog);
    const Text name = ui::GetText(kMainWindow, kPictureDialog, ui::Prop::FileName);
    ShowPictureFile(ui::ExactPath(kMainWindow, kPictureDialog, name));
}

void PictureDropped(const Text& paths) {
    // Several files arrive as CR LF separated paths, which name no file: the
    // read comes back empty and the box is left without a picture.
    ShowPictureFile(ui::ExactPath(kMainWindow, kDropTarget, paths));
}

}  // namespace avatrix::image

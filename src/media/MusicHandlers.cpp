#include "media/MusicHandlers.h"

#include "media/MusicControl.h"
#include "text/Literal.h"
#include "text/Primitives.h"
#include "ui/Toolkit.h"

namespace avatrix::media {

namespace {

// The author's contact number, the same one the update check's and the exit
// box's titles give.
Text NoMusicCaption() {
    return "Mirrowen腾讯博客QQ"_gbk + "315728406"_gbk + "温馨提示："_gbk;
}

}  // namespace

void AddBackgroundMusic(const MusicUnits& units) {
    // The dialog unit doubles as the font dialog, so its kind is set anew.
    ui::SetProperty(units.dialog, ui::Prop::Filter, "音乐文件.mp3|*.mp3*"_gbk);
    ui::SetProperty(units.dialog, ui::Prop::DialogKind, ui::kOpenFileDialog);
    ui::SetProperty(units.dialog, ui::Prop::InitialDir, ui::DesktopDirectory());
    ui::ShowCommonDialog(units.dialog);
    // After a cancel this is still the last confirmed choice, which then
    // starts again from its beginning.
    const Text path = ui::GetText(units.dialog, ui::Prop::FileName);
    // The exact name chosen plays, over and over, not the one its GBK
    // spelling names.
    StartMusic(kPlayEndlessly, {ui::ExactPath(units.dialog, path)});
    ui::SetProperty(units.pathBox, ui::Prop::Content, path);
}

void PauseMusic(const MusicUnits& units) {
    const Text path = ui::GetText(units.pathBox, ui::Prop::Content);
    if (FindText(path, Text(".mp3")) < 1) {
        ui::ShowMessage("请您先选择音乐文件后重试"_gbk, ui::kIconExclamation, NoMusicCaption());
        return;
    }
    ui::SetProperty(units.resumeButton, ui::Prop::Disabled, false);
    ui::SetProperty(units.pauseButton, ui::Prop::Disabled, true);
    PauseCurrentMusic();
}

void ResumeMusic(const MusicUnits& units) {
    ui::SetProperty(units.resumeButton, ui::Prop::Disabled, true);
    ui::SetProperty(units.pauseButton, ui::Prop::Disabled, false);
    ResumeCurrentMusic();
}

}  // namespace avatrix::media

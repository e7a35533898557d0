#include "media/MusicHandlers.h"

#include <string_view>

#include "media/MusicControl.h"
#include "text/Literal.h"
#include "text/Primitives.h"
#include "ui/Toolkit.h"

namespace avatrix::media {

namespace {

// The units of the start window the music buttons work with. The chosen
// path lives only in the dialog and in the hidden edit box.
constexpr std::string_view kWindow = "MainWindow";
constexpr std::string_view kFileDialog = "通用对话框2";
constexpr std::string_view kPathBox = "编辑框6";
constexpr std::string_view kPauseButton = "按钮11";
constexpr std::string_view kResumeButton = "按钮12";

constexpr int kOpenFileDialog = 0;
constexpr int kExclamationOk = 0x30;
// Play the chosen file over and over until something stops it.
constexpr int kEndless = -1;

// The author's contact number, the same one the update check's and the exit
// box's titles give.
Text NoMusicCaption() {
    return "Mirrowen腾讯博客QQ"_gbk + "315728406"_gbk + "温馨提示："_gbk;
}

}  // namespace

void AddBackgroundMusic() {
    // The dialog unit doubles as the font dialog, so its kind is set anew.
    ui::SetProperty(kWindow, kFileDialog, ui::Prop::Filter, "音乐文件.mp3|*.mp3*"_gbk);
    ui::SetProperty(kWindow, kFileDialog, ui::Prop::DialogKind, kOpenFileDialog);
    ui::SetProperty(kWindow, kFileDialog, ui::Prop::InitialDir, ui::DesktopDirectory());
    ui::ShowCommonDialog(kWindow, kFileDialog);
    // After a cancel this is still the last confirmed choice, which then
    // starts again from its beginning.
    const Text path = ui::GetText(kWindow, kFileDialog, ui::Prop::FileName);
    // The exact name chosen plays, not the one its GBK spelling names.
    StartMusic(kEndless, {ui::ExactPath(kWindow, kFileDialog, path)});
    ui::SetProperty(kWindow, kPathBox, ui::Prop::Content, path);
}

void PauseMusic() {
    const Text path = ui::GetText(kWindow, kPathBox, ui::Prop::Content);
    if (FindText(path, Text(".mp3")) < 1) {
        ui::ShowMessage("请您先选择音乐文件后重试"_gbk, kExclamationOk, NoMusicCaption());
        return;
    }
    ui::SetProperty(kWindow, kResumeButton, ui::Prop::Disabled, false);
    ui::SetProperty(kWindow, kPauseButton, ui::Prop::Disabled, true);
    PauseCurrentMusic();
}

void ResumeMusic() {
    ui::SetProperty(kWindow, kResumeButton, ui::Prop::Disabled, true);
    ui::SetProperty(kWindow, kPauseButton, ui::Prop::Disabled, false);
    ResumeCurrentMusic();
}

}  // namespace avatrix::media

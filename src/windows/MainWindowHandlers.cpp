#include "windows/MainWindowHandlers.h"

#include <utility>

#include "text/Literal.h"
#include "ui/Program.h"
#include "windows/ProgramTexts.h"
#include "windows/Windows.h"

namespace avatrix::windows {
namespace {

using ui::Prop;
using namespace units;

int restoreHotKeyId = 0;
bool desktopRestoreShortcutBound = false;
bool toldOpacityHidden = false;

}  // namespace

Text PlaceholderText() {
    return "请输入文字"_gbk;
}

int RestoreHotKeyId() {
    return restoreHotKeyId;
}
void SetRestoreHotKeyId(int id) {
    restoreHotKeyId = id;
}
bool DesktopRestoreShortcutBound() {
    return desktopRestoreShortcutBound;
}
void SetDesktopRestoreShortcutBound(bool bound) {
    desktopRestoreShortcutBound = bound;
}

bool ConfirmExit() {
    const int answer = ui::ShowMessage("是否要退出，如果还有没有保存的图片请先保存后再退出"_gbk,
                                       ui::kButtonsOkCancel | ui::kIconQuestion, "是否要关闭"_gbk);
    if (answer != ui::kAnswerOk) {
        return false;
    }
    ui::ShowMessage(texts::Gbk(texts::kCreditLine), ui::kIconInformation, "温馨提示："_gbk);
    ui::OpenAddress(texts::Gbk(texts::kAuthorPageAddress));
    ui::EndProgram(0);
}

void HideBothWindows() {
    // Only the restore key (or the desktop's shortcut for it) can show the
    // windows again; without either, hiding them would leave a running
    // program nobody can reach.
    if (restoreHotKeyId == 0 && !desktopRestoreShortcutBound) {
        return;
    }
    ui::SetProperty(kBannerForm, Prop::Visible, false);
    ui::SetProperty(kMainForm, Prop::Visible, false);
    ui::ShowMessage("按ALT键+F12键就可以恢复哦！"_gbk, ui::kIconInformation,
                    "Mirrowen温馨提示"_gbk);
}

void RestoreBothWindows() {
    ui::SetProperty(kBannerForm, Prop::Visible, true);
    ui::SetProperty(kMainForm, Prop::Visible, true);
}

void BringBackBothWindows() {
    RestoreBothWindows();
    // The banner first, as it was shown; the main window last, so it is the
    // one that gets the keyboard.
    ui::BringToFront(kBannerForm.window);
    ui::BringToFront(kMainForm.window);
}

void ApplyBannerText() {
    ui::SetProperty(kBannerLabel, Prop::Caption, ui::GetText(kTextBox, Prop::Content));
}

void ClearPlaceholder() {
    if (ui::GetText(kTextBox, Prop::Content) == PlaceholderText()) {
        ui::SetProperty(kTextBox, Prop::Content, Text());
    }
}

void RestorePlaceholder() {
    if (ui::GetText(kTextBox, Prop::Content).empty()) {
        ui::SetProperty(kTextBox, Prop::Content, PlaceholderText());
    }
}

void ApplyBannerFont() {
    // The dialog unit is shared with the music file choice, so the kind is
    // set on every use. A cancelled dialog keeps its previous results, and
    // those are applied again.
    ui::SetProperty(kFontAndMusicDialog, Prop::DialogKind, ui::kFontDialog);
    ui::ShowCommonDialog(kFontAndMusicDialog);
    using ui::FontMember;
    constexpr std::pair<FontMember, Prop> kResultsInOrder[] = {
        {FontMember::Face, Prop::FontName},           {FontMember::Size, Prop::FontSize},
        {FontMember::Bold, Prop::FontBold},           {FontMember::Italic, Prop::FontItalic},
        {FontMember::Underline, Prop::FontUnderline}, {FontMember::StrikeOut, Prop::FontStrikeOut},
    };
    for (const auto& [member, result] : kResultsInOrder) {
        ui::SetFontMember(kBannerLabel, member, ui::GetProperty(kFontAndMusicDialog, result));
    }
}

void ApplyBannerSize() {
    auto boxValue = [](ui::UnitRef box) { return ui::TextToInt(ui::GetText(box, Prop::Content)); };
    ui::SetProperty(kBannerForm, Prop::Width, boxValue(kWidthBox));
    ui::SetProperty(kBannerForm, Prop::Height, boxValue(kHeightBox));
    ui::SetProperty(kBannerLabel, Prop::Width, boxValue(kWidthBox));
    ui::SetProperty(kBannerLabel, Prop::Height, boxValue(kHeightBox));
}

void ApplyBannerAlpha() {
    const std::uint32_t banner = ui::GetWindowHandle(kBannerForm);
    const int alpha = ui::TextToInt(ui::GetText(kAlphaBox, Prop::Content));
    if (banner == 0) {
        return;
    }
    ui::SetWindowAlpha(banner, alpha);
    // Without a compositor the screen shows no change at all; the avatar
    // menu's exports apply the opacity, and the user should know why they
    // differ from the screen.
    if (!toldOpacityHidden && !ui::ScreenShowsOpacity()) {
        toldOpacityHidden = true;
        ui::ShowMessage(texts::Gbk(texts::kNoOpacityOnScreen), ui::kIconInformation);
    }
}

void ApplyBannerColour() {
    ui::SetProperty(kBannerForm, Prop::BackColour,
                    ui::GetColour(kBannerColourPicker, Prop::Colour));
}

void ApplyTextColour() {
    ui::SetProperty(kBannerLabel, Prop::TextColour, ui::GetColour(kTextColourPicker, Prop::Colour));
}

void OpenSupportLinks() {
    ui::OpenAddress(texts::Gbk(texts::kSupportShopAddress));
    ui::OpenAddress(texts::Gbk(texts::kWebSpaceAddress));
}

}  // namespace avatrix::windows

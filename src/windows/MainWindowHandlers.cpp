#include "windows/MainWindowHandlers.h"

#include <utility>

#include "text/Literal.h"
#include "ui/Program.h"
#include "windows/ProgramTexts.h"
#include "windows/Windows.h"

namespace avatrix::windows {
namespace {

using ui::Prop;

constexpr char kTextBox[] = "编辑框1";
constexpr char kBannerLabel[] = "透明标签1";
constexpr char kFontDialog[] = "通用对话框2";

int restoreHotKeyId = 0;

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

bool ConfirmExit() {
    const int answer = ui::ShowMessage("是否要退出，如果还有没有保存的图片请先保存后再退出"_gbk,
                                       0x21, "是否要关闭"_gbk);
    if (answer != 0) {
        return false;
    }
    ui::ShowMessage(texts::Gbk(texts::kCreditLine), 0x40, "温馨提示："_gbk);
    ui::OpenAddress(texts::Gbk(texts::kAuthorPageAddress));
    ui::EndProgram(0);
}

void HideBothWindows() {
    // Only the restore key can show the windows again; without it hiding
    // them would leave a running program nobody can reach.
    if (restoreHotKeyId == 0) {
        return;
    }
    ui::SetProperty(kBannerWindow, ui::kWindowUnit, Prop::Visible, false);
    ui::SetProperty(kMainWindow, ui::kWindowUnit, Prop::Visible, false);
    ui::ShowMessage("按ALT键+F12键就可以恢复哦！"_gbk, 0x40, "Mirrowen温馨提示"_gbk);
}

void RestoreBothWindows() {
    ui::SetProperty(kBannerWindow, ui::kWindowUnit, Prop::Visible, true);
    ui::SetProperty(kMainWindow, ui::kWindowUnit, Prop::Visible, true);
}

void ApplyBannerText() {
    ui::SetProperty(kBannerWindow, kBannerLabel, Prop::Caption,
                    ui::GetText(kMainWindow, kTextBox, Prop::Content));
}

void ClearPlaceholder() {
    if (ui::GetText(kMainWindow, kTextBox, Prop::Content) == PlaceholderText()) {
        ui::SetProperty(kMainWindow, kTextBox, Prop::Content, Text());
    }
}

void RestorePlaceholder() {
    if (ui::GetText(kMainWindow, kTextBox, Prop::Content).empty()) {
        ui::SetProperty(kMainWindow, kTextBox, Prop::Content, PlaceholderText());
    }
}

void ApplyBannerFont() {
    // The dialog unit is shared with the music file choice, so the kind is
    // set on every use. A cancelled dialog keeps its previous results, and
    // those are applied again.
    ui::SetProperty(kMainWindow, kFontDialog, Prop::DialogKind, 2);
    ui::ShowCommonDialog(kMainWindow, kFontDialog);
    using ui::FontMember;
    constexpr std::pair<FontMember, Prop> kResultsInOrder[] = {
        {FontMember::Face, Prop::FontName},           {FontMember::Size, Prop::FontSize},
        {FontMember::Bold, Prop::FontBold},           {FontMember::Italic, Prop::FontItalic},
        {FontMember::Underline, Prop::FontUnderline}, {FontMember::StrikeOut, Prop::FontStrikeOut},
    };
    for (const auto& [member, result] : kResultsInOrder) {
        ui::SetFontMember(kBannerWindow, kBannerLabel, member,
                          ui::GetProperty(kMainWindow, kFontDialog, result));
    }
}

void ApplyBannerSize() {
    auto boxValue = [](const char* box) {
        return ui::TextToInt(ui::GetText(kMainWindow, box, Prop::Content));
    };
    ui::SetProperty(kBannerWindow, ui::kWindowUnit, Prop::Width, boxValue("编辑框2"));
    ui::SetProperty(kBannerWindow, ui::kWindowUnit, Prop::Height, boxValue("编辑框3"));
    ui::SetProperty(kBannerWindow, kBannerLabel, Prop::Width, boxValue("编辑框2"));
    ui::SetProperty(kBannerWindow, kBannerLabel, Prop::Height, boxValue("编辑框3"));
}

void ApplyBannerAlpha() {
    const std::uint32_t banner = ui::GetWindowHandle(kBannerWindow);
    const int alpha = ui::TextToInt(ui::GetText(kMainWindow, "编辑框4", Prop::Content));
    if (banner != 0) {
        ui::SetWindowAlpha(banner, alpha);
    }
}

void ApplyBannerColour() {
    ui::SetProperty(kBannerWindow, ui::kWindowUnit, Prop::BackColour,
                    ui::GetColour(kMainWindow, "颜色选择器2", Prop::Colour));
}

void ApplyTextColour() {
    ui::SetProperty(kBannerWindow, kBannerLabel, Prop::TextColour,
                    ui::GetColour(kMainWindow, "颜色选择器1", Prop::Colour));
}

void OpenSupportLinks() {
    ui::OpenAddress(texts::Gbk(texts::kSupportShopAddress));
    ui::OpenAddress(texts::Gbk(texts::kWebSpaceAddress));
}

}  // namespace avatrix::windows

#include "avatrix/Version.h"
#include "image/AvatarSaving.h"
#include "image/PictureLoading.h"
#include "media/MusicHandlers.h"
#include "text/Literal.h"
#include "web/UpdateCheck.h"
#include "windows/AvatarMenu.h"
#include "windows/BuiltInPictures.h"
#include "windows/MainWindowHandlers.h"
#include "windows/ProgramTexts.h"
#include "windows/Windows.h"

namespace avatrix::windows {
namespace {

using ui::Colour;
using ui::Event;
using ui::Kind;
using ui::Prop;
using ui::UnitLayout;
using ui::UnitRef;
using namespace units;

UnitLayout Unit(UnitRef unit, Kind kind, int left, int top, int width, int height,
                std::vector<ui::PropertyInit> properties = {}, UnitRef parent = {}) {
    return UnitLayout{
        std::string(unit.unit),  kind, left, top, width, height, std::move(properties),
        std::string(parent.unit)};
}

// Every edit box of the window: black on white with a single border.
UnitLayout EditBox(UnitRef unit, int left, int top, int width, int height, Text content,
                   int inputMode = ui::kInputNormal, int maxLength = 0) {
    return Unit(unit, Kind::EditBox, left, top, width, height,
                {{Prop::Content, std::move(content)},
                 {Prop::Border, ui::kUnitBorderSunken},
                 {Prop::InputMode, inputMode},
                 {Prop::MaxLength, maxLength}});
}

UnitLayout Label(UnitRef unit, int left, int top, int width, int height, const char* caption) {
    return Unit(unit, Kind::Label, left, top, width, height,
                {{Prop::Caption, texts::Gbk(caption)}});
}

UnitLayout Button(UnitRef unit, int left, int top, int width, int height, const char* caption,
                  bool disabled = false) {
    return Unit(unit, Kind::Button, left, top, width, height,
                {{Prop::Caption, texts::Gbk(caption)}, {Prop::Disabled, disabled}});
}

// Both picture boxes: no border, so the client area is the whole 184 x 184
// box, and the picture tiled from the top-left corner at its natural size.
UnitLayout PicBox(UnitRef unit, int left, int top, ByteSet picture) {
    return Unit(unit, Kind::PicBox, left, top, 184, 184,
                {{Prop::Border, ui::kUnitBorderNone},
                 {Prop::BackColour, ui::kDefaultColour},
                 {Prop::DisplayMode, ui::kDisplayTiled},
                 {Prop::Picture, std::move(picture)}});
}

// Wraps a handler that takes no arguments and answers nothing.
template <void (*F)()>
ui::Handler Run() {
    return [](const ui::EventArgs&) {
        F();
        return true;
    };
}

// Wraps a handler of a lower layer that is handed the units it works on.
template <auto F, typename Units>
ui::Handler With(const Units& units) {
    return [units](const ui::EventArgs&) {
        F(units);
        return true;
    };
}

bool MainWindowCreated(const ui::EventArgs&) {
    // The menu is the tool's own addition; it works from the first moment,
    // whatever the notice check decides.
    AttachAvatarMenu();
    if (web::CheckUpdateAndNotice(kVersionBoxes)) {
        FinishStartup();
    }
    return true;
}

std::vector<ui::PropertyInit> WindowProperties() {
    return {
        {Prop::Caption, texts::Gbk(texts::kMainCaption)},
        {Prop::ClassName, "Mirrowen"_gbk},
        {Prop::Left, 50},
        {Prop::Top, 50},
        {Prop::Width, 812},
        {Prop::Height, 215},
        {Prop::Border, ui::kBorderFixed},
        {Prop::ControlBox, true},
        {Prop::MaxButton, false},
        {Prop::MinButton, false},
        {Prop::Position, ui::kPositionCentred},
        {Prop::Movable, false},
        {Prop::EscCloses, true},
        {Prop::ShowInTaskbar, true},
        {Prop::FreeMove, false},
        {Prop::AlwaysOnTop, false},
        {Prop::BackColour, ui::kDefaultColour},
        {Prop::Visible, true},
    };
}

// In creation order: where units of one parent overlap, the earlier lies
// above. The client area is about 184 pixels high, so the units placed at a
// Top of 190 or more are never seen and only hold values.
std::vector<UnitLayout> Units() {
    std::vector<UnitLayout> units;
    units.push_back(Button(kHideButton, 568, 160, 56, 24, "隐藏"));
    units.push_back(Unit(kBannerColourPicker, Kind::ColorPicker, 477, 104, 88, 24,
                         {{Prop::Colour, ui::kDefaultColour}}));
    units.push_back(Button(kAlphaButton, 566, 22, 56, 112, "设置横批透明"));
    units.push_back(EditBox(kAlphaBox, 568, 136, 56, 24, Text(), ui::kInputWholeNumber, 3));
    units.push_back(Unit(kGroupLink, Kind::HyperLinker, 230, 160, 343, 24,
                         {{Prop::Caption, texts::Gbk(texts::kGroupLinkCaption)},
                          {Prop::Address, texts::Gbk(texts::kGroupLinkAddress)}}));
    units.push_back(EditBox(kNewestVersionBox, 240, 336, 144, 16, Text()));
    units.push_back(Label(kNewestVersionLabel, 176, 336, 56, 16, "最新版本"));
    units.push_back(EditBox(kCurrentVersionBox, 240, 312, 144, 16, Text(AVATRIX_VERSION)));
    units.push_back(Label(kCurrentVersionLabel, 176, 312, 56, 16, "当前版本"));
    units.push_back(PicBox(kSupportPicture, 624, 0, SupportPicture()));
    units.push_back(Unit(
        kSupportCaption, Kind::TransLabel, 0, 72, 184, 24,
        {{Prop::Caption, texts::Gbk(texts::kSupportCaption)}, {Prop::TextColour, Colour{0x0000FF}}},
        kSupportPicture));
    units.push_back(
        Label(kHintLabel, 184, 0, 448, 24,
              "你也可以直接拖动图片到那个女的那里编辑哦根据截图来判断横批大小是最好的选择"));
    units.push_back(Unit(kDropTarget, Kind::DropTarget, 0, 0, 0, 0, {{Prop::AcceptFiles, false}}));
    units.push_back(Label(kBannerColourLabel, 407, 104, 64, 24, "横批颜色→"));
    units.push_back(EditBox(kMusicPathBox, 136, 232, 216, 24, Text()));
    units.push_back(Button(kResumeButton, 184, 160, 40, 24, "继续", true));
    units.push_back(Button(kPauseButton, 184, 128, 40, 24, "暂停"));
    units.push_back(Button(kMusicButton, 184, 96, 56, 32, "添加背景音乐"));
    units.push_back(Unit(kFontAndMusicDialog, Kind::CommonDlg, 0, 0, 0, 0));
    units.push_back(Button(kFontButton, 416, 71, 144, 24, "更改字体"));
    units.push_back(Label(kHeightLabel, 328, 128, 24, 24, "高X"));
    units.push_back(Label(kWidthLabel, 232, 128, 24, 24, "宽X"));
    units.push_back(EditBox(kHeightBox, 352, 128, 48, 24, Text(), ui::kInputWholeNumber));
    units.push_back(EditBox(kWidthBox, 256, 128, 48, 24, Text(), ui::kInputWholeNumber));
    units.push_back(Button(kSizeButton, 416, 136, 144, 24, "调整尺寸"));
    units.push_back(Label(kTextColourLabel, 192, 56, 64, 24, "文字颜色→"));
    units.push_back(Unit(kTextColourPicker, Kind::ColorPicker, 264, 56, 136, 24,
                         {{Prop::Colour, Colour{0x000000}}}));
    units.push_back(Unit(kPictureDialog, Kind::CommonDlg, 0, 0, 0, 0));
    units.push_back(Button(kSaveButton, 256, 88, 144, 32, "保存头像"));
    units.push_back(Button(kOpenPictureButton, 416, 24, 144, 32, "打开图片"));
    units.push_back(Button(kApplyTextButton, 352, 24, 56, 24, "加入文字"));
    units.push_back(EditBox(kTextBox, 192, 24, 152, 24, Text(), ui::kInputNormal));
    units.push_back(PicBox(kAvatarBox, 0, 0, DefaultAvatarPicture()));
    return units;
}

ui::Binding Bind(UnitRef unit, Event event, ui::Handler handler) {
    return ui::Binding{std::string(unit.unit), event, std::move(handler)};
}

std::vector<ui::Binding> Bindings() {
    return {
        Bind(kMainForm, Event::Created, MainWindowCreated),
        Bind(kMainForm, Event::QueryClose, [](const ui::EventArgs&) { return ConfirmExit(); }),
        Bind(kHideButton, Event::Clicked, Run<HideBothWindows>()),
        Bind(kHintLabel, Event::Feedback, Run<RestoreBothWindows>()),
        Bind(kTextBox, Event::FocusGained, Run<ClearPlaceholder>()),
        Bind(kTextBox, Event::FocusLost, Run<RestorePlaceholder>()),
        Bind(kTextBox, Event::KeyDown,
             [](const ui::EventArgs& args) {
                 if (args.keyCode == ui::kKeyEnter) {
                     ApplyBannerText();
                 }
                 return true;
             }),
        Bind(kApplyTextButton, Event::Clicked, Run<ApplyBannerText>()),
        Bind(kFontButton, Event::Clicked, Run<ApplyBannerFont>()),
        Bind(kSizeButton, Event::Clicked, Run<ApplyBannerSize>()),
        Bind(kAlphaButton, Event::Clicked, Run<ApplyBannerAlpha>()),
        Bind(kBannerColourPicker, Event::ColourChanged, Run<ApplyBannerColour>()),
        Bind(kTextColourPicker, Event::ColourChanged, Run<ApplyTextColour>()),
        Bind(kSupportPicture, Event::LeftButtonDown, Run<OpenSupportLinks>()),
        Bind(kSupportCaption, Event::LeftButtonDown, Run<OpenSupportLinks>()),
        Bind(kOpenPictureButton, Event::Clicked, With<image::OpenPicture>(kAvatarUnits)),
        Bind(kDropTarget, Event::FilesDropped,
             [](const ui::EventArgs& args) {
                 image::PictureDropped(kAvatarUnits, args.text);
                 return true;
             }),
        Bind(kSaveButton, Event::Clicked, With<image::SaveAvatar>(kAvatarUnits)),
        Bind(kMusicButton, Event::Clicked, With<media::AddBackgroundMusic>(kMusicUnits)),
        Bind(kPauseButton, Event::Clicked, With<media::PauseMusic>(kMusicUnits)),
        Bind(kResumeButton, Event::Clicked, With<media::ResumeMusic>(kMusicUnits)),
    };
}

}  // namespace

ui::WindowLayout MainWindowLayout() {
    return ui::WindowLayout{kMainWindow, WindowProperties(), Units(), Bindings()};
}

}  // namespace avatrix::windows

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

UnitLayout Unit(const char* name, Kind kind, int left, int top, int width, int height,
                std::vector<ui::PropertyInit> properties = {}, const char* parent = "") {
    return UnitLayout{name, kind, left, top, width, height, std::move(properties), parent};
}

// Every edit box of the window: black on white with a single border.
UnitLayout EditBox(const char* name, int left, int top, int width, int height, Text content,
                   int inputMode = 0, int maxLength = 0) {
    return Unit(name, Kind::EditBox, left, top, width, height,
                {{Prop::Content, std::move(content)},
                 {Prop::Border, 1},
                 {Prop::InputMode, inputMode},
                 {Prop::MaxLength, maxLength}});
}

UnitLayout Label(const char* name, int left, int top, int width, int height, const char* caption) {
    return Unit(name, Kind::Label, left, top, width, height,
                {{Prop::Caption, texts::Gbk(caption)}});
}

UnitLayout Button(const char* name, int left, int top, int width, int height, const char* caption,
                  bool disabled = false) {
    return Unit(name, Kind::Button, left, top, width, height,
                {{Prop::Caption, texts::Gbk(caption)}, {Prop::Disabled, disabled}});
}

// Both picture boxes: no border, so the client area is the whole 184 x 184
// box, and the picture tiled from the top-left corner at its natural size.
UnitLayout PicBox(const char* name, int left, int top, ByteSet picture) {
    return Unit(name, Kind::PicBox, left, top, 184, 184,
                {{Prop::Border, 0},
                 {Prop::BackColour, ui::kDefaultColour},
                 {Prop::DisplayMode, 1},
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

bool MainWindowCreated(const ui::EventArgs&) {
    // The menu is the tool's own addition; it works from the first moment,
    // whatever the notice check decides.
    AttachAvatarMenu();
    if (web::CheckUpdateAndNotice()) {
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
        {Prop::Border, 2},
        {Prop::ControlBox, true},
        {Prop::MaxButton, false},
        {Prop::MinButton, false},
        {Prop::Position, 1},
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
    units.push_back(Button("按钮7", 568, 160, 56, 24, "隐藏"));
    units.push_back(Unit("颜色选择器2", Kind::ColorPicker, 477, 104, 88, 24,
                         {{Prop::Colour, ui::kDefaultColour}}));
    units.push_back(Button("按钮6", 566, 22, 56, 112, "设置横批透明"));
    units.push_back(EditBox("编辑框4", 568, 136, 56, 24, Text(), 3, 3));
    units.push_back(Unit("超级链接框1", Kind::HyperLinker, 230, 160, 343, 24,
                         {{Prop::Caption, texts::Gbk(texts::kGroupLinkCaption)},
                          {Prop::Address, texts::Gbk(texts::kGroupLinkAddress)}}));
    units.push_back(EditBox("编辑框8", 240, 336, 144, 16, Text()));
    units.push_back(Label("标签9", 176, 336, 56, 16, "最新版本"));
    units.push_back(EditBox("编辑框7", 240, 312, 144, 16, Text(AVATRIX_VERSION)));
    units.push_back(Label("标签8", 176, 312, 56, 16, "当前版本"));
    units.push_back(PicBox("图片框3", 624, 0, SupportPicture()));
    units.push_back(Unit(
        "透明标签2", Kind::TransLabel, 0, 72, 184, 24,
        {{Prop::Caption, texts::Gbk(texts::kSupportCaption)}, {Prop::TextColour, Colour{0x0000FF}}},
        "图片框3"));
    units.push_back(
        Label("标签7", 184, 0, 448, 24,
              "你也可以直接拖动图片到那个女的那里编辑哦根据截图来判断横批大小是最好的选择"));
    units.push_back(Unit("拖放对象1", Kind::DropTarget, 0, 0, 0, 0, {{Prop::AcceptFiles, false}}));
    units.push_back(Label("标签6", 407, 104, 64, 24, "横批颜色→"));
    units.push_back(EditBox("编辑框6", 136, 232, 216, 24, Text()));
    units.push_back(Button("按钮12", 184, 160, 40, 24, "继续", true));
    units.push_back(Button("按钮11", 184, 128, 40, 24, "暂停"));
    units.push_back(Button("按钮10", 184, 96, 56, 32, "添加背景音乐"));
    units.push_back(Unit("通用对话框2", Kind::CommonDlg, 0, 0, 0, 0));
    units.push_back(Button("按钮5", 416, 71, 144, 24, "更改字体"));
    units.push_back(Label("标签3", 328, 128, 24, 24, "高X"));
    units.push_back(Label("标签2", 232, 128, 24, 24, "宽X"));
    units.push_back(EditBox("编辑框3", 352, 128, 48, 24, Text(), 3));
    units.push_back(EditBox("编辑框2", 256, 128, 48, 24, Text(), 3));
    units.push_back(Button("按钮4", 416, 136, 144, 24, "调整尺寸"));
    units.push_back(Label("标签1", 192, 56, 64, 24, "文字颜色→"));
    units.push_back(Unit("颜色选择器1", Kind::ColorPicker, 264, 56, 136, 24,
                         {{Prop::Colour, Colour{0x000000}}}));
    units.push_back(Unit("通用对话框1", Kind::CommonDlg, 0, 0, 0, 0));
    units.push_back(Button("按钮3", 256, 88, 144, 32, "保存头像"));
    units.push_back(Button("按钮13", 416, 24, 144, 32, "打开图片"));
    units.push_back(Button("按钮14", 352, 24, 56, 24, "加入文字"));
    units.push_back(EditBox("编辑框1", 192, 24, 152, 24, Text(), 0));
    units.push_back(PicBox("图片框1", 0, 0, DefaultAvatarPicture()));
    return units;
}

std::vector<ui::Binding> Bindings() {
    return {
        {std::string(ui::kWindowUnit), Event::Created, MainWindowCreated},
        {std::string(ui::kWindowUnit), Event::QueryClose,
         [](const ui::EventArgs&) { return ConfirmExit(); }},
        {"按钮7", Event::Clicked, Run<HideBothWindows>()},
        {"标签7", Event::Feedback, Run<RestoreBothWindows>()},
        {"编辑框1", Event::FocusGained, Run<ClearPlaceholder>()},
        {"编辑框1", Event::FocusLost, Run<RestorePlaceholder>()},
        {"编辑框1", Event::KeyDown,
         [](const ui::EventArgs& args) {
             if (args.keyCode == 13) {
                 ApplyBannerText();
             }
             return true;
         }},
        {"按钮14", Event::Clicked, Run<ApplyBannerText>()},
        {"按钮5", Event::Clicked, Run<ApplyBannerFont>()},
        {"按钮4", Event::Clicked, Run<ApplyBannerSize>()},
        {"按钮6", Event::Clicked, Run<ApplyBannerAlpha>()},
        {"颜色选择器2", Event::ColourChanged, Run<ApplyBannerColour>()},
        {"颜色选择器1", Event::ColourChanged, Run<ApplyTextColour>()},
        {"图片框3", Event::LeftButtonDown, Run<OpenSupportLinks>()},
        {"透明标签2", Event::LeftButtonDown, Run<OpenSupportLinks>()},
        {"按钮13", Event::Clicked, Run<image::OpenPicture>()},
        {"拖放对象1", Event::FilesDropped,
         [](const ui::EventArgs& args) {
             image::PictureDropped(args.text);
             return true;
         }},
        {"按钮3", Event::Clicked, Run<image::SaveAvatar>()},
        {"按钮10", Event::Clicked, Run<media::AddBackgroundMusic>()},
        {"按钮11", Event::Clicked, Run<media::PauseMusic>()},
        {"按钮12", Event::Clicked, Run<media::ResumeMusic>()},
    };
}

}  // namespace

ui::WindowLayout MainWindowLayout() {
    return ui::WindowLayout{kMainWindow, WindowProperties(), Units(), Bindings()};
}

}  // namespace avatrix::windows

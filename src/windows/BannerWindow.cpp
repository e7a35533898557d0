#include "windows/BannerWindow.h"

#include "text/Literal.h"
#include "ui/Toolkit.h"
#include "windows/Windows.h"

namespace avatrix::windows {

using ui::Prop;
using units::kBannerForm;
using units::kBannerLabel;

void PlaceBannerWindow() {
    ui::SetProperty(kBannerForm, Prop::Left, 318);
    ui::SetProperty(kBannerForm, Prop::Top, 500);
}

// A small borderless strip that floats above everything. Its one label is
// wider than the window, and the background below it is what the user drags
// the banner by.
ui::WindowLayout BannerWindowLayout() {
    ui::WindowLayout layout;
    layout.name = kBannerWindow;
    layout.properties = {
        {Prop::Caption, Text()},
        {Prop::ClassName, Text()},
        {Prop::Left, 50},
        {Prop::Top, 50},
        {Prop::Width, 181},
        {Prop::Height, 51},
        {Prop::Border, ui::kBorderNone},
        {Prop::ControlBox, false},
        {Prop::Position, ui::kPositionAsLaidOut},
        {Prop::Movable, true},
        {Prop::FreeMove, true},
        {Prop::AlwaysOnTop, true},
        {Prop::ShowInTaskbar, false},
        {Prop::EscCloses, false},
        {Prop::MaxButton, false},
        {Prop::MinButton, false},
        {Prop::BackColour, ui::kDefaultColour},
        {Prop::Visible, true},
    };
    layout.units = {
        ui::UnitLayout{std::string(kBannerLabel.unit),
                       ui::Kind::TransLabel,
                       0,
                       0,
                       208,
                       24,
                       {{Prop::Caption, "请您点击没有文字的区域移动哦。"_gbk},
                        {Prop::TextColour, ui::Colour{0x000000}}},
                       ""},
    };
    layout.bindings = {
        ui::Binding{std::string(ui::kWindowUnit), ui::Event::Created,
                    [](const ui::EventArgs&) {
                        PlaceBannerWindow();
                        return true;
                    }},
    };
    return layout;
}

}  // namespace avatrix::windows

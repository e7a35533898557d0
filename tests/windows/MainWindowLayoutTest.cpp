#include <set>

#include <QBuffer>
#include <QImage>
#include <QImageReader>

#include "MainWindowFixture.h"
#include "avatrix/Version.h"
#include "windows/BuiltInPictures.h"

namespace avatrix::windows::test {
namespace {

using ui::Event;
using ui::Prop;

const ui::UnitLayout* FindUnit(const ui::WindowLayout& layout, const std::string& name) {
    for (const ui::UnitLayout& unit : layout.units) {
        if (unit.name == name) {
            return &unit;
        }
    }
    return nullptr;
}

std::size_t IndexOf(const ui::WindowLayout& layout, const std::string& name) {
    for (std::size_t i = 0; i < layout.units.size(); ++i) {
        if (layout.units[i].name == name) {
            return i;
        }
    }
    return layout.units.size();
}

TEST(MainWindowLayout, UnitNamesAreUniqueAndEveryBindingNamesAUnit) {
    const ui::WindowLayout layout = MainWindowLayout();
    EXPECT_EQ(layout.name, kMainWindow);
    EXPECT_EQ(layout.units.size(), 33u);
    std::set<std::string> names;
    for (const ui::UnitLayout& unit : layout.units) {
        EXPECT_TRUE(names.insert(unit.name).second) << unit.name << " appears twice";
        if (!unit.parent.empty()) {
            // A container must exist before what it contains.
            EXPECT_LT(IndexOf(layout, unit.parent), IndexOf(layout, unit.name)) << unit.name;
        }
    }
    std::set<std::pair<std::string, Event>> bound;
    for (const ui::Binding& binding : layout.bindings) {
        EXPECT_TRUE(binding.unit.empty() || names.count(binding.unit)) << binding.unit;
        EXPECT_TRUE(bound.insert({binding.unit, binding.event}).second)
            << binding.unit << " has two handlers for one event";
        EXPECT_TRUE(binding.handler) << binding.unit;
    }
    // The events that have handlers, and no others.
    const std::set<std::pair<std::string, Event>> expected = {
        {"", Event::Created},
        {"", Event::QueryClose},
        {"按钮7", Event::Clicked},
        {"标签7", Event::Feedback},
        {"编辑框1", Event::FocusGained},
        {"编辑框1", Event::FocusLost},
        {"编辑框1", Event::KeyDown},
        {"按钮14", Event::Clicked},
        {"按钮5", Event::Clicked},
        {"按钮4", Event::Clicked},
        {"按钮6", Event::Clicked},
        {"颜色选择器2", Event::ColourChanged},
        {"颜色选择器1", Event::ColourChanged},
        {"图片框3", Event::LeftButtonDown},
        {"透明标签2", Event::LeftButtonDown},
        {"按钮13", Event::Clicked},
        {"拖放对象1", Event::FilesDropped},
        {"按钮3", Event::Clicked},
        {"按钮10", Event::Clicked},
        {"按钮11", Event::Clicked},
        {"按钮12", Event::Clicked},
    };
    EXPECT_EQ(bound, expected);
}

TEST(MainWindowLayout, StackingFollowsTheCreationOrder) {
    const ui::WindowLayout layout = MainWindowLayout();
    // The hide button is created first and so lies above the opacity button
    // it overlaps; the avatar box is created last, below everything.
    EXPECT_EQ(IndexOf(layout, "按钮7"), 0u);
    EXPECT_LT(IndexOf(layout, "按钮7"), IndexOf(layout, "按钮6"));
    EXPECT_EQ(IndexOf(layout, "图片框1"), layout.units.size() - 1);
    EXPECT_EQ(FindUnit(layout, "透明标签2")->parent, "图片框3");
}

// A value holder sits below the roughly 184-pixel client area.
TEST(MainWindowLayout, ValueHoldersLieBelowTheClientArea) {
    const ui::WindowLayout layout = MainWindowLayout();
    for (const char* name : {"编辑框8", "标签9", "编辑框7", "标签8", "编辑框6"}) {
        const ui::UnitLayout* unit = FindUnit(layout, name);
        ASSERT_NE(unit, nullptr) << name;
        EXPECT_GE(unit->top, 190) << name;
    }
    for (const ui::UnitLayout& unit : layout.units) {
        const bool holder = unit.top >= 190;
        const bool invisibleKind =
            unit.kind == ui::Kind::CommonDlg || unit.kind == ui::Kind::DropTarget;
        if (!holder && !invisibleKind && unit.parent.empty()) {
            EXPECT_LE(unit.top + unit.height, 184) << unit.name << " would be cut off";
            EXPECT_LE(unit.left + unit.width, 808) << unit.name << " would be cut off";
        }
    }
}

struct JpegFacts {
    QSize size;
    bool baseline = false;
};

JpegFacts Inspect(const ByteSet& bytes) {
    JpegFacts facts;
    QByteArray data(reinterpret_cast<const char*>(bytes.data()),
                    static_cast<qsizetype>(bytes.size()));
    QImage image = QImage::fromData(data, "JPEG");
    facts.size = image.size();
    // A baseline frame is marked SOF0 (FF C0); progressive ones use FF C2.
    facts.baseline =
        data.contains(QByteArray("\xFF\xC0", 2)) && !data.contains(QByteArray("\xFF\xC2", 2));
    return facts;
}

TEST(BuiltInPictures, AreBaselineJpegsOfTheLaidOutSizes) {
    const ByteSet avatar = DefaultAvatarPicture();
    const ByteSet support = SupportPicture();
    ASSERT_GT(avatar.size(), 2u);
    ASSERT_GT(support.size(), 2u);
    EXPECT_EQ(avatar[0], 0xFF);
    EXPECT_EQ(avatar[1], 0xD8);
    const JpegFacts a = Inspect(avatar);
    const JpegFacts s = Inspect(support);
    EXPECT_EQ(a.size, QSize(200, 200));
    EXPECT_EQ(s.size, QSize(670, 502));
    EXPECT_TRUE(a.baseline);
    EXPECT_TRUE(s.baseline);
    // Sizes the window layout was designed around (about 12 KB and 61 KB).
    EXPECT_NEAR(static_cast<double>(avatar.size()), 12220.0, 1500.0);
    EXPECT_NEAR(static_cast<double>(support.size()), 61290.0, 6000.0);
}

using LoadedMainWindow = MainWindowTest;

TEST_F(LoadedMainWindow, ShowsTheLaidOutStateThroughTheToolkit) {
    EXPECT_EQ(ui::GetInt(kMainWindow, ui::kWindowUnit, Prop::Width), 812);
    EXPECT_EQ(ui::GetInt(kMainWindow, ui::kWindowUnit, Prop::Height), 215);
    EXPECT_FALSE(ui::GetBool(kMainWindow, ui::kWindowUnit, Prop::Movable));
    EXPECT_TRUE(ui::GetBool(kMainWindow, ui::kWindowUnit, Prop::EscCloses));
    EXPECT_EQ(ui::GetText(kMainWindow, ui::kWindowUnit, Prop::ClassName), "Mirrowen"_gbk);
    EXPECT_EQ(Content("编辑框7"), Text(AVATRIX_VERSION));
    EXPECT_EQ(Content("编辑框8"), Text());
    EXPECT_EQ(Content("编辑框1"), Text());  // no placeholder before the first focus loss
    EXPECT_EQ(ui::GetInt(kMainWindow, "编辑框4", Prop::InputMode), 3);
    EXPECT_EQ(ui::GetInt(kMainWindow, "编辑框4", Prop::MaxLength), 3);
    EXPECT_EQ(ui::GetInt(kMainWindow, "编辑框2", Prop::InputMode), 3);
    EXPECT_EQ(ui::GetInt(kMainWindow, "编辑框3", Prop::InputMode), 3);
    EXPECT_TRUE(ui::GetBool(kMainWindow, "按钮12", Prop::Disabled));
    EXPECT_FALSE(ui::GetBool(kMainWindow, "按钮11", Prop::Disabled));
    EXPECT_EQ(ui::GetText(kMainWindow, "按钮7", Prop::Caption), "隐藏"_gbk);
    EXPECT_EQ(ui::GetText(kMainWindow, "按钮14", Prop::Caption), "加入文字"_gbk);
    EXPECT_EQ(ui::GetColour(kMainWindow, "透明标签2", Prop::TextColour), ui::Colour{0x0000FF});
    EXPECT_EQ(ui::GetPicture(kMainWindow, "图片框1", Prop::Picture), DefaultAvatarPicture());
    EXPECT_EQ(ui::GetPicture(kMainWindow, "图片框3", Prop::Picture), SupportPicture());
    EXPECT_EQ(ui::GetInt(kMainWindow, "图片框1", Prop::DisplayMode), 1);
    EXPECT_EQ(ui::GetInt(kMainWindow, "图片框3", Prop::DisplayMode), 1);
    EXPECT_NE(ui::GetWindowHandle(kMainWindow, "图片框1"), 0u);
}

}  // namespace
}  // namespace avatrix::windows::test

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QTest>

#include "Support.h"
#include "ui/TestHooks.h"
#include "ui/Toolkit.h"

namespace avatrix::uitest {
namespace {

using ui::Event;
using ui::Kind;
using ui::Prop;

TEST(ColorPicker, UserPicksRaiseColourChangedProgramWritesDoNot) {
    const std::string window = FreshName("Picker");
    int changes = 0;
    ui::Colour seenInHandler{1};
    ui::WindowLayout layout =
        Plain(window, {Row("颜色选择器1", Kind::ColorPicker, 10, 10, 136, 24,
                           {{Prop::Colour, ui::Colour{0x000000}}}),
                       Row("颜色选择器2", Kind::ColorPicker, 10, 40, 88, 24)});
    layout.bindings = {{"颜色选择器1", Event::ColourChanged, [&](const ui::EventArgs&) {
                            ++changes;
                            seenInHandler = ui::GetColour(window, "颜色选择器1", Prop::Colour);
                            return true;
                        }}};
    ASSERT_TRUE(ui::LoadWindow(layout));
    EXPECT_EQ(ui::GetColour(window, "颜色选择器1", Prop::Colour), ui::Colour{0x000000});
    EXPECT_EQ(ui::GetColour(window, "颜色选择器2", Prop::Colour), ui::kDefaultColour);

    auto* combo = qobject_cast<QComboBox*>(WidgetOf(window, "颜色选择器1"));
    ASSERT_NE(combo, nullptr);
    const int red = combo->findText(QString::fromUtf8("红色"));
    ASSERT_GE(red, 0);
    combo->setCurrentIndex(red);
    emit combo->activated(red);  // as a pick from the list does
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(seenInHandler, ui::Colour{0x0000FF});

    // A colour written by the program is shown, even one not in the list,
    // and raises nothing.
    ui::SetProperty(window, "颜色选择器1", Prop::Colour, ui::Colour{0x123456});
    EXPECT_EQ(ui::GetColour(window, "颜色选择器1", Prop::Colour), ui::Colour{0x123456});
    EXPECT_EQ(combo->currentText(), QStringLiteral("#563412"));
    EXPECT_EQ(changes, 1);
}

TEST(HyperLinker, ClickOpensItsAddress) {
    const std::string window = FreshName("Link");
    ASSERT_TRUE(
        ui::LoadWindow(Plain(window, {Row("超级链接框1", Kind::HyperLinker, 10, 10, 200, 24,
                                          {{Prop::Caption, "加入群"_gbk},
                                           {Prop::Address, Text("http://127.0.0.1:9/group")}})})));
    auto* link = qobject_cast<QLabel*>(WidgetOf(window, "超级链接框1"));
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(link->text(), QString::fromUtf8("加入群"));
    ui::testing::RecordOpenedAddresses(true);
    QTest::mouseClick(link, Qt::LeftButton, {}, {5, 5});
    EXPECT_EQ(ui::testing::OpenedAddresses(), std::vector<Text>{Text("http://127.0.0.1:9/group")});
    ui::testing::RecordOpenedAddresses(false);
}

TEST(Units, DisabledAndHiddenUnitsKeepTheirValues) {
    const std::string window = FreshName("States");
    ASSERT_TRUE(ui::LoadWindow(
        Plain(window, {Row("按钮12", Kind::Button, 10, 10, 40, 24,
                           {{Prop::Caption, "继续"_gbk}, {Prop::Disabled, true}}),
                       Row("编辑框6", Kind::EditBox, 10, 40, 100, 24,
                           {{Prop::Content, "/音乐.mp3"_gbk}, {Prop::Visible, false}})})));
    EXPECT_FALSE(WidgetOf(window, "按钮12")->isEnabled());
    EXPECT_TRUE(ui::GetBool(window, "按钮12", Prop::Disabled));
    ui::SetProperty(window, "按钮12", Prop::Disabled, false);
    EXPECT_TRUE(WidgetOf(window, "按钮12")->isEnabled());
    EXPECT_FALSE(WidgetOf(window, "编辑框6")->isVisible());
    EXPECT_EQ(ui::GetText(window, "编辑框6", Prop::Content), "/音乐.mp3"_gbk);
    ui::SetProperty(window, "编辑框6", Prop::Visible, true);
    EXPECT_TRUE(WidgetOf(window, "编辑框6")->isVisible());
}

}  // namespace
}  // namespace avatrix::uitest

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "Support.h"
#include "ui/FontMapping.h"
#include "ui/TestHooks.h"
#include "ui/Toolkit.h"

namespace avatrix::uitest {
namespace {

using ui::FontMember;
using ui::Kind;
using ui::Prop;

class UnitProperties : public ::testing::Test {
  protected:
    void SetUp() override {
        window = FreshName("Props");
        ASSERT_TRUE(
            ui::LoadWindow(Plain(window, {Row("透明标签1", Kind::TransLabel, 0, 0, 208, 24),
                                          Row("编辑框4", Kind::EditBox, 10, 40, 56, 24,
                                              {{Prop::InputMode, 3}, {Prop::MaxLength, 3}}),
                                          Row("编辑框1", Kind::EditBox, 10, 70, 150, 24),
                                          Row("通用对话框2", Kind::CommonDlg, 0, 0, 0, 0)})));
    }
    std::string window;
};

TEST(ButtonCaption, WrapsInATallNarrowButtonAndReadsBackWhole) {
    const std::string window = FreshName("Buttons");
    ASSERT_TRUE(ui::LoadWindow(Plain(
        window, {Row("按钮6", Kind::Button, 0, 0, 56, 112, {{Prop::Caption, "设置横批透明"_gbk}}),
                 Row("按钮4", Kind::Button, 60, 0, 144, 24, {{Prop::Caption, "调整尺寸"_gbk}})})));
    auto* narrow = qobject_cast<QPushButton*>(WidgetOf(window, "按钮6"));
    auto* wide = qobject_cast<QPushButton*>(WidgetOf(window, "按钮4"));
    ASSERT_NE(narrow, nullptr);
    ASSERT_NE(wide, nullptr);

    // Every line of the narrow button fits its width, and nothing is lost.
    const QStringList lines = narrow->text().split(QLatin1Char('\n'));
    EXPECT_GT(lines.size(), 1);
    for (const QString& line : lines) {
        EXPECT_LE(narrow->fontMetrics().horizontalAdvance(line), narrow->width());
    }
    EXPECT_EQ(lines.join(QString()), QString::fromUtf8("设置横批透明"));
    EXPECT_EQ(ui::GetText(window, "按钮6", Prop::Caption), "设置横批透明"_gbk);
    EXPECT_EQ(wide->text(), QString::fromUtf8("调整尺寸"));

    // Widened, the same caption goes back onto one line.
    ui::SetProperty(window, "按钮6", Prop::Width, 300);
    EXPECT_EQ(narrow->text(), QString::fromUtf8("设置横批透明"));
}

TEST_F(UnitProperties, FontFaceOutsideOneToThirtyOneBytesBecomesSongTi) {
    ui::SetFontMember(window, "透明标签1", FontMember::Face, "黑体"_gbk);
    EXPECT_EQ(ui::GetFont(window, "透明标签1").face, "黑体"_gbk);

    ui::SetFontMember(window, "透明标签1", FontMember::Face, Text());
    EXPECT_EQ(ui::GetFont(window, "透明标签1").face, "宋体"_gbk);

    const Text longest(std::string(31, 'a'));
    ui::SetFontMember(window, "透明标签1", FontMember::Face, longest);
    EXPECT_EQ(ui::GetFont(window, "透明标签1").face, longest);

    ui::SetFontMember(window, "透明标签1", FontMember::Face, Text(std::string(32, 'a')));
    EXPECT_EQ(ui::GetFont(window, "透明标签1").face, "宋体"_gbk);
    ui::SetFontMember(window, "透明标签1", FontMember::Face, Text(std::string(40, 'b')));
    EXPECT_EQ(ui::GetFont(window, "透明标签1").face, "宋体"_gbk);

    // The whole record written at once follows the same rule.
    ui::FontRecord record;
    record.face = Text(std::string(40, 'c'));
    ui::SetProperty(window, "透明标签1", Prop::Font, record);
    EXPECT_EQ(ui::GetFont(window, "透明标签1").face, "宋体"_gbk);
}

TEST_F(UnitProperties, FontAngleIsKeptWithinOneTurn) {
    ui::SetFontMember(window, "透明标签1", FontMember::Angle, 7200);
    EXPECT_EQ(ui::GetFont(window, "透明标签1").angle, 0);
    ui::SetFontMember(window, "透明标签1", FontMember::Angle, 3605);
    EXPECT_EQ(ui::GetFont(window, "透明标签1").angle, 5);
    ui::SetFontMember(window, "透明标签1", FontMember::Angle, -900);
    EXPECT_EQ(ui::GetFont(window, "透明标签1").angle, 2700);
    ui::SetFontMember(window, "透明标签1", FontMember::Angle, 450);
    EXPECT_EQ(ui::GetFont(window, "透明标签1").angle, 450);
}

TEST_F(UnitProperties, FontMembersChangeOneAtATime) {
    ui::SetFontMember(window, "透明标签1", FontMember::Size, 20);
    ui::SetFontMember(window, "透明标签1", FontMember::Bold, true);
    ui::SetFontMember(window, "透明标签1", FontMember::Underline, true);
    ui::SetFontMember(window, "透明标签1", FontMember::Face, "楷体"_gbk);
    ui::SetFontMember(window, "透明标签1", FontMember::Bold, false);
    const ui::FontRecord font = ui::GetFont(window, "透明标签1");
    EXPECT_EQ(font.size, 20);
    EXPECT_FALSE(font.bold);
    EXPECT_TRUE(font.underline);
    EXPECT_FALSE(font.italic);
    EXPECT_FALSE(font.strikeOut);
    EXPECT_EQ(font.face, "楷体"_gbk);
}

TEST_F(UnitProperties, HugeAndNegativeFontSizesStayDrawable) {
    ui::SetFontMember(window, "透明标签1", FontMember::Size, 1000000);
    EXPECT_EQ(ui::GetFont(window, "透明标签1").size, 1000000);
    EXPECT_EQ(ui::detail::ToQFont(ui::GetFont(window, "透明标签1")).pixelSize(),
              ui::detail::kLargestPixelSize);
    ui::SetProperty(window, "透明标签1", Prop::Caption, "大字"_gbk);
    EXPECT_FALSE(WidgetOf(window)->grab().isNull());

    ui::SetFontMember(window, "透明标签1", FontMember::Size, -12);
    EXPECT_EQ(ui::detail::ToQFont(ui::GetFont(window, "透明标签1")).pixelSize(), 16);
    ui::SetFontMember(window, "透明标签1", FontMember::Size, 0);
    EXPECT_EQ(ui::detail::ToQFont(ui::GetFont(window, "透明标签1")).pixelSize(), 12);
}

TEST_F(UnitProperties, WholeNumberModeDropsOtherPrintableCharacters) {
    auto* edit = qobject_cast<QLineEdit*>(WidgetOf(window, "编辑框4"));
    ASSERT_NE(edit, nullptr);
    QTest::keyClicks(edit, "a");
    EXPECT_EQ(ui::GetText(window, "编辑框4", Prop::Content), Text());
    QTest::keyClicks(edit, "-");
    QTest::keyClicks(edit, "7");
    EXPECT_EQ(ui::GetText(window, "编辑框4", Prop::Content), Text("-7"));
    QTest::keyClick(edit, Qt::Key_Backspace);
    EXPECT_EQ(ui::GetText(window, "编辑框4", Prop::Content), Text("-"));
    // MaxLength 3: a fourth character does not fit.
    QTest::keyClicks(edit, "x12.34");
    EXPECT_EQ(ui::GetText(window, "编辑框4", Prop::Content), Text("-12"));
}

TEST_F(UnitProperties, NormalEditBoxTakesEverythingAndReadsBackAsGbk) {
    auto* edit = qobject_cast<QLineEdit*>(WidgetOf(window, "编辑框1"));
    ASSERT_NE(edit, nullptr);
    QTest::keyClicks(edit, "ab-7");
    EXPECT_EQ(ui::GetText(window, "编辑框1", Prop::Content), Text("ab-7"));
    ui::SetProperty(window, "编辑框1", Prop::Content, "请输入文字"_gbk);
    EXPECT_EQ(edit->text(), QString::fromUtf8("请输入文字"));
    EXPECT_EQ(ui::GetText(window, "编辑框1", Prop::Content), "请输入文字"_gbk);
}

TEST_F(UnitProperties, CancelledFontDialogKeepsTheFirstResults) {
    ui::testing::SetDialogResponder([](const ui::testing::DialogRequest& request) {
        EXPECT_EQ(request.kind, 2);
        return ui::testing::DialogAnswer{};
    });
    ui::SetProperty(window, "通用对话框2", Prop::DialogKind, 2);
    EXPECT_FALSE(ui::ShowCommonDialog(window, "通用对话框2"));
    ui::testing::SetDialogResponder(nullptr);
    EXPECT_FALSE(ui::GetBool(window, "通用对话框2", Prop::FontBold));
    EXPECT_FALSE(ui::GetBool(window, "通用对话框2", Prop::FontItalic));
    EXPECT_FALSE(ui::GetBool(window, "通用对话框2", Prop::FontUnderline));
    EXPECT_FALSE(ui::GetBool(window, "通用对话框2", Prop::FontStrikeOut));
    EXPECT_EQ(ui::GetText(window, "通用对话框2", Prop::FontName), Text());
    EXPECT_EQ(ui::GetInt(window, "通用对话框2", Prop::FontSize), 0);
}

TEST_F(UnitProperties, ConfirmedDialogsStoreResultsAndCancelledOnesKeepThem) {
    ui::testing::DialogAnswer answer;
    answer.confirmed = true;
    answer.font.face = "楷体"_gbk;
    answer.font.size = 16;
    answer.font.bold = true;
    answer.font.strikeOut = true;
    ui::testing::SetDialogResponder([&](const ui::testing::DialogRequest&) { return answer; });
    ui::SetProperty(window, "通用对话框2", Prop::DialogKind, 2);
    EXPECT_TRUE(ui::ShowCommonDialog(window, "通用对话框2"));
    answer = ui::testing::DialogAnswer{};
    EXPECT_FALSE(ui::ShowCommonDialog(window, "通用对话框2"));
    ui::testing::SetDialogResponder(nullptr);
    EXPECT_EQ(ui::GetText(window, "通用对话框2", Prop::FontName), "楷体"_gbk);
    EXPECT_EQ(ui::GetInt(window, "通用对话框2", Prop::FontSize), 16);
    EXPECT_TRUE(ui::GetBool(window, "通用对话框2", Prop::FontBold));
    EXPECT_TRUE(ui::GetBool(window, "通用对话框2", Prop::FontStrikeOut));
    EXPECT_FALSE(ui::GetBool(window, "通用对话框2", Prop::FontItalic));
}

TEST_F(UnitProperties, FileDialogGetsTheFilterClosedWithTwoBars) {
    std::vector<ui::testing::DialogRequest> seen;
    ui::testing::SetDialogResponder([&](const ui::testing::DialogRequest& request) {
        seen.push_back(request);
        ui::testing::DialogAnswer answer;
        answer.confirmed = seen.size() == 1;
        answer.fileName = "/tmp/图片.jpg"_gbk;
        return answer;
    });
    ui::SetProperty(window, "通用对话框2", Prop::DialogKind, 0);
    ui::SetProperty(window, "通用对话框2", Prop::Filter, "图片|*.jpg;*.bmp|"_gbk);
    ui::SetProperty(window, "通用对话框2", Prop::InitialDir, Text("/tmp"));
    EXPECT_EQ(ui::GetText(window, "通用对话框2", Prop::FileName), Text());
    EXPECT_TRUE(ui::ShowCommonDialog(window, "通用对话框2"));
    EXPECT_EQ(ui::GetText(window, "通用对话框2", Prop::FileName), "/tmp/图片.jpg"_gbk);

    ui::SetProperty(window, "通用对话框2", Prop::Filter, "全部|*.*||"_gbk);
    ui::SetProperty(window, "通用对话框2", Prop::DialogKind, 1);
    EXPECT_FALSE(ui::ShowCommonDialog(window, "通用对话框2"));
    ui::testing::SetDialogResponder(nullptr);

    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].kind, 0);
    EXPECT_EQ(seen[0].filter, "图片|*.jpg;*.bmp|||"_gbk);
    EXPECT_EQ(seen[0].initialDir, Text("/tmp"));
    EXPECT_EQ(seen[1].kind, 1);
    EXPECT_EQ(seen[1].filter, "全部|*.*||"_gbk);  // already closed: nothing added
    EXPECT_EQ(seen[1].fileName, "/tmp/图片.jpg"_gbk);
    // The cancelled save left the name as it was.
    EXPECT_EQ(ui::GetText(window, "通用对话框2", Prop::FileName), "/tmp/图片.jpg"_gbk);
}

TEST_F(UnitProperties, UnknownNamesReadEmptyAndIgnoreWrites) {
    // Each unknown unit of a loaded window is reported; a window not loaded
    // is no mistake.
    std::vector<std::string> reported;
    ui::testing::SetUnknownUnitHandler([&](std::string_view window, std::string_view unit) {
        reported.push_back(std::string(window) + "/" + std::string(unit));
    });
    EXPECT_EQ(ui::GetInt("NoSuchWindow", "", Prop::Width), 0);
    EXPECT_EQ(ui::GetText(window, "无此单元", Prop::Caption), Text());
    ui::SetProperty(window, "无此单元", Prop::Caption, "x"_gbk);
    ui::SetProperty("NoSuchWindow", "", Prop::Width, 5);
    // A property the kind does not have reads empty after a write too.
    ui::SetProperty(window, "编辑框1", Prop::Picture, ByteSet{1, 2, 3});
    EXPECT_TRUE(ui::GetPicture(window, "编辑框1", Prop::Picture).empty());
    EXPECT_EQ(ui::GetWindowHandle(window, "无此单元"), 0u);
    EXPECT_EQ(ui::GetWindowHandle(window, "通用对话框2"), 0u);
    EXPECT_NE(ui::GetWindowHandle(window, "编辑框1"), 0u);
    EXPECT_FALSE(ui::ShowCommonDialog(window, "编辑框1"));
    ui::testing::SetUnknownUnitHandler({});
    const std::string unknown = std::string(window) + "/无此单元";
    EXPECT_EQ(reported, std::vector<std::string>(3, unknown));
}

TEST(NativeWindows, PictureBoxesHaveOneFromTheStartOtherUnitsWhenTheirHandleIsAskedFor) {
    const std::string window = FreshName("Native");
    ASSERT_TRUE(ui::LoadWindow(Plain(window, {Row("标签7", Kind::Label, 0, 0, 100, 24),
                                              Row("按钮7", Kind::Button, 0, 30, 60, 24),
                                              Row("图片框1", Kind::PicBox, 110, 0, 50, 50)})));
    // Found by place: asking for a handle would make the window.
    QWidget* form = WidgetOf(window);
    QWidget* label = form->childAt(5, 5);
    QWidget* button = form->childAt(5, 35);
    QWidget* box = form->childAt(115, 5);
    ASSERT_TRUE(label != nullptr && button != nullptr && box != nullptr);
    EXPECT_NE(form->internalWinId(), 0u);
    EXPECT_NE(box->internalWinId(), 0u);
    EXPECT_EQ(label->internalWinId(), 0u);
    EXPECT_EQ(button->internalWinId(), 0u);

    // Asking makes the unit's own window, and the handle given out is it;
    // its sibling stays as it was.
    const std::uint32_t handle = ui::GetWindowHandle(window, "标签7");
    EXPECT_NE(handle, 0u);
    EXPECT_EQ(handle, label->internalWinId());
    EXPECT_EQ(ui::GetWindowHandle(window, "标签7"), handle);
    EXPECT_EQ(button->internalWinId(), 0u);
    EXPECT_EQ(ui::GetWindowHandle(window, "图片框1"), box->internalWinId());
}

TEST_F(UnitProperties, NegativeAndZeroSizesReadBackAsEmpty) {
    ui::SetProperty(window, "编辑框1", Prop::Width, -40);
    ui::SetProperty(window, "编辑框1", Prop::Height, 0);
    EXPECT_EQ(ui::GetInt(window, "编辑框1", Prop::Width), 0);
    EXPECT_EQ(ui::GetInt(window, "编辑框1", Prop::Height), 0);
    EXPECT_EQ(WidgetOf(window, "编辑框1")->size(), QSize(0, 0));
    ui::SetProperty(window, "", Prop::Width, 0);
    ui::SetProperty(window, "", Prop::Height, -5);
    EXPECT_EQ(ui::GetInt(window, "", Prop::Width), 0);
    EXPECT_EQ(ui::GetInt(window, "", Prop::Height), 0);
    ui::SetProperty(window, "", Prop::Width, 181);
    EXPECT_EQ(ui::GetInt(window, "", Prop::Width), 181);
    EXPECT_EQ(WidgetOf(window)->width(), 181);
}

}  // namespace
}  // namespace avatrix::uitest

#include "MainWindowFixture.h"

namespace avatrix::windows::test {
namespace {

using ui::Event;
using ui::Prop;

class BannerHandlers : public MainWindowTest {
  protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        EnsureBannerWindow();
    }
    static Text BannerText() { return ui::GetText(kBannerWindow, kBannerLabel, Prop::Caption); }
};

TEST_F(BannerHandlers, PlaceholderShowsOnlyWhileEmptyAndUnfocused) {
    const ui::Handler gained = BoundHandler("编辑框1", Event::FocusGained);
    const ui::Handler lost = BoundHandler("编辑框1", Event::FocusLost);

    lost({});
    EXPECT_EQ(Content("编辑框1"), "请输入文字"_gbk);
    gained({});
    EXPECT_EQ(Content("编辑框1"), Text());

    // Typed text survives both focus changes.
    SetContent("编辑框1", "生日快乐"_gbk);
    lost({});
    gained({});
    EXPECT_EQ(Content("编辑框1"), "生日快乐"_gbk);

    // Only the placeholder byte for byte is cleared.
    SetContent("编辑框1", "请输入文字 "_gbk);
    gained({});
    EXPECT_EQ(Content("编辑框1"), "请输入文字 "_gbk);
    SetContent("编辑框1", "请输入"_gbk);
    gained({});
    EXPECT_EQ(Content("编辑框1"), "请输入"_gbk);
}

TEST_F(BannerHandlers, EnterAndTheButtonPutTheTextUnchangedOnTheBanner) {
    const ui::Handler keyDown = BoundHandler("编辑框1", Event::KeyDown);
    const ui::Handler button = BoundHandler("按钮14", Event::Clicked);

    SetContent("编辑框1", "  我的头像 "_gbk);
    ui::EventArgs enter;
    enter.keyCode = 13;
    keyDown(enter);
    EXPECT_EQ(BannerText(), "  我的头像 "_gbk);  // no trimming

    SetContent("编辑框1", "abc"_gbk);
    ui::EventArgs letter;
    letter.keyCode = 'A';
    keyDown(letter);
    EXPECT_EQ(BannerText(), "  我的头像 "_gbk) << "only Enter applies the text";

    button({});
    EXPECT_EQ(BannerText(), "abc"_gbk);

    // With the placeholder showing, the placeholder itself goes on the banner.
    SetContent("编辑框1", Text());
    BoundHandler("编辑框1", Event::FocusLost)({});
    button({});
    EXPECT_EQ(BannerText(), "请输入文字"_gbk);

    // An empty box empties the banner.
    SetContent("编辑框1", Text());
    button({});
    EXPECT_EQ(BannerText(), Text());
}

TEST_F(BannerHandlers, SizeGoesToWindowAndLabelAlike) {
    const ui::Handler apply = BoundHandler("按钮4", Event::Clicked);
    auto expectSize = [](int width, int height) {
        for (const std::string_view unit : {ui::kWindowUnit, std::string_view(kBannerLabel)}) {
            EXPECT_EQ(ui::GetInt(kBannerWindow, unit, Prop::Width), width) << unit;
            EXPECT_EQ(ui::GetInt(kBannerWindow, unit, Prop::Height), height) << unit;
        }
    };

    const struct {
        Text width, height;
        int expectedWidth, expectedHeight;
    } sizes[] = {
        {"150"_gbk, "40"_gbk, 150, 40},
        {"１２０"_gbk, "30"_gbk, 120, 30},  // full-width digits read as half-width
        {Text(), "30"_gbk, 0, 30},          // no range check: an empty box is 0
        {"181"_gbk, "51"_gbk, 181, 51},
    };
    for (const auto& size : sizes) {
        SetContent("编辑框2", size.width);
        SetContent("编辑框3", size.height);
        apply({});
        expectSize(size.expectedWidth, size.expectedHeight);
    }
}

TEST_F(BannerHandlers, OpacityFollowsTheBoxAndFallsBackToOpaque) {
    const ui::Handler apply = BoundHandler("按钮6", Event::Clicked);
    QWidget* banner = WidgetOfHandle(ui::GetWindowHandle(kBannerWindow));
    ASSERT_NE(banner, nullptr);

    SetContent("编辑框4", "128"_gbk);
    apply({});
    EXPECT_NEAR(banner->windowOpacity(), 128.0 / 255.0, 0.01);

    SetContent("编辑框4", "300"_gbk);
    apply({});
    EXPECT_DOUBLE_EQ(banner->windowOpacity(), 1.0);

    SetContent("编辑框4", "0"_gbk);
    apply({});
    EXPECT_DOUBLE_EQ(banner->windowOpacity(), 0.0);

    SetContent("编辑框4", "-5"_gbk);
    apply({});
    EXPECT_DOUBLE_EQ(banner->windowOpacity(), 1.0);

    // An empty box reads as 0: the banner becomes invisible but stays.
    SetContent("编辑框4", Text());
    apply({});
    EXPECT_DOUBLE_EQ(banner->windowOpacity(), 0.0);
    EXPECT_TRUE(ui::IsWindowLoaded(kBannerWindow));
    EXPECT_TRUE(ui::GetBool(kBannerWindow, ui::kWindowUnit, Prop::Visible));

    SetContent("编辑框4", "255"_gbk);
    apply({});
    EXPECT_DOUBLE_EQ(banner->windowOpacity(), 1.0);
}

TEST_F(BannerHandlers, ColourPickersColourTheBannerAndItsText) {
    ui::SetProperty(kBannerWindow, kBannerLabel, Prop::TextColour, ui::Colour{0x000000});
    ui::SetProperty(kMainWindow, "颜色选择器2", Prop::Colour, ui::Colour{0x3366CC});
    BoundHandler("颜色选择器2", Event::ColourChanged)({});
    EXPECT_EQ(ui::GetColour(kBannerWindow, ui::kWindowUnit, Prop::BackColour),
              ui::Colour{0x3366CC});
    EXPECT_EQ(ui::GetColour(kBannerWindow, kBannerLabel, Prop::TextColour), ui::Colour{0x000000})
        << "the background picker leaves the text alone";

    ui::SetProperty(kMainWindow, "颜色选择器1", Prop::Colour, ui::Colour{0x00FFFF});
    BoundHandler("颜色选择器1", Event::ColourChanged)({});
    EXPECT_EQ(ui::GetColour(kBannerWindow, kBannerLabel, Prop::TextColour), ui::Colour{0x00FFFF});
    EXPECT_EQ(ui::GetColour(kBannerWindow, ui::kWindowUnit, Prop::BackColour),
              ui::Colour{0x3366CC});

    // Back to the laid-out colours for whatever runs next in this process.
    ui::SetProperty(kMainWindow, "颜色选择器1", Prop::Colour, ui::Colour{0x000000});
    ui::SetProperty(kMainWindow, "颜色选择器2", Prop::Colour, ui::kDefaultColour);
}

TEST_F(BannerHandlers, FontDialogResultsAreCopiedAndReappliedAfterCancel) {
    const ui::Handler apply = BoundHandler("按钮5", Event::Clicked);
    std::vector<ui::testing::DialogRequest> requests;
    ui::testing::DialogAnswer next;
    ui::testing::SetDialogResponder([&](const ui::testing::DialogRequest& request) {
        requests.push_back(request);
        return next;
    });
    // The dialog unit is shared with the music file choice, which leaves its
    // own kind behind.
    ui::SetProperty(kMainWindow, "通用对话框2", Prop::DialogKind, 0);
    ui::SetFontMember(kBannerWindow, kBannerLabel, ui::FontMember::Angle, 900);

    // A cancel on first use: the empty results give the default face.
    next = {};
    apply({});
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].kind, 2);
    ui::FontRecord font = ui::GetFont(kBannerWindow, kBannerLabel);
    EXPECT_EQ(font.face, "宋体"_gbk);
    EXPECT_EQ(font.size, 0);
    EXPECT_FALSE(font.bold || font.italic || font.underline || font.strikeOut);

    next.confirmed = true;
    next.font.face = "DejaVu Sans"_gbk;
    next.font.size = 18;
    next.font.bold = true;
    next.font.underline = true;
    // The label's font as the confirmed dialog above gave it.
    auto expectDialogFont = [] {
        const ui::FontRecord font = ui::GetFont(kBannerWindow, kBannerLabel);
        EXPECT_EQ(font.face, "DejaVu Sans"_gbk);
        EXPECT_EQ(font.size, 18);
        EXPECT_TRUE(font.bold);
        EXPECT_FALSE(font.italic);
        return font;
    };
    apply({});
    font = expectDialogFont();
    EXPECT_TRUE(font.underline);
    EXPECT_FALSE(font.strikeOut);
    EXPECT_EQ(font.angle, 900) << "the dialog has no angle to give";

    // The label changed behind the dialog's back; a cancelled dialog
    // applies its previous results again.
    ui::SetFontMember(kBannerWindow, kBannerLabel, ui::FontMember::Size, 40);
    ui::SetFontMember(kBannerWindow, kBannerLabel, ui::FontMember::Italic, true);
    next = {};
    apply({});
    expectDialogFont();
    EXPECT_EQ(requests.size(), 3u);
}

}  // namespace
}  // namespace avatrix::windows::test

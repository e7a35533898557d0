#include <gtest/gtest.h>

#include "Support.h"
#include "ui/Toolkit.h"
#include "windows/Windows.h"

namespace avatrix::uitest {
namespace {

using ui::Prop;
using windows::kBannerWindow;

// The banner as its layout and handler make it, offscreen; its life on a
// real display is in X11Test.
class Banner : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        if (!ui::IsWindowLoaded(kBannerWindow)) {
            ASSERT_TRUE(ui::LoadWindow(windows::BannerWindowLayout()));
        }
    }
};

TEST_F(Banner, LayoutAndPlacement) {
    EXPECT_EQ(ui::GetInt(kBannerWindow, "", Prop::Left), 318);
    EXPECT_EQ(ui::GetInt(kBannerWindow, "", Prop::Top), 500);
    EXPECT_EQ(ui::GetInt(kBannerWindow, "", Prop::Width), 181);
    EXPECT_EQ(ui::GetInt(kBannerWindow, "", Prop::Height), 51);
    QWidget* banner = WidgetOf(kBannerWindow);
    ASSERT_NE(banner, nullptr);
    EXPECT_EQ(banner->size(), QSize(181, 51));
    EXPECT_TRUE(banner->isVisible());
    EXPECT_TRUE(banner->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(banner->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(ui::GetBool(kBannerWindow, "", Prop::FreeMove));
    EXPECT_FALSE(ui::GetBool(kBannerWindow, "", Prop::ShowInTaskbar));
    EXPECT_FALSE(ui::GetBool(kBannerWindow, "", Prop::EscCloses));

    EXPECT_EQ(ui::GetText(kBannerWindow, "透明标签1", Prop::Caption),
              "请您点击没有文字的区域移动哦。"_gbk);
    EXPECT_EQ(ui::GetColour(kBannerWindow, "透明标签1", Prop::TextColour), ui::Colour{0});
    EXPECT_EQ(ui::GetFont(kBannerWindow, "透明标签1").face, "宋体"_gbk);
    EXPECT_EQ(WidgetOf(kBannerWindow, "透明标签1")->geometry(), QRect(0, 0, 208, 24));
}

TEST_F(Banner, ColourShowsAroundTheTextAndSizesFollowWrites) {
    ui::SetProperty(kBannerWindow, "", Prop::BackColour, ui::Colour{0x00FFFF});
    ui::SetProperty(kBannerWindow, "透明标签1", Prop::TextColour, ui::Colour{0x0000FF});
    const QImage shot = WidgetOf(kBannerWindow)->grab().toImage();
    EXPECT_EQ(shot.pixelColor(176, 3), QColor(255, 255, 0));  // in the label, past the text
    EXPECT_EQ(shot.pixelColor(90, 40), QColor(255, 255, 0));  // the strip below
    int red = 0;
    for (int x = 0; x < 160; ++x) {
        for (int y = 0; y < 20; ++y) {
            const QColor c = shot.pixelColor(x, y);
            red += c.red() > 150 && c.green() < 100 && c.blue() < 100;
        }
    }
    EXPECT_GT(red, 100);

    for (auto unit : {std::string_view(ui::kWindowUnit), std::string_view("透明标签1")}) {
        ui::SetProperty(kBannerWindow, unit, Prop::Width, 181);
        ui::SetProperty(kBannerWindow, unit, Prop::Height, 51);
    }
    EXPECT_EQ(WidgetOf(kBannerWindow, "透明标签1")->geometry(), QRect(0, 0, 181, 51));
    for (auto unit : {std::string_view(ui::kWindowUnit), std::string_view("透明标签1")}) {
        ui::SetProperty(kBannerWindow, unit, Prop::Width, 0);
    }
    EXPECT_EQ(ui::GetInt(kBannerWindow, "", Prop::Width), 0);
    EXPECT_EQ(ui::GetInt(kBannerWindow, "透明标签1", Prop::Width), 0);
    for (auto unit : {std::string_view(ui::kWindowUnit), std::string_view("透明标签1")}) {
        ui::SetProperty(kBannerWindow, unit, Prop::Width, 181);
    }
}

TEST_F(Banner, HidingKeepsEverything) {
    ui::SetProperty(kBannerWindow, "透明标签1", Prop::Caption, "横批"_gbk);
    ui::SetProperty(kBannerWindow, "", Prop::Visible, false);
    EXPECT_FALSE(WidgetOf(kBannerWindow)->isVisible());
    ui::SetProperty(kBannerWindow, "", Prop::Visible, true);
    EXPECT_TRUE(WidgetOf(kBannerWindow)->isVisible());
    EXPECT_EQ(ui::GetText(kBannerWindow, "透明标签1", Prop::Caption), "横批"_gbk);
    EXPECT_EQ(ui::GetInt(kBannerWindow, "", Prop::Left), 318);
}

}  // namespace
}  // namespace avatrix::uitest

#include <gtest/gtest.h>

#include <QPainter>

#include "Support.h"
#include "render/AvatarComposer.h"
#include "render/BannerPainter.h"
#include "ui/FontMapping.h"
#include "ui/Toolkit.h"
#include "windows/Windows.h"

namespace avatrix::uitest {
namespace {

using ui::Prop;
using windows::kBannerWindow;
using windows::units::kBannerLabel;

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

    EXPECT_EQ(ui::GetText(kBannerWindow, kBannerLabel.unit, Prop::Caption),
              "请您点击没有文字的区域移动哦。"_gbk);
    EXPECT_EQ(ui::GetColour(kBannerWindow, kBannerLabel.unit, Prop::TextColour), ui::Colour{0});
    EXPECT_EQ(ui::GetFont(kBannerWindow, kBannerLabel.unit).face, "宋体"_gbk);
    EXPECT_EQ(WidgetOf(kBannerWindow, kBannerLabel.unit)->geometry(), QRect(0, 0, 208, 24));
}

TEST_F(Banner, ColourShowsAroundTheTextAndSizesFollowWrites) {
    ui::SetProperty(kBannerWindow, "", Prop::BackColour, ui::Colour{0x00FFFF});
    ui::SetProperty(kBannerWindow, kBannerLabel.unit, Prop::TextColour, ui::Colour{0x0000FF});
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

    for (auto unit : {std::string_view(ui::kWindowUnit), kBannerLabel.unit}) {
        ui::SetProperty(kBannerWindow, unit, Prop::Width, 181);
        ui::SetProperty(kBannerWindow, unit, Prop::Height, 51);
    }
    EXPECT_EQ(WidgetOf(kBannerWindow, kBannerLabel.unit)->geometry(), QRect(0, 0, 181, 51));
    for (auto unit : {std::string_view(ui::kWindowUnit), kBannerLabel.unit}) {
        ui::SetProperty(kBannerWindow, unit, Prop::Width, 0);
    }
    EXPECT_EQ(ui::GetInt(kBannerWindow, "", Prop::Width), 0);
    EXPECT_EQ(ui::GetInt(kBannerWindow, kBannerLabel.unit, Prop::Width), 0);
    for (auto unit : {std::string_view(ui::kWindowUnit), kBannerLabel.unit}) {
        ui::SetProperty(kBannerWindow, unit, Prop::Width, 181);
    }
}

TEST_F(Banner, HidingKeepsEverything) {
    ui::SetProperty(kBannerWindow, kBannerLabel.unit, Prop::Caption, "横批"_gbk);
    ui::SetProperty(kBannerWindow, "", Prop::Visible, false);
    EXPECT_FALSE(WidgetOf(kBannerWindow)->isVisible());
    ui::SetProperty(kBannerWindow, "", Prop::Visible, true);
    EXPECT_TRUE(WidgetOf(kBannerWindow)->isVisible());
    EXPECT_EQ(ui::GetText(kBannerWindow, kBannerLabel.unit, Prop::Caption), "横批"_gbk);
    EXPECT_EQ(ui::GetInt(kBannerWindow, "", Prop::Left), 318);
}

// The banner is drawn by the shared painter: with outline and shadow off its
// pixels are those of plain text on the strip, one line from the label's
// corner that runs on past a label too small for it as far as the strip
// reaches; the export's own rendering of the same values matches the window,
// and the outline rings light glyphs.
TEST_F(Banner, PaintsPlainTextAsBeforeAndOutlinesOnRequest) {
    ui::SetProperty(kBannerWindow, "", Prop::Width, 181);
    ui::SetProperty(kBannerWindow, "", Prop::Height, 51);
    ui::SetProperty(kBannerWindow, kBannerLabel.unit, Prop::Width, 150);
    ui::SetProperty(kBannerWindow, kBannerLabel.unit, Prop::Height, 16);
    ui::SetProperty(kBannerWindow, "", Prop::BackColour, ui::Colour{0x80C0F0});
    ui::SetProperty(kBannerWindow, kBannerLabel.unit, Prop::TextColour, ui::Colour{0x202080});
    ui::SetProperty(kBannerWindow, kBannerLabel.unit, Prop::Caption,
                    "横批 Avatar 头像文字换行"_gbk);
    ui::FontRecord font;
    font.size = 14;
    font.bold = true;
    ui::SetProperty(kBannerWindow, kBannerLabel.unit, Prop::Font, font);

    const QImage shot =
        WidgetOf(kBannerWindow)->grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(shot.size(), QSize(181, 51));
    QImage plain(shot.size(), QImage::Format_RGB32);
    plain.fill(QColor(0xF0, 0xC0, 0x80));
    {
        QPainter painter(&plain);
        painter.setRenderHint(QPainter::TextAntialiasing);
        painter.setFont(ui::detail::ToQFont(font));
        painter.setPen(QColor(0x80, 0x20, 0x20));
        painter.drawText(QRect(0, 0, 181, 51), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                         QString::fromUtf8("横批 Avatar 头像文字换行"));
    }
    EXPECT_EQ(shot, plain);
    // Ink below the 16-pixel label and right of its 150 pixels: nothing cut.
    const auto inked = [&](QRect area) {
        int n = 0;
        for (int y = area.top(); y <= area.bottom(); ++y) {
            for (int x = area.left(); x <= area.right(); ++x) {
                n += qGray(shot.pixel(x, y)) < 110;
            }
        }
        return n;
    };
    EXPECT_GT(inked(QRect(0, 16, 150, 12)), 10);
    EXPECT_GT(inked(QRect(150, 0, 31, 16)), 10);
    EXPECT_EQ(inked(QRect(0, 32, 181, 19)), 0);  // one line, nothing wrapped below

    render::BannerStyle style;
    style.text = QString::fromUtf8("横批 Avatar 头像文字换行");
    style.font = ui::detail::ToBannerFont(font);
    style.textColour = QColor(0x80, 0x20, 0x20);
    style.stripColour = QColor(0xF0, 0xC0, 0x80);
    style.stripSize = QSize(181, 51);
    style.labelRect = QRect(0, 0, 150, 16);
    EXPECT_EQ(render::RenderBanner(style), shot);

    // Light text on a light strip: only the outline can make dark pixels.
    ui::SetProperty(kBannerWindow, "", Prop::BackColour, ui::Colour{0xE0F0F0});
    ui::SetProperty(kBannerWindow, kBannerLabel.unit, Prop::TextColour, ui::Colour{0xFFFFFF});
    const auto darkPixels = [](int below = 64) {
        const QImage image = WidgetOf(kBannerWindow)->grab().toImage();
        int dark = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                dark += qGray(image.pixel(x, y)) < below;
            }
        }
        return dark;
    };
    EXPECT_EQ(darkPixels(180), 0);
    ui::SetProperty(kBannerWindow, kBannerLabel.unit, Prop::TextOutline, true);
    EXPECT_GT(darkPixels(), 200);
    EXPECT_EQ(render::OutlineColourFor(Qt::white), QColor(Qt::black));
    EXPECT_EQ(render::OutlineColourFor(QColor(0x10, 0x10, 0x40)), QColor(Qt::white));
    ui::SetProperty(kBannerWindow, kBannerLabel.unit, Prop::TextOutline, false);
    ui::SetProperty(kBannerWindow, kBannerLabel.unit, Prop::TextShadow, true);
    EXPECT_GT(darkPixels(180), 50);  // black at half opacity: mid grey at its core
    ui::SetProperty(kBannerWindow, kBannerLabel.unit, Prop::TextShadow, false);
    ui::SetProperty(kBannerWindow, kBannerLabel.unit, Prop::Width, 208);
    ui::SetProperty(kBannerWindow, kBannerLabel.unit, Prop::Height, 24);
}

// The composed avatar at a scale of 2: twice the device pixels, the picture
// tiled as the box tiles it, and the banner blended at its opacity and cut at
// the box's edges. (The covering fit is compared with the screen end to end.)
TEST(Composer, ComposesAtScaleWithClippedBlendedBanner) {
    QImage picture(100, 50, QImage::Format_RGB32);
    picture.fill(QColor(0, 200, 0));
    picture.setPixelColor(0, 0, QColor(255, 0, 0));
    render::BannerStyle banner;
    banner.stripColour = QColor(0, 0, 255);
    banner.stripSize = QSize(181, 51);
    banner.opacity = 128;

    const QImage avatar = render::ComposeAvatar(picture, render::PictureFit::Natural, banner,
                                                QPoint(150, 170), render::kAvatarBoxSize, 2.0);
    ASSERT_EQ(avatar.size(), QSize(368, 368));
    EXPECT_EQ(avatar.devicePixelRatio(), 2.0);
    // Tiled at natural size: the red corner pixel repeats every 100 x 50 as a 2 x 2 block.
    EXPECT_EQ(avatar.pixelColor(201, 101), QColor(255, 0, 0));
    EXPECT_EQ(avatar.pixelColor(202, 101), QColor(0, 200, 0));
    const QColor blended = avatar.pixelColor(367, 367);
    EXPECT_NEAR(blended.blue(), 128, 2);
    EXPECT_NEAR(blended.green(), 100, 2);
    EXPECT_EQ(avatar.pixelColor(299, 367), QColor(0, 200, 0));  // left of the banner
}

}  // namespace
}  // namespace avatrix::uitest

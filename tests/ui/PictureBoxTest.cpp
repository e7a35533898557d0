#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QPainter>

#include "Support.h"
#include "ui/PictureDecoding.h"
#include "ui/Toolkit.h"

namespace avatrix::uitest {
namespace {

using ui::Kind;
using ui::Prop;

// A picture file made here: red with a blue top-left quarter, as PNG bytes.
ByteSet PictureFile(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::red);
    QPainter(&image).fillRect(0, 0, width / 2, height / 2, Qt::blue);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return ByteSet(bytes.begin(), bytes.end());
}

class PictureBox : public ::testing::Test {
  protected:
    QImage Shows(int mode, const ByteSet& picture, int box = 100) {
        const std::string window = FreshName("Pic");
        EXPECT_TRUE(ui::LoadWindow(Plain(window, {Row("图片框1", Kind::PicBox, 0, 0, box, box,
                                                      {{Prop::Border, 0},
                                                       {Prop::BackColour, ui::Colour{0x00FF00}},
                                                       {Prop::DisplayMode, mode},
                                                       {Prop::Picture, picture}})})));
        EXPECT_EQ(ui::GetPicture(window, "图片框1", Prop::Picture), picture);
        return WidgetOf(window, "图片框1")->grab().toImage();
    }
    static QColor Red() { return QColor(255, 0, 0); }
    static QColor Blue() { return QColor(0, 0, 255); }
    static QColor Green() { return QColor(0, 255, 0); }
};

TEST_F(PictureBox, OnceDrawsFromTheTopLeftOnTheBackground) {
    const QImage shot = Shows(0, PictureFile(40, 40));
    EXPECT_EQ(shot.pixelColor(5, 5), Blue());
    EXPECT_EQ(shot.pixelColor(30, 30), Red());
    EXPECT_EQ(shot.pixelColor(60, 60), Green());
}

TEST_F(PictureBox, TiledRepeatsSmallPicturesAndCutsLargeOnes) {
    const QImage small = Shows(1, PictureFile(40, 40));
    EXPECT_EQ(small.pixelColor(45, 45), Blue());  // second tile's corner
    EXPECT_EQ(small.pixelColor(70, 70), Red());
    EXPECT_EQ(small.pixelColor(85, 5), Blue());  // third tile across
    const QImage large = Shows(1, PictureFile(400, 400));
    EXPECT_EQ(large.pixelColor(99, 99), Blue());  // only the top-left part shows
}

TEST_F(PictureBox, CentredShrinksLargePicturesByTheSmallerRatio) {
    const QImage fits = Shows(2, PictureFile(40, 20));
    EXPECT_EQ(fits.pixelColor(29, 39), Green());  // left of the centred picture
    EXPECT_EQ(fits.pixelColor(31, 41), Blue());
    EXPECT_EQ(fits.pixelColor(68, 58), Red());
    EXPECT_EQ(fits.pixelColor(50, 61), Green());  // below it

    // 400 x 200 in 100 x 100: shrunk to 100 x 50, centred vertically.
    const QImage wide = Shows(2, PictureFile(400, 200));
    EXPECT_EQ(wide.pixelColor(50, 20), Green());
    EXPECT_EQ(wide.pixelColor(10, 30), Blue());
    EXPECT_EQ(wide.pixelColor(90, 70), Red());
    EXPECT_EQ(wide.pixelColor(50, 80), Green());
}

TEST_F(PictureBox, ALargePictureShowsMoreOfItselfWhenTheBoxGrowsOrShrinksItToFit) {
    // 400 x 100: blue over 200 x 50 at the top left, red elsewhere. The box
    // first shows a 50 x 50 corner of it, all blue.
    const std::string window = FreshName("Grow");
    ASSERT_TRUE(ui::LoadWindow(Plain(window, {Row("图片框1", Kind::PicBox, 0, 0, 50, 50,
                                                  {{Prop::Border, 0},
                                                   {Prop::BackColour, ui::Colour{0x00FF00}},
                                                   {Prop::DisplayMode, 1},
                                                   {Prop::Picture, PictureFile(400, 100)}})})));
    QWidget* box = WidgetOf(window, "图片框1");
    EXPECT_EQ(box->grab().toImage().pixelColor(45, 45), Blue());

    // Wider and taller: the picture's red right part and its lower half show,
    // and below the picture's 100 rows the tiling starts again with blue.
    ui::SetProperty(window, "图片框1", Prop::Width, 300);
    ui::SetProperty(window, "图片框1", Prop::Height, 150);
    QImage grown = box->grab().toImage();
    EXPECT_EQ(grown.pixelColor(250, 20), Red());
    EXPECT_EQ(grown.pixelColor(20, 80), Red());
    EXPECT_EQ(grown.pixelColor(20, 120), Blue());

    // Shrunk to fit, centred: the whole picture at 300 x 75, red at its right.
    ui::SetProperty(window, "图片框1", Prop::DisplayMode, 2);
    QImage fitted = box->grab().toImage();
    EXPECT_EQ(fitted.pixelColor(150, 10), Green());
    EXPECT_EQ(fitted.pixelColor(20, 40), Blue());
    EXPECT_EQ(fitted.pixelColor(280, 100), Red());
}

TEST_F(PictureBox, UndecodableBytesShowTheBackgroundColour) {
    const QImage shot = Shows(1, ByteSet{'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c'});
    EXPECT_EQ(shot.pixelColor(5, 5), Green());
    EXPECT_EQ(shot.pixelColor(95, 95), Green());
}

TEST_F(PictureBox, TheInstalledDecoderIsUsed) {
    int calls = 0;
    ui::SetPictureDecoder([&](const ByteSet&) {
        ++calls;
        QImage image(10, 10, QImage::Format_RGB32);
        image.fill(Qt::blue);
        return image;
    });
    const QImage shot = Shows(0, ByteSet{1, 2, 3});
    ui::SetPictureDecoder(nullptr);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(shot.pixelColor(5, 5), Blue());
    EXPECT_EQ(shot.pixelColor(50, 50), Green());
}

TEST_F(PictureBox, ABorderedBoxShiftsItsChildrenAndItsPicture) {
    const std::string window = FreshName("Bordered");
    ASSERT_TRUE(ui::LoadWindow(
        Plain(window, {Row("图片框3", Kind::PicBox, 0, 0, 100, 100,
                           {{Prop::Border, 1}, {Prop::Picture, PictureFile(40, 40)}}),
                       Row("透明标签2", Kind::TransLabel, 0, 10, 50, 20, {}, "图片框3")})));
    EXPECT_EQ(WidgetOf(window, "透明标签2")->pos(), QPoint(2, 12));
    EXPECT_EQ(WidgetOf(window, "图片框3")->grab().toImage().pixelColor(2, 2), Blue());
    ui::SetProperty(window, "图片框3", Prop::Border, 0);
    EXPECT_EQ(WidgetOf(window, "透明标签2")->pos(), QPoint(0, 10));
}

}  // namespace
}  // namespace avatrix::uitest

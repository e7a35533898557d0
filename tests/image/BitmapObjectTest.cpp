#include <cstdint>

#include <gtest/gtest.h>
#include <QGuiApplication>

#include "TestPictures.h"
#include "image/BitmapObject.h"
#include "image/BitmapTable.h"
#include "image/CaptureBackend.h"

namespace avatrix::image {
namespace {

using testing::Colour;

class BitmapObjectTest : public ::testing::Test {
  protected:
    // A bitmap whose pixel (x, y) has red x and green y, at the given depth.
    std::uint32_t Numbered(int width, int height, int bits = 32) {
        const std::uint32_t blank = bo.CreateBlankBitmap(width, height);
        const std::uint32_t bitmap = bo.ConvertDepth(blank, bits);
        bo.FreeBitmap(blank);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                bo.WritePixel(bitmap, x, y, Colour(8 * x, 8 * y, 0x80));
            }
        }
        return bitmap;
    }
    void TearDown() override {
        for (std::uint32_t h : made) {
            bo.FreeBitmap(h);
        }
    }
    std::uint32_t Keep(std::uint32_t h) {
        made.push_back(h);
        return h;
    }
    BitmapObject bo;
    std::vector<std::uint32_t> made;
};

TEST_F(BitmapObjectTest, FreshTargetRunsToTheSourceEdgesAtTheSourceDepth) {
    const std::uint32_t source = Keep(Numbered(10, 8, 16));
    std::uint32_t target = 0;
    ASSERT_TRUE(bo.CopyRegion(source, target, 3, 2));
    Keep(target);
    ASSERT_NE(target, 0u);
    EXPECT_EQ(bo.GetWidth(target), 7);
    EXPECT_EQ(bo.GetHeight(target), 6);
    EXPECT_EQ(bo.GetBitsPerPixel(target), 16);
    EXPECT_EQ(bo.ReadPixel(target, 0, 0), bo.ReadPixel(source, 3, 2));
    EXPECT_EQ(bo.ReadPixel(target, 6, 5), bo.ReadPixel(source, 9, 7));
}

TEST_F(BitmapObjectTest, ExplicitWidthAndHeightBelowOneMeanToTheEdge) {
    const std::uint32_t source = Keep(Numbered(10, 8, 24));
    std::uint32_t sized = 0;
    ASSERT_TRUE(bo.CopyRegion(source, sized, 1, 1, 4, 3));
    Keep(sized);
    EXPECT_EQ(bo.GetWidth(sized), 4);
    EXPECT_EQ(bo.GetHeight(sized), 3);
    EXPECT_EQ(bo.GetBitsPerPixel(sized), 24);
    EXPECT_EQ(bo.ReadPixel(sized, 3, 2), Colour(8 * 4, 8 * 3, 0x80));

    std::uint32_t edge = 0;
    ASSERT_TRUE(bo.CopyRegion(source, edge, 2, 5, -4, 0));
    Keep(edge);
    EXPECT_EQ(bo.GetWidth(edge), 8);
    EXPECT_EQ(bo.GetHeight(edge), 3);
}

TEST_F(BitmapObjectTest, ExistingTargetKeepsItsSizeAndDepthAndIsDrawnInto) {
    const std::uint32_t source = Keep(Numbered(6, 6, 32));
    std::uint32_t target = Keep(Numbered(5, 5, 16));
    const std::uint32_t before = target;
    const std::uint32_t untouched = bo.ReadPixel(target, 0, 0);
    // Copy 4 x 4 from (0, 0) to (3, 3): only 2 x 2 of it lands in the target.
    ASSERT_TRUE(bo.CopyRegion(source, target, 0, 0, 4, 4, 3, 3));
    EXPECT_EQ(target, before);
    EXPECT_EQ(bo.GetWidth(target), 5);
    EXPECT_EQ(bo.GetBitsPerPixel(target), 16);
    EXPECT_EQ(bo.ReadPixel(target, 0, 0), untouched);
    EXPECT_EQ(bo.ReadPixel(target, 3, 3), testing::ColourThrough16(0, 0, 0x80));
    EXPECT_EQ(bo.ReadPixel(target, 4, 4), testing::ColourThrough16(8, 8, 0x80));
}

TEST_F(BitmapObjectTest, CopyBeyondTheSourceLeavesBlack) {
    const std::uint32_t source = Keep(Numbered(4, 4, 32));
    std::uint32_t target = 0;
    ASSERT_TRUE(bo.CopyRegion(source, target, 2, 2, 4, 4));
    Keep(target);
    EXPECT_EQ(bo.ReadPixel(target, 0, 0), bo.ReadPixel(source, 2, 2));
    EXPECT_EQ(bo.ReadPixel(target, 3, 3), 0u);
}

TEST_F(BitmapObjectTest, CopyRegionFailures) {
    std::uint32_t target = 0;
    EXPECT_FALSE(bo.CopyRegion(0, target));
    EXPECT_EQ(target, 0u);
    const std::uint32_t source = Keep(Numbered(4, 4));
    // Starting past the right edge leaves nothing to make a target of.
    EXPECT_FALSE(bo.CopyRegion(source, target, 4, 0));
    EXPECT_EQ(target, 0u);
}

TEST_F(BitmapObjectTest, PixelsOutsideTheBitmapHaveNoColour) {
    const std::uint32_t bitmap = Keep(Numbered(3, 2));
    EXPECT_EQ(bo.ReadPixel(bitmap, 2, 1), Colour(16, 8, 0x80));
    for (auto [x, y] : {std::pair{3, 0}, {0, 2}, {-1, 0}, {0, -1}}) {
        EXPECT_EQ(bo.ReadPixel(bitmap, x, y), 0xFFFFFFFFu) << x << "," << y;
        EXPECT_FALSE(bo.WritePixel(bitmap, x, y, 0));
    }
    EXPECT_EQ(bo.ReadPixel(0, 0, 0), 0xFFFFFFFFu);
    EXPECT_FALSE(bo.WritePixel(0, 0, 0, 0));
}

TEST_F(BitmapObjectTest, QueriesOfAnInvalidHandleAreZero) {
    EXPECT_EQ(bo.GetWidth(0), 0);
    EXPECT_EQ(bo.GetHeight(0), 0);
    EXPECT_EQ(bo.GetBitsPerPixel(0xFFFFFFFFu), 0);
    EXPECT_EQ(bo.ConvertDepth(0, 24), 0u);
    EXPECT_FALSE(bo.ReplaceColour(0, 0, 0));
    EXPECT_FALSE(bo.DrawToWindow(0, 0));
    EXPECT_FALSE(bo.PaintPatternToWindow(0));
    EXPECT_FALSE(bo.CopyToClipboard(0));
}

TEST_F(BitmapObjectTest, WhoeverReceivesAHandleFreesItOnce) {
    const std::size_t count = BitmapTable::Instance().Count();
    const std::uint32_t bitmap = bo.CreateBlankBitmap(4, 4);
    ASSERT_NE(bitmap, 0u);
    EXPECT_EQ(BitmapTable::Instance().Count(), count + 1);
    EXPECT_TRUE(bo.FreeBitmap(bitmap));
    EXPECT_FALSE(bo.FreeBitmap(bitmap));
    EXPECT_EQ(BitmapTable::Instance().Count(), count);
    EXPECT_EQ(bo.GetWidth(bitmap), 0);
    EXPECT_FALSE(bo.FreeBitmap(0));
    // A freed handle is not handed out again.
    const std::uint32_t next = Keep(bo.CreateBlankBitmap(4, 4));
    EXPECT_NE(next, bitmap);
    // A copy of the class is just as empty and works on the same table.
    BitmapObject copy = bo;
    EXPECT_EQ(copy.GetWidth(next), 4);
}

TEST_F(BitmapObjectTest, PaletteDepthsAreRefused) {
    const std::uint32_t bitmap = Keep(Numbered(4, 4));
    for (int bits : {1, 4, 8, 0, -16, 15, 64}) {
        EXPECT_EQ(bo.ConvertDepth(bitmap, bits), 0u) << bits;
        EXPECT_EQ(bo.CaptureClient(0, bits == 0 ? 8 : bits), 0u) << bits;
    }
    EXPECT_EQ(bo.CaptureWindow(0, 8), 0u);
}

TEST_F(BitmapObjectTest, ConvertDepthKeepsPixelsWithinTheNewDepth) {
    const std::uint32_t bitmap = Keep(Numbered(4, 3, 32));
    bo.WritePixel(bitmap, 1, 1, Colour(0x87, 0x47, 0x27));
    const std::uint32_t narrow = Keep(bo.ConvertDepth(bitmap, 16));
    const std::uint32_t wide = Keep(bo.ConvertDepth(narrow, 24));
    EXPECT_EQ(bo.GetBitsPerPixel(narrow), 16);
    EXPECT_EQ(bo.GetBitsPerPixel(wide), 24);
    EXPECT_EQ(bo.GetWidth(wide), 4);
    EXPECT_EQ(bo.ReadPixel(wide, 1, 1), testing::ColourThrough16(0x87, 0x47, 0x27));
    // The source is left as it was.
    EXPECT_EQ(bo.ReadPixel(bitmap, 1, 1), Colour(0x87, 0x47, 0x27));
}

TEST_F(BitmapObjectTest, ReplaceColourMatchesExactly) {
    const std::uint32_t bitmap = Keep(Numbered(4, 4, 24));
    bo.WritePixel(bitmap, 0, 0, Colour(1, 2, 3));
    bo.WritePixel(bitmap, 3, 3, Colour(1, 2, 3));
    bo.WritePixel(bitmap, 2, 2, Colour(1, 2, 4));
    ASSERT_TRUE(bo.ReplaceColour(bitmap, Colour(1, 2, 3), Colour(9, 9, 9)));
    EXPECT_EQ(bo.ReadPixel(bitmap, 0, 0), Colour(9, 9, 9));
    EXPECT_EQ(bo.ReadPixel(bitmap, 3, 3), Colour(9, 9, 9));
    EXPECT_EQ(bo.ReadPixel(bitmap, 2, 2), Colour(1, 2, 4));

    const ByteSet before = bo.ToBmpImage(bitmap);
    EXPECT_TRUE(bo.ReplaceColour(bitmap, Colour(250, 250, 250), 0));
    EXPECT_EQ(bo.ToBmpImage(bitmap), before);
}

TEST_F(BitmapObjectTest, CreateBlankBitmapIsBlackAtTheDisplayDepth) {
    const std::uint32_t bitmap = Keep(bo.CreateBlankBitmap(7, 5));
    EXPECT_EQ(bo.GetWidth(bitmap), 7);
    EXPECT_EQ(bo.GetHeight(bitmap), 5);
    const int display = Backend().DisplayBitsPerPixel();
    EXPECT_EQ(bo.GetBitsPerPixel(bitmap), display == 0 ? 32 : display);
    EXPECT_EQ(bo.ReadPixel(bitmap, 6, 4), 0u);
    EXPECT_EQ(bo.CreateBlankBitmap(0, 5), 0u);
    EXPECT_EQ(bo.CreateBlankBitmap(5, -1), 0u);
}

TEST_F(BitmapObjectTest, TheClipboardOwnsWhatItTookAndWhatItGives) {
    const std::uint32_t bitmap = Numbered(6, 4, 24);
    ASSERT_TRUE(bo.CopyToClipboard(bitmap));
    EXPECT_FALSE(bo.FreeBitmap(bitmap)) << "the clipboard holds it now";

    const std::uint32_t fromClipboard = bo.BitmapFromClipboard();
    ASSERT_NE(fromClipboard, 0u);
    EXPECT_EQ(bo.GetWidth(fromClipboard), 6);
    EXPECT_EQ(bo.ReadPixel(fromClipboard, 5, 3), Colour(40, 24, 0x80));
    EXPECT_EQ(bo.BitmapFromClipboard(), fromClipboard) << "same content, same handle";
    EXPECT_FALSE(bo.FreeBitmap(fromClipboard));

    // New content releases what the clipboard held before.
    const std::uint32_t other = Numbered(2, 2, 32);
    ASSERT_TRUE(bo.CopyToClipboard(other));
    EXPECT_EQ(bo.GetWidth(bitmap), 0);
    const std::uint32_t second = bo.BitmapFromClipboard();
    EXPECT_EQ(bo.GetWidth(second), 2);
    EXPECT_FALSE(bo.FreeBitmap(second));
}

TEST_F(BitmapObjectTest, BitmapFromPictureDecodesAndStretches) {
    const ByteSet jpeg = testing::EncodeTestJpeg(testing::QuadrantPicture(40, 20), 95);
    const std::uint32_t own = Keep(bo.BitmapFromPicture(jpeg));
    ASSERT_NE(own, 0u);
    EXPECT_EQ(bo.GetWidth(own), 40);
    EXPECT_EQ(bo.GetHeight(own), 20);
    const std::uint32_t red = bo.ReadPixel(own, 5, 5);
    EXPECT_GT(red & 0xFF, 230u);
    EXPECT_LT((red >> 16) & 0xFF, 30u);

    const std::uint32_t stretched = Keep(bo.BitmapFromPicture(jpeg, 80, 0));
    EXPECT_EQ(bo.GetWidth(stretched), 80);
    EXPECT_EQ(bo.GetHeight(stretched), 20);
    const std::uint32_t png = Keep(
        bo.BitmapFromPicture(testing::EncodeWithQt(testing::QuadrantPicture(8, 8), "png"), 4, 4));
    EXPECT_EQ(bo.GetWidth(png), 4);
    EXPECT_EQ(bo.ReadPixel(png, 3, 3), Colour(255, 255, 255));

    EXPECT_EQ(bo.BitmapFromPicture({}), 0u);
    EXPECT_EQ(bo.BitmapFromPicture(ByteSet{'n', 'o', 'p', 'e'}), 0u);
}

}  // namespace
}  // namespace avatrix::image

#include <cstdint>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "TestPictures.h"
#include "image/BitmapObject.h"
#include "image/BmpImage.h"
#include "text/Codepage.h"

namespace avatrix::image {
namespace {

using testing::Colour;

std::uint32_t U32(const ByteSet& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) |
           (static_cast<std::uint32_t>(b[at + 3]) << 24);
}
std::uint16_t U16(const ByteSet& b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}
void Set32(ByteSet& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    }
}

// A bitmap of the given depth whose pixel (x, y) is the colour `pick` says.
std::uint32_t MakeBitmap(BitmapObject& bo, int width, int height, int bits,
                         std::uint32_t (*pick)(int, int)) {
    const std::uint32_t blank = bo.CreateBlankBitmap(width, height);
    const std::uint32_t bitmap = bo.ConvertDepth(blank, bits);
    bo.FreeBitmap(blank);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            bo.WritePixel(bitmap, x, y, pick(x, y));
        }
    }
    return bitmap;
}

std::uint32_t Gradient(int x, int y) {
    return Colour(40 * x + 8, 80 * y + 16, 200);
}

TEST(BmpImageLayout, SixteenBitThreeByTwoIsSeventyFourBytesExactly) {
    BitmapObject bo;
    const std::uint32_t bitmap = MakeBitmap(bo, 3, 2, 16, Gradient);
    ASSERT_NE(bitmap, 0u);
    const ByteSet bmp = bo.ToBmpImage(bitmap);
    ASSERT_EQ(bmp.size(), 74u);

    const std::uint8_t header[58] = {
        'B', 'M', 74, 0, 0, 0, 0, 0, 0, 0, 58, 0, 0, 0,                     // file header
        40,  0,   0,  0, 3, 0, 0, 0, 2, 0, 0,  0, 1, 0, 16, 0, 0, 0, 0, 0,  // compression
        16,  0,   0,  0,                                        // image size: 8 bytes a row, 2 rows
        0,   0,   0,  0, 0, 0, 0, 0, 0, 0, 0,  0, 0, 0, 0,  0,  // resolutions, colour counts
        0,   0,   0,  0,                                        // the colour slot
    };
    EXPECT_EQ(0, std::memcmp(bmp.data(), header, sizeof header));

    // Bottom row first; words 0RRRRRGGGGGBBBBB; two padding bytes per row.
    for (int fileRow = 0; fileRow < 2; ++fileRow) {
        const int y = 1 - fileRow;
        const std::size_t row = 58 + 8 * static_cast<std::size_t>(fileRow);
        for (int x = 0; x < 3; ++x) {
            const std::uint32_t c = Gradient(x, y);
            const int r = c & 0xFF, g = (c >> 8) & 0xFF, b = (c >> 16) & 0xFF;
            const auto word =
                static_cast<std::uint16_t>(((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3));
            EXPECT_EQ(U16(bmp, row + 2 * x), word) << "x " << x << " y " << y;
        }
        EXPECT_EQ(U16(bmp, row + 6), 0) << "padding of file row " << fileRow;
    }
    bo.FreeBitmap(bitmap);
}

TEST(BmpImageLayout, SixteenBitTruncatesEachChannelWithoutDithering) {
    BitmapObject bo;
    // Neighbouring pixels of one colour would come out different under any
    // dithering; truncation keeps them identical.
    const std::uint32_t bitmap =
        MakeBitmap(bo, 4, 4, 16, [](int, int) { return Colour(0x87, 0x47, 0x27); });
    const ByteSet bmp = bo.ToBmpImage(bitmap);
    ASSERT_EQ(bmp.size(), 58u + 8 * 4);
    for (std::size_t at = 58; at < bmp.size(); at += 2) {
        EXPECT_EQ(U16(bmp, at), 0x4104) << "at " << at;
    }
    EXPECT_EQ(bo.ReadPixel(bitmap, 1, 1), testing::ColourThrough16(0x87, 0x47, 0x27));
    bo.FreeBitmap(bitmap);
}

class BmpRowPadding : public ::testing::TestWithParam<std::tuple<int, int>> {};

TEST_P(BmpRowPadding, RowsArePaddedToFourBytesAndRunBottomUp) {
    const auto [bits, width] = GetParam();
    const int height = 3;
    BitmapObject bo;
    const std::uint32_t bitmap = MakeBitmap(bo, width, height, bits, Gradient);
    ASSERT_NE(bitmap, 0u);
    const ByteSet bmp = bo.ToBmpImage(bitmap);
    const std::size_t stride = (static_cast<std::size_t>(width) * bits / 8 + 3) / 4 * 4;
    ASSERT_EQ(bmp.size(), 58 + stride * height);
    EXPECT_EQ(U32(bmp, 2), bmp.size());
    EXPECT_EQ(U32(bmp, 10), 58u);
    EXPECT_EQ(U32(bmp, 18), static_cast<std::uint32_t>(width));
    EXPECT_EQ(U32(bmp, 22), static_cast<std::uint32_t>(height));
    EXPECT_EQ(U16(bmp, 28), bits);
    EXPECT_EQ(U32(bmp, 34), stride * height);

    const int bytesPerPixel = bits / 8;
    for (int y = 0; y < height; ++y) {
        const std::size_t row = 58 + stride * static_cast<std::size_t>(height - 1 - y);
        for (int x = 0; x < width; ++x) {
            const std::uint32_t c = Gradient(x, y);
            const std::size_t at = row + static_cast<std::size_t>(x * bytesPerPixel);
            if (bits == 16) {
                continue;  // the word layout is checked on its own above
            }
            EXPECT_EQ(bmp[at], (c >> 16) & 0xFF) << "blue first";
            EXPECT_EQ(bmp[at + 1], (c >> 8) & 0xFF);
            EXPECT_EQ(bmp[at + 2], c & 0xFF);
            if (bits == 32) {
                EXPECT_EQ(bmp[at + 3], 0) << "unused byte";
            }
        }
        for (std::size_t pad = row + static_cast<std::size_t>(width * bytesPerPixel);
             pad < row + stride; ++pad) {
            EXPECT_EQ(bmp[pad], 0) << "padding byte " << pad - row << " of row " << y;
        }
    }
    bo.FreeBitmap(bitmap);
}

INSTANTIATE_TEST_SUITE_P(Depths, BmpRowPadding,
                         ::testing::Combine(::testing::Values(16, 24, 32),
                                            ::testing::Values(1, 2, 3, 5)));

TEST(BmpImageLayout, InvalidHandleGivesNoBytes) {
    BitmapObject bo;
    EXPECT_TRUE(bo.ToBmpImage(0).empty());
    EXPECT_TRUE(bo.ToBmpImage(0xDEADBEEF).empty());
}

TEST(BmpImageRoundTrip, PixelsSurviveAtEveryDepth) {
    BitmapObject bo;
    for (int bits : {16, 24, 32}) {
        const std::uint32_t bitmap = MakeBitmap(bo, 5, 3, bits, Gradient);
        const ByteSet bmp = bo.ToBmpImage(bitmap);
        const std::uint32_t back = bo.BitmapFromBmpImage(bmp);
        ASSERT_NE(back, 0u) << bits;
        EXPECT_EQ(bo.GetWidth(back), 5);
        EXPECT_EQ(bo.GetHeight(back), 3);
        for (int y = 0; y < 3; ++y) {
            for (int x = 0; x < 5; ++x) {
                EXPECT_EQ(bo.ReadPixel(back, x, y), bo.ReadPixel(bitmap, x, y))
                    << bits << " bpp at " << x << "," << y;
            }
        }
        // Read back through the general BMP reader too.
        const std::uint32_t loaded = bo.LoadBitmapFromBytes(bmp);
        ASSERT_NE(loaded, 0u) << bits;
        EXPECT_EQ(bo.ReadPixel(loaded, 4, 2), bo.ReadPixel(bitmap, 4, 2)) << bits;
        for (auto h : {bitmap, back, loaded}) {
            EXPECT_TRUE(bo.FreeBitmap(h));
        }
    }
}

TEST(BmpImageRoundTrip, TopDownRowsAreReadTopDown) {
    BitmapObject bo;
    const std::uint32_t bitmap = MakeBitmap(bo, 2, 2, 24, Gradient);
    ByteSet bmp = bo.ToBmpImage(bitmap);
    // Flip to top-down: negative height and the rows in reverse order.
    Set32(bmp, 22, static_cast<std::uint32_t>(-2));
    std::vector<std::uint8_t> rows(bmp.begin() + 58, bmp.end());
    std::copy(rows.begin() + 8, rows.end(), bmp.begin() + 58);
    std::copy(rows.begin(), rows.begin() + 8, bmp.begin() + 66);
    const std::uint32_t back = bo.BitmapFromBmpImage(bmp);
    ASSERT_NE(back, 0u);
    EXPECT_EQ(bo.GetHeight(back), 2);
    EXPECT_EQ(bo.ReadPixel(back, 1, 0), Gradient(1, 0));
    EXPECT_EQ(bo.ReadPixel(back, 0, 1), Gradient(0, 1));
    bo.FreeBitmap(bitmap);
    bo.FreeBitmap(back);
}

class MalformedBmp : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::uint32_t bitmap = MakeBitmap(bo, 3, 2, 24, Gradient);
        good = bo.ToBmpImage(bitmap);
        bo.FreeBitmap(bitmap);
        ASSERT_EQ(good.size(), 58u + 12 * 2);
    }
    void ExpectRefused(const ByteSet& bytes, const char* what) {
        const std::uint32_t handle = bo.BitmapFromBmpImage(bytes);
        EXPECT_EQ(handle, 0u) << what;
        bo.FreeBitmap(handle);
        EXPECT_TRUE(DecodeBmpImage(bytes).isNull()) << what;
    }
    BitmapObject bo;
    ByteSet good;
};

TEST_F(MalformedBmp, ShortData) {
    ExpectRefused({}, "empty");
    ExpectRefused(ByteSet(good.begin(), good.begin() + 20), "cut inside the info header");
    ExpectRefused(ByteSet(good.begin(), good.end() - 1), "pixel data one byte short");
    // Reading it back from an exact-size heap copy lets the sanitizer see any
    // read past the end.
    ByteSet exact(good.begin(), good.end());
    EXPECT_NE(bo.BitmapFromBmpImage(exact), 0u);
}

TEST_F(MalformedBmp, PixelOffsetBeyondTheEnd) {
    ByteSet bytes = good;
    Set32(bytes, 10, static_cast<std::uint32_t>(bytes.size()) + 1);
    ExpectRefused(bytes, "offset past the end");
    Set32(bytes, 10, 0xFFFFFFF0u);
    ExpectRefused(bytes, "offset that would wrap");
    Set32(bytes, 10, 60);
    ExpectRefused(bytes, "offset leaving too few bytes");
}

TEST_F(MalformedBmp, AbsurdDimensions) {
    ByteSet bytes = good;
    Set32(bytes, 18, 0x7FFFFFFF);
    ExpectRefused(bytes, "huge width");
    bytes = good;
    Set32(bytes, 22, 0x7FFFFFFF);
    ExpectRefused(bytes, "huge height");
    bytes = good;
    Set32(bytes, 22, 0x80000000u);
    ExpectRefused(bytes, "most negative height");
    bytes = good;
    Set32(bytes, 18, 60000);
    Set32(bytes, 22, 60000);
    ExpectRefused(bytes, "60000 x 60000");
    bytes = good;
    Set32(bytes, 18, static_cast<std::uint32_t>(-3));
    ExpectRefused(bytes, "negative width");
    bytes = good;
    Set32(bytes, 22, 0);
    ExpectRefused(bytes, "no rows");
}

TEST_F(MalformedBmp, DepthsAndFormatsThatDoNotFitTheLayout) {
    for (int bits : {0, 1, 4, 8, 15, 48}) {
        ByteSet bytes = good;
        bytes[28] = static_cast<std::uint8_t>(bits);
        ExpectRefused(bytes, ("bit count " + std::to_string(bits)).c_str());
    }
    for (std::uint32_t compression : {1u, 2u, 3u, 4u}) {
        ByteSet bytes = good;
        Set32(bytes, 30, compression);
        ExpectRefused(bytes, "compressed");
    }
    ByteSet bytes = good;
    Set32(bytes, 14, 12);
    ExpectRefused(bytes, "header too small");
    Set32(bytes, 14, 4000);
    ExpectRefused(bytes, "header larger than the data");
}

TEST(LoadBitmapFromBytes, ReadsOrdinaryBmpFilesAndRefusesBrokenOnes) {
    BitmapObject bo;
    // An 8-bit file with its full colour table, as other programs write it.
    QImage indexed(4, 4, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(10, 20, 30), qRgb(200, 100, 50)});
    indexed.fill(0);
    indexed.setPixel(3, 3, 1);
    const ByteSet palette = testing::EncodeWithQt(indexed, "bmp");
    ASSERT_LE(palette[28], 8) << "a colour table must be in the file";
    const std::uint32_t h = bo.LoadBitmapFromBytes(palette);
    ASSERT_NE(h, 0u);
    EXPECT_EQ(bo.ReadPixel(h, 0, 0), Colour(10, 20, 30));
    EXPECT_EQ(bo.ReadPixel(h, 3, 3), Colour(200, 100, 50));
    EXPECT_TRUE(bo.FreeBitmap(h));

    EXPECT_EQ(bo.LoadBitmapFromBytes({}), 0u);
    EXPECT_EQ(bo.LoadBitmapFromBytes(ByteSet(palette.begin(), palette.begin() + 30)), 0u);
    ByteSet notBmp = palette;
    notBmp[0] = 'X';
    EXPECT_EQ(bo.LoadBitmapFromBytes(notBmp), 0u);
    ByteSet huge = palette;
    Set32(huge, 18, 60000);
    Set32(huge, 22, 60000);
    EXPECT_EQ(bo.LoadBitmapFromBytes(huge), 0u);
}

}  // namespace
}  // namespace avatrix::image

namespace avatrix::image {
namespace {

TEST(LoadBitmapFile, ReadsTheFileFromMemoryAndLeavesNothingBehind) {
    BitmapObject bo;
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::uint32_t bitmap = MakeBitmap(bo, 3, 2, 24, Gradient);
    const ByteSet bmp = bo.ToBmpImage(bitmap);
    const QString path = dir.filePath("图片.bmp");
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(reinterpret_cast<const char*>(bmp.data()), static_cast<qint64>(bmp.size()));
    }
    const QStringList before = QDir::temp().entryList(QDir::Files);
    const std::uint32_t loaded = bo.LoadBitmapFile(Utf8StringToGbk(path.toStdString()));
    ASSERT_NE(loaded, 0u);
    EXPECT_EQ(bo.ReadPixel(loaded, 2, 1), Gradient(2, 1));
    EXPECT_EQ(bo.LoadBitmapFile(Utf8StringToGbk(dir.filePath("missing.bmp").toStdString())), 0u);
    EXPECT_EQ(bo.LoadBitmapFile(Text()), 0u);

    // Loading bytes writes no file into the shared temporary folder.
    const std::uint32_t fromBytes = bo.LoadBitmapFromBytes(bmp);
    EXPECT_NE(fromBytes, 0u);
    EXPECT_EQ(QDir::temp().entryList(QDir::Files), before);
    for (auto h : {bitmap, loaded, fromBytes}) {
        bo.FreeBitmap(h);
    }
}

}  // namespace
}  // namespace avatrix::image

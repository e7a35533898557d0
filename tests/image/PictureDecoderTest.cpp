#include <cstdint>
#include <cstdlib>

#include <gtest/gtest.h>
#include <QPainter>

#include "TestPictures.h"
#include "image/PictureDecoder.h"

namespace avatrix::image {
namespace {

// Offset of the frame header's height field (SOF0/SOF2 marker + 5).
std::size_t FrameDimensionsAt(const ByteSet& jpeg) {
    for (std::size_t i = 2; i + 9 < jpeg.size(); ++i) {
        if (jpeg[i] == 0xFF && (jpeg[i + 1] == 0xC0 || jpeg[i + 1] == 0xC2)) {
            return i + 5;
        }
    }
    return 0;
}

void ExpectNear(QRgb pixel, int r, int g, int b, const char* where) {
    EXPECT_NEAR(qRed(pixel), r, 12) << where;
    EXPECT_NEAR(qGreen(pixel), g, 12) << where;
    EXPECT_NEAR(qBlue(pixel), b, 12) << where;
}

void ExpectQuadrants(const QImage& image, int width, int height) {
    ASSERT_FALSE(image.isNull());
    ASSERT_EQ(image.size(), QSize(width, height));
    ExpectNear(image.pixel(width / 4, height / 4), 255, 0, 0, "top left");
    ExpectNear(image.pixel(3 * width / 4, height / 4), 0, 255, 0, "top right");
    ExpectNear(image.pixel(width / 4, 3 * height / 4), 0, 0, 255, "bottom left");
    ExpectNear(image.pixel(3 * width / 4, 3 * height / 4), 255, 255, 255, "bottom right");
}

TEST(DecodePictureBytes, RealJpegsDecodeToTheirColours) {
    const QImage picture = testing::QuadrantPicture(200, 200);
    ExpectQuadrants(DecodePictureBytes(testing::EncodeTestJpeg(picture)), 200, 200);
    ExpectQuadrants(DecodePictureBytes(testing::EncodeTestJpeg(picture, 80, true)), 200, 200);
    // Odd sizes exercise the partial blocks at the edges.
    ExpectQuadrants(DecodePictureBytes(testing::EncodeTestJpeg(testing::QuadrantPicture(37, 23))),
                    37, 23);
}

TEST(DecodePictureBytes, ProgressiveScansBeyondTheWorkBudgetAreRefused) {
    // A photo-sized progressive picture still decodes.
    ExpectQuadrants(
        DecodePictureBytes(testing::EncodeTestJpeg(testing::QuadrantPicture(1024, 768), 90, true)),
        1024, 768);
    // Its last scan repeated to 200 scans: a small file, well within the scan
    // limit, that would keep the decoder busy for many seconds.
    ByteSet jpeg = testing::EncodeTestJpeg(testing::QuadrantPicture(2048, 2048), 90, true);
    std::size_t last = 0;
    for (std::size_t i = 0; i + 1 < jpeg.size(); ++i) {
        last = jpeg[i] == 0xFF && jpeg[i + 1] == 0xDA ? i : last;
    }
    const ByteSet scan(jpeg.begin() + static_cast<std::ptrdiff_t>(last), jpeg.end() - 2);
    jpeg.resize(jpeg.size() - 2);
    for (int i = 0; i < 190; ++i) {
        jpeg.insert(jpeg.end(), scan.begin(), scan.end());
    }
    jpeg.insert(jpeg.end(), {0xFF, 0xD9});
    EXPECT_TRUE(DecodePictureBytes(jpeg).isNull());
}

TEST(DecodePictureBytes, PngGifAndBmpGoThroughQt) {
    const QImage picture = testing::QuadrantPicture(30, 20);
    for (const char* format : {"png", "bmp"}) {
        SCOPED_TRACE(format);
        const ByteSet bytes = testing::EncodeWithQt(picture, format);
        ASSERT_FALSE(bytes.empty());
        ExpectQuadrants(DecodePictureBytes(bytes), 30, 20);
    }
    ExpectQuadrants(DecodePictureBytes(testing::EncodeTestGif(picture)), 30, 20);
}

TEST(DecodePictureBytes, LargePicturesAreDecodedOnlyAsFarAsTheBoxNeeds) {
    // A photo-like picture, so that any pixel moved or changed shows.
    QImage picture = testing::QuadrantPicture(640, 480);
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            if ((x * 7 + y * 13) % 5 == 0) {
                picture.setPixel(x, y, qRgb(x % 256, y % 256, (x + y) % 256));
            }
        }
    }
    const PictureUse natural{QSize(184, 184), 2.0, false};
    const PictureUse cover{QSize(184, 184), 1.0, true};
    const ByteSet encoded[] = {testing::EncodeTestJpeg(picture, 92),
                               testing::EncodeWithQt(picture, "png"),
                               testing::EncodeWithQt(picture, "bmp")};
    for (std::size_t i = 0; i < std::size(encoded); ++i) {
        const ByteSet& bytes = encoded[i];
        const QImage whole = DecodePictureBytes(bytes);
        ASSERT_EQ(whole.size(), QSize(640, 480));
        // At natural size only the box's corner shows: those are exactly the
        // pixels a whole decode gives there.
        const QImage corner = DecodePictureFor(bytes, natural);
        EXPECT_EQ(corner.convertToFormat(QImage::Format_RGB32),
                  whole.copy(0, 0, 184, 184).convertToFormat(QImage::Format_RGB32));
        // Scaled to cover, never below what covers the box, and the same picture.
        const QImage reduced = DecodePictureFor(bytes, cover);
        EXPECT_GE(reduced.height(), 184);
        if (i < 2) {
            // JPEG and PNG shrink while they decode; BMP comes whole.
            EXPECT_LT(reduced.height(), 480);
        }
        const QImage a = reduced.scaled(64, 48, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                             .convertToFormat(QImage::Format_RGB32);
        const QImage b = whole.scaled(64, 48, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                             .convertToFormat(QImage::Format_RGB32);
        double difference = 0;
        for (int y = 0; y < 48; ++y) {
            for (int x = 0; x < 64; ++x) {
                difference += std::abs(qGreen(a.pixel(x, y)) - qGreen(b.pixel(x, y)));
            }
        }
        EXPECT_LT(difference / (64 * 48), 8.0);
        // No larger than the box needs: exactly as whole.
        const QImage small = whole.copy(0, 0, 150, 100);
        const ByteSet smallBytes = testing::EncodeWithQt(small, "png");
        EXPECT_EQ(DecodePictureFor(smallBytes, natural), DecodePictureBytes(smallBytes));
        EXPECT_EQ(DecodePictureFor(smallBytes, cover), DecodePictureBytes(smallBytes));
    }
}

TEST(DecodePictureBytes, UndecodableBytesGiveANullImage) {
    EXPECT_TRUE(DecodePictureBytes({}).isNull());
    EXPECT_TRUE(DecodePictureBytes(ByteSet{'h', 'e', 'l', 'l', 'o'}).isNull());
    EXPECT_TRUE(DecodePictureBytes(ByteSet{0xFF, 0xD8, 0xFF}).isNull());
    // Formats the boxes do not show are not handed to other readers.
    const ByteSet svg = ByteSet{'<', 's', 'v', 'g', '/', '>'};
    EXPECT_TRUE(DecodePictureBytes(svg).isNull());
}

TEST(DecodePictureBytes, CorruptJpegEndsCleanly) {
    const ByteSet good = testing::EncodeTestJpeg(testing::QuadrantPicture(200, 200));
    const std::size_t sof = FrameDimensionsAt(good);
    ASSERT_NE(sof, 0u);

    // Cut inside the headers: nothing to show.
    EXPECT_TRUE(
        DecodePictureBytes(ByteSet(good.begin(), good.begin() + static_cast<long>(sof))).isNull());

    // Cut inside the scan: the decoded part is shown, the rest filled in.
    const ByteSet half(good.begin(), good.begin() + static_cast<long>(good.size() / 2));
    const QImage partial = DecodePictureBytes(half);
    ASSERT_FALSE(partial.isNull());
    EXPECT_EQ(partial.size(), QSize(200, 200));
    ExpectNear(partial.pixel(50, 20), 255, 0, 0, "decoded before the cut");

    // A frame header with an impossible component count.
    ByteSet badFrame = good;
    badFrame[sof + 4] = 0;
    EXPECT_TRUE(DecodePictureBytes(badFrame).isNull());

    // Scribbled scan data: whatever comes out, it is the right size or null.
    ByteSet scribbled = good;
    for (std::size_t i = good.size() / 3; i < good.size() - 2; i += 7) {
        scribbled[i] = static_cast<std::uint8_t>(scribbled[i] * 31 + 17);
    }
    const QImage garbled = DecodePictureBytes(scribbled);
    EXPECT_TRUE(garbled.isNull() || garbled.size() == QSize(200, 200));
}

TEST(DecodePictureBytes, AbsurdJpegDimensionsAreRefusedFromTheHeader) {
    ByteSet jpeg = testing::EncodeTestJpeg(testing::QuadrantPicture(16, 16));
    const std::size_t at = FrameDimensionsAt(jpeg);
    ASSERT_NE(at, 0u);
    // 60000 x 60000 would need some 14 GB.
    jpeg[at] = 60000 >> 8;
    jpeg[at + 1] = 60000 & 0xFF;
    jpeg[at + 2] = 60000 >> 8;
    jpeg[at + 3] = 60000 & 0xFF;
    EXPECT_TRUE(DecodePictureBytes(jpeg).isNull());
}

TEST(DecodePictureBytes, AbsurdPngDimensionsAreRefused) {
    ByteSet png = testing::EncodeWithQt(testing::QuadrantPicture(16, 16), "png");
    // IHDR width and height sit at bytes 16 and 20.
    for (std::size_t at : {16u, 20u}) {
        png[at] = 0x00;
        png[at + 1] = 0x00;
        png[at + 2] = 0xEA;
        png[at + 3] = 0x60;
    }
    EXPECT_TRUE(DecodePictureBytes(png).isNull());
}

}  // namespace
}  // namespace avatrix::image

#include "TestPictures.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>
#include <QBuffer>
#include <QImageWriter>
#include <QPainter>

namespace avatrix::image::testing {

ByteSet EncodeTestJpeg(const QImage& source, int quality, bool progressive) {
    const QImage image = source.convertToFormat(QImage::Format_RGB888);
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(image.width());
    info.image_height = static_cast<JDIMENSION>(image.height());
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    if (progressive) {
        jpeg_simple_progression(&info);
    }
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row =
            const_cast<JSAMPROW>(image.constScanLine(static_cast<int>(info.next_scanline)));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    ByteSet bytes(buffer, buffer + size);
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return bytes;
}

ByteSet EncodeWithQt(const QImage& image, const char* format) {
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.write(image);
    return ByteSet(data.begin(), data.end());
}

QImage QuadrantPicture(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    QPainter p(&image);
    p.fillRect(0, 0, width / 2, height / 2, QColor(255, 0, 0));
    p.fillRect(width / 2, 0, width - width / 2, height / 2, QColor(0, 255, 0));
    p.fillRect(0, height / 2, width / 2, height - height / 2, QColor(0, 0, 255));
    p.fillRect(width / 2, height / 2, width - width / 2, height - height / 2,
               QColor(255, 255, 255));
    return image;
}

}  // namespace avatrix::image::testing

namespace avatrix::image::testing {

// LZW with a clear code before every two pixels keeps every code 3 bits
// wide, so no dictionary bookkeeping is needed.
ByteSet EncodeTestGif(const QImage& source) {
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    std::vector<QRgb> palette;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (palette.size() < 4 &&
                std::find(palette.begin(), palette.end(), p) == palette.end()) {
                palette.push_back(p);
            }
        }
    }
    palette.resize(4, qRgb(0, 0, 0));
    auto index = [&](QRgb p) {
        const auto it = std::find(palette.begin(), palette.end(), p);
        return it == palette.end() ? 0 : static_cast<int>(it - palette.begin());
    };
    const auto w = static_cast<std::uint16_t>(image.width());
    const auto h = static_cast<std::uint16_t>(image.height());
    ByteSet out = {'G',
                   'I',
                   'F',
                   '8',
                   '9',
                   'a',
                   static_cast<std::uint8_t>(w),
                   static_cast<std::uint8_t>(w >> 8),
                   static_cast<std::uint8_t>(h),
                   static_cast<std::uint8_t>(h >> 8),
                   0x81,
                   0,
                   0};
    for (QRgb p : palette) {
        out.push_back(static_cast<std::uint8_t>(qRed(p)));
        out.push_back(static_cast<std::uint8_t>(qGreen(p)));
        out.push_back(static_cast<std::uint8_t>(qBlue(p)));
    }
    out.insert(out.end(),
               {0x2C, 0, 0, 0, 0, static_cast<std::uint8_t>(w), static_cast<std::uint8_t>(w >> 8),
                static_cast<std::uint8_t>(h), static_cast<std::uint8_t>(h >> 8), 0, 2});
    ByteSet data;
    std::uint32_t bits = 0;
    int count = 0;
    auto putCode = [&](int code) {
        bits |= static_cast<std::uint32_t>(code) << count;
        count += 3;
        while (count >= 8) {
            data.push_back(static_cast<std::uint8_t>(bits));
            bits >>= 8;
            count -= 8;
        }
    };
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (n++ % 2 == 0) {
                putCode(4);  // clear
            }
            putCode(index(image.pixel(x, y)));
        }
    }
    putCode(5);  // end of information
    if (count > 0) {
        data.push_back(static_cast<std::uint8_t>(bits));
    }
    for (std::size_t at = 0; at < data.size(); at += 255) {
        const std::size_t len = std::min<std::size_t>(255, data.size() - at);
        out.push_back(static_cast<std::uint8_t>(len));
        out.insert(out.end(), data.begin() + static_cast<long>(at),
                   data.begin() + static_cast<long>(at + len));
    }
    out.push_back(0);
    out.push_back(0x3B);
    return out;
}

}  // namespace avatrix::image::testing

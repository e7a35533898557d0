#include "image/platform/X11PixelData.h"

#include <bit>
#include <cstring>

namespace avatrix::image::platform {

namespace {

bool IsChannelMask(std::uint32_t mask, int depth) {
    if (mask == 0) {
        return false;
    }
    const std::uint32_t run = mask >> std::countr_zero(mask);
    const bool contiguous = (run & (run + 1)) == 0;
    return contiguous && (depth >= 32 || (mask >> depth) == 0);
}

bool IsPlainRgb32(const PixelLayout& layout) {
    return layout.bitsPerPixel == 32 && !layout.msbFirst && layout.masks[0] == 0xFF0000 &&
           layout.masks[1] == 0xFF00 && layout.masks[2] == 0xFF;
}

int ChannelFromPixel(std::uint32_t pixel, std::uint32_t mask) {
    const int shift = std::countr_zero(mask);
    const int bits = std::popcount(mask);
    const std::uint32_t value = (pixel & mask) >> shift;
    const std::uint32_t max = (bits >= 32) ? 0xFFFFFFFFu : ((1u << bits) - 1);
    if (bits >= 8) {
        return static_cast<int>(value >> (bits - 8));
    }
    return static_cast<int>((value * 255 + max / 2) / max);
}

std::uint32_t PixelFromChannel(int channel, std::uint32_t mask) {
    const int shift = std::countr_zero(mask);
    const int bits = std::popcount(mask);
    const auto c = static_cast<std::uint32_t>(channel);
    const std::uint32_t value = bits >= 8 ? (c << (bits - 8)) : (c >> (8 - bits));
    return (value << shift) & mask;
}

}  // namespace

bool PixelLayout::Valid() const {
    const bool format = (bitsPerPixel == 16 || bitsPerPixel == 24 || bitsPerPixel == 32) &&
                        (scanlinePad == 8 || scanlinePad == 16 || scanlinePad == 32) && depth > 0 &&
                        depth <= bitsPerPixel;
    const bool disjoint =
        (masks[0] & masks[1]) == 0 && (masks[1] & masks[2]) == 0 && (masks[0] & masks[2]) == 0;
    return format && disjoint && IsChannelMask(masks[0], depth) && IsChannelMask(masks[1], depth) &&
           IsChannelMask(masks[2], depth);
}

std::size_t PixelLayout::Stride(int width) const {
    const std::size_t bits = static_cast<std::size_t>(width) * bitsPerPixel;
    const std::size_t pad = static_cast<std::size_t>(scanlinePad);
    return (bits + pad - 1) / pad * pad / 8;
}

QImage ImageFromPixels(std::span<const std::uint8_t> data, int width, int height,
                       const PixelLayout& layout) {
    if (!layout.Valid() || width <= 0 || height <= 0) {
        return {};
    }
    const std::size_t stride = layout.Stride(width);
    if (data.size() / stride < static_cast<std::size_t>(height)) {
        return {};
    }
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull()) {
        return {};
    }
    const int bytes = layout.bitsPerPixel / 8;
    const bool plain = IsPlainRgb32(layout) && std::endian::native == std::endian::little;
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* src = data.data() + stride * static_cast<std::size_t>(y);
        auto* dst = reinterpret_cast<QRgb*>(image.scanLine(y));
        if (plain) {
            std::memcpy(dst, src, static_cast<std::size_t>(width) * 4);
            for (int x = 0; x < width; ++x) {
                dst[x] |= 0xFF000000u;
            }
            continue;
        }
        for (int x = 0; x < width; ++x) {
            std::uint32_t pixel = 0;
            for (int b = 0; b < bytes; ++b) {
                const std::uint32_t byte = src[x * bytes + b];
                pixel |= layout.msbFirst ? (byte << (8 * (bytes - 1 - b))) : (byte << (8 * b));
            }
            dst[x] = qRgb(ChannelFromPixel(pixel, layout.masks[0]),
                          ChannelFromPixel(pixel, layout.masks[1]),
                          ChannelFromPixel(pixel, layout.masks[2]));
        }
    }
    return image;
}

void PixelsFromImage(const QImage& image, int firstRow, int rows, const PixelLayout& layout,
                     std::vector<std::uint8_t>& out) {
    const std::size_t stride = layout.Stride(image.width());
    out.assign(stride * static_cast<std::size_t>(rows), 0);
    const int bytes = layout.bitsPerPixel / 8;
    for (int r = 0; r < rows; ++r) {
        const auto* src = reinterpret_cast<const QRgb*>(image.constScanLine(firstRow + r));
        std::uint8_t* dst = out.data() + stride * static_cast<std::size_t>(r);
        for (int x = 0; x < image.width(); ++x) {
            const std::uint32_t pixel = PixelFromChannel(qRed(src[x]), layout.masks[0]) |
                                        PixelFromChannel(qGreen(src[x]), layout.masks[1]) |
                                        PixelFromChannel(qBlue(src[x]), layout.masks[2]);
            for (int b = 0; b < bytes; ++b) {
                const int shift = layout.msbFirst ? 8 * (bytes - 1 - b) : 8 * b;
                dst[x * bytes + b] = static_cast<std::uint8_t>(pixel >> shift);
            }
        }
    }
}

}  // namespace avatrix::image::platform

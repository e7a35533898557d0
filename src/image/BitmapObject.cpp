#include "image/BitmapObject.h"

#include <algorithm>
#include <cstring>

#include <QClipboard>
#include <QGuiApplication>

#include "image/BitmapTable.h"
#include "image/BmpImage.h"
#include "image/CaptureBackend.h"
#include "image/PictureDecoder.h"
#include "image/PixelFormats.h"
#include "image/QtImageReading.h"

namespace avatrix::image {
namespace {

BitmapTable& Table() {
    return BitmapTable::Instance();
}

// What a bitmap "compatible with the screen" is made at.
int CompatibleDepth() {
    const int bits = Backend().DisplayBitsPerPixel();
    return IsSupportedDepth(bits) ? bits : 32;
}

std::uint32_t AddAtDepth(const QImage& image, int bits) {
    return Table().Add(ToDepth(image, bits));
}

// Copies `area` of `source` into `target` at `to`, converting to the target's
// depth. Parts of the area outside the source, or landing outside the
// target, are skipped, so the target keeps its own pixels there.
void Blit(const QImage& source, const QRect& area, QImage& target, const QPoint& to) {
    QRect from = area & source.rect();
    if (from.isEmpty()) {
        return;
    }
    QRect dest(to + (from.topLeft() - area.topLeft()), from.size());
    const QRect clipped = dest & target.rect();
    if (clipped.isEmpty()) {
        return;
    }
    from = QRect(from.topLeft() + (clipped.topLeft() - dest.topLeft()), clipped.size());
    const QImage piece = ToDepth(source.copy(from), DepthOf(target));
    if (piece.isNull()) {
        return;
    }
    const std::size_t rowBytes =
        static_cast<std::size_t>(clipped.width()) * static_cast<std::size_t>(DepthOf(target) / 8);
    const std::size_t xOffset =
        static_cast<std::size_t>(clipped.x()) * static_cast<std::size_t>(DepthOf(target) / 8);
    for (int y = 0; y < clipped.height(); ++y) {
        std::memcpy(target.scanLine(clipped.y() + y) + xOffset, piece.constScanLine(y), rowBytes);
    }
}

QImage PaintableImage(std::uint32_t bitmap) {
    const auto image = Table().Get(bitmap);
    return image ? image->convertToFormat(QImage::Format_RGB32) : QImage();
}

}  // namespace

std::uint32_t BitmapObject::LoadBitmapFromBytes(const ByteSet& bytes) {
    // Decoded from memory: no file in a shared folder another user could
    // have put a link in place of.
    if (bytes.size() < kBmpFileHeaderSize + 12 || bytes[0] != 'B' || bytes[1] != 'M') {
        return 0;
    }
    // The layout this class writes is read the same way as BitmapFromBmpImage
    // reads it; the other variants (colour tables, run-length coding, bit
    // fields, other headers) go through Qt's reader.
    if (const QImage own = DecodeBmpImage(bytes); !own.isNull()) {
        return AddAtDepth(own, CompatibleDepth());
    }
    if (!BmpHeadersFitBytes(bytes)) {
        return 0;
    }
    const QImage image = ReadWithQt(bytes, "bmp");
    if (image.isNull()) {
        return 0;
    }
    return AddAtDepth(image, CompatibleDepth());
}

std::uint32_t BitmapObject::BitmapFromBmpImage(const ByteSet& bytes) {
    if (bytes.empty()) {
        return 0;
    }
    const QImage image = DecodeBmpImage(bytes);
    if (image.isNull()) {
        return 0;
    }
    return AddAtDepth(image, CompatibleDepth());
}

std::uint32_t BitmapObject::BitmapFromPicture(const ByteSet& bytes, std::optional<int> width,
                                              std::optional<int> height) {
    if (bytes.empty()) {
        return 0;
    }
    QImage picture = DecodePictureBytes(bytes);
    if (picture.isNull()) {
        return 0;
    }
    const int w = width.value_or(0) > 0 ? *width : picture.width();
    const int h = height.value_or(0) > 0 ? *height : picture.height();
    if (w != picture.width() || h != picture.height()) {
        picture = picture.scaled(w, h, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    return AddAtDepth(picture, CompatibleDepth());
}

std::uint32_t BitmapObject::CaptureWindow(std::optional<std::uint32_t> window,
                                          std::optional<int> bitsPerPixel) {
    CaptureBackend& backend = Backend();
    const int asked = bitsPerPixel.value_or(0);
    const int depth = asked != 0 ? asked : CompatibleDepth();
    if (!IsSupportedDepth(depth)) {
        return 0;
    }
    if (window.value_or(0) == 0) {
        const QSize screen = backend.ScreenSize();
        if (screen.isEmpty()) {
            return 0;
        }
        return AddAtDepth(backend.GrabScreen(QRect(QPoint(0, 0), screen)), depth);
    }

    const WindowState state = backend.QueryWindow(*window);
    if (!state.exists || state.minimised || !state.viewable || state.clientSize.isEmpty()) {
        return 0;
    }
    const QImage printed = backend.PrintWindow(*window);
    if (printed.isNull()) {
        return 0;
    }
    // The cut-out reaches one pixel past the client area on the right and at
    // the bottom; nothing was printed there, so it stays black.
    const QSize size = asked != 0 ? state.clientSize : state.clientSize + QSize(1, 1);
    QImage result = BlankImage(size.width(), size.height(), depth);
    if (result.isNull()) {
        return 0;
    }
    Blit(printed, QRect(QPoint(0, 0), state.clientSize), result, QPoint(0, 0));
    return Table().Add(std::move(result));
}

std::uint32_t BitmapObject::CaptureClient(std::optional<std::uint32_t> window,
                                          std::optional<int> bitsPerPixel,
                                          std::optional<bool> printWindow) {
    CaptureBackend& backend = Backend();
    const int depth = bitsPerPixel.value_or(0) != 0 ? *bitsPerPixel : 24;
    if (!IsSupportedDepth(depth)) {
        return 0;
    }
    const std::uint32_t handle = window.value_or(0);
    QRect area;
    if (handle != 0) {
        const WindowState state = backend.QueryWindow(handle);
        if (!state.exists || state.clientSize.isEmpty()) {
            return 0;
        }
        area = QRect(state.clientOrigin, state.clientSize);
    } else {
        area = QRect(QPoint(0, 0), backend.ScreenSize());
    }
    if (area.isEmpty()) {
        return 0;
    }
    QImage pixels;
    if (printWindow.value_or(false)) {
        // Only a window can print itself.
        if (handle == 0) {
            return 0;
        }
        pixels = backend.PrintWindow(handle);
        if (pixels.isNull()) {
            return 0;
        }
    } else {
        pixels = backend.GrabScreen(area);
    }
    QImage result = BlankImage(area.width(), area.height(), depth);
    if (result.isNull() || pixels.isNull()) {
        return 0;
    }
    Blit(pixels, QRect(QPoint(0, 0), area.size()), result, QPoint(0, 0));
    return Table().Add(std::move(result));
}

std::uint32_t BitmapObject::CreateBlankBitmap(int width, int height) {
    return Table().Add(BlankImage(width, height, CompatibleDepth()));
}

ByteSet BitmapObject::ToBmpImage(std::uint32_t bitmap) {
    const auto image = Table().Get(bitmap);
    return image ? EncodeBmpImage(*image) : ByteSet{};
}

std::uint32_t BitmapObject::ConvertDepth(std::uint32_t bitmap, int bitsPerPixel) {
    const auto image = Table().Get(bitmap);
    if (!image || !IsSupportedDepth(bitsPerPixel)) {
        return 0;
    }
    return AddAtDepth(*image, bitsPerPixel);
}

bool BitmapObject::CopyRegion(std::uint32_t source, std::uint32_t& target, std::optional<int> x,
                              std::optional<int> y, std::optional<int> width,
                              std::optional<int> height, std::optional<int> targetX,
                              std::optional<int> targetY) {
    const auto from = Table().Get(source);
    if (!from) {
        return false;
    }
    const int sx = x.value_or(0);
    const int sy = y.value_or(0);
    const int w = width.value_or(0) >= 1 ? *width : from->width() - sx;
    const int h = height.value_or(0) >= 1 ? *height : from->height() - sy;
    if (!Table().Get(target)) {
        // Nothing to make a bitmap of: refuse rather than hand back no target.
        QImage fresh = BlankImage(w, h, DepthOf(*from));
        if (fresh.isNull()) {
            return false;
        }
        target = Table().Add(std::move(fresh));
        if (target == 0) {
            return false;
        }
    }
    const QRect area(sx, sy, std::max(w, 0), std::max(h, 0));
    const QPoint to(targetX.value_or(0), targetY.value_or(0));
    return Table().Modify(target, [&](QImage& into) { Blit(*from, area, into, to); });
}

bool BitmapObject::DrawToWindow(std::uint32_t bitmap, std::uint32_t window) {
    const QImage image = PaintableImage(bitmap);
    if (image.isNull()) {
        return false;
    }
    Backend().PutImage(window, image);
    return true;
}

bool BitmapObject::PaintPatternToWindow(std::uint32_t bitmap, std::optional<std::uint32_t> window) {
    // The pattern starts at the origin and fills exactly the bitmap's own
    // rectangle, so it is laid down once, untiled.
    const QImage image = PaintableImage(bitmap);
    if (image.isNull()) {
        return false;
    }
    Backend().PutImage(window.value_or(0), image);
    return true;
}

bool BitmapObject::CopyToClipboard(std::uint32_t bitmap) {
    const auto image = Table().Get(bitmap);
    if (!image || !qGuiApp) {
        return false;
    }
    QGuiApplication::clipboard()->setImage(image->convertToFormat(QImage::Format_RGB32));
    return Table().GiveToClipboard(bitmap);
}

std::uint32_t BitmapObject::BitmapFromClipboard() {
    if (!qGuiApp) {
        return 0;
    }
    const QImage image = QGuiApplication::clipboard()->image();
    if (image.isNull()) {
        return 0;
    }
    // While the clipboard still shows the bitmap it holds, that one handle is
    // the answer; new content replaces (and releases) it.
    const QImage current = image.convertToFormat(QImage::Format_RGB32);
    if (const std::uint32_t held = Table().ClipboardHandle()) {
        const auto heldImage = Table().Get(held);
        if (heldImage && heldImage->convertToFormat(QImage::Format_RGB32) == current) {
            return held;
        }
    }
    return Table().AdoptClipboardImage(ToDepth(current, CompatibleDepth()));
}

int BitmapObject::GetBitsPerPixel(std::uint32_t bitmap) {
    const auto image = Table().Get(bitmap);
    return image ? DepthOf(*image) : 0;
}

int BitmapObject::GetWidth(std::uint32_t bitmap) {
    const auto image = Table().Get(bitmap);
    return image ? image->width() : 0;
}

int BitmapObject::GetHeight(std::uint32_t bitmap) {
    const auto image = Table().Get(bitmap);
    return image ? image->height() : 0;
}

std::uint32_t BitmapObject::ReadPixel(std::uint32_t bitmap, int x, int y) {
    const auto image = Table().Get(bitmap);
    if (!image || !image->valid(x, y)) {
        return kNoColour;
    }
    return ColourFromRgb(image->pixel(x, y));
}

bool BitmapObject::WritePixel(std::uint32_t bitmap, int x, int y, std::uint32_t colour) {
    if (colour == kNoColour) {
        return false;
    }
    bool written = false;
    Table().Modify(bitmap, [&](QImage& image) {
        if (image.valid(x, y)) {
            image.setPixel(x, y, RgbFromColour(colour));
            written = true;
        }
    });
    return written;
}

bool BitmapObject::ReplaceColour(std::uint32_t bitmap, std::uint32_t sought,
                                 std::uint32_t replacement) {
    return Table().Modify(bitmap, [&](QImage& image) {
        if (sought == kNoColour || replacement == kNoColour) {
            return;
        }
        const QRgb with = RgbFromColour(replacement);
        for (int x = 0; x < image.width(); ++x) {
            for (int y = 0; y < image.height(); ++y) {
                if (ColourFromRgb(image.pixel(x, y)) == sought) {
                    image.setPixel(x, y, with);
                }
            }
        }
    });
}

bool BitmapObject::FreeBitmap(std::uint32_t bitmap) {
    return Table().Free(bitmap);
}

}  // namespace avatrix::image

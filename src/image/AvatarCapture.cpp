#include "image/AvatarSaving.h"
#include "image/BitmapObject.h"
#include "image/BmpImage.h"
#include "image/CaptureBackend.h"
#include "image/PixelFormats.h"

namespace avatrix::image {
namespace {

// The screen pixels of `area` at `bits`, as BMP image bytes. Only the rectangle
// of the display mode is copied; what lies outside it stays black. Taking just
// the area gives the same bytes as cutting it out of a copy of the whole
// screen, at a fraction of the cost.
ByteSet ScreenAreaAsBmpImage(const QRect& area, int bits) {
    if (area.isEmpty() || !IsSupportedDepth(bits) || Backend().ScreenSize().isEmpty()) {
        return {};
    }
    return EncodeBmpImage(Backend().GrabScreen(area), bits);
}

// A width or height below 1 runs to the screen's edge, as in a region copy.
QRect RegionOnScreen(int x, int y, int width, int height) {
    const QSize screen = Backend().ScreenSize();
    return QRect(x, y, width >= 1 ? width : screen.width() - x,
                 height >= 1 ? height : screen.height() - y);
}

}  // namespace

ByteSet CaptureToBmpImage(std::uint32_t window, std::optional<int> left, std::optional<int> top,
                          std::optional<int> right, std::optional<int> bottom,
                          std::optional<bool> fromWindowImage, std::optional<int> bitsPerPixel) {
    const int l = left.value_or(0);
    const int t = top.value_or(0);
    const int r = right.value_or(-1);
    const int b = bottom.value_or(-1);
    const int bits = bitsPerPixel.value_or(0) != 0 ? *bitsPerPixel : 16;

    if (fromWindowImage.value_or(false)) {
        BitmapObject bitmaps;
        const std::uint32_t image = bitmaps.CaptureWindow(window, bits);
        std::uint32_t result = 0;
        // Width and height of 0 or less run to the image's edges.
        bitmaps.CopyRegion(image, result, l, t, r - l + 1, b - t + 1);
        ByteSet bytes = bitmaps.ToBmpImage(result);
        bitmaps.FreeBitmap(image);
        bitmaps.FreeBitmap(result);
        return bytes;
    }
    if (window == 0) {
        return ScreenAreaAsBmpImage(RegionOnScreen(l, t, r - l + 1, b - t + 1), bits);
    }
    const WindowState state = Backend().QueryWindow(window);
    // A window that is gone has no client area to cut out. A hidden one is
    // not refused: the screen where it would be is copied.
    if (!state.exists || state.minimised) {
        return {};
    }
    const int width = r < l ? state.clientSize.width() : r - l + 1;
    const int height = b < t ? state.clientSize.height() : b - t + 1;
    return ScreenAreaAsBmpImage(
        RegionOnScreen(state.clientOrigin.x() + l, state.clientOrigin.y() + t, width, height),
        bits);
}

}  // namespace avatrix::image

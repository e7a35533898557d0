#include "image/AvatarSaving.h"
#include "image/BitmapObject.h"
#include "image/CaptureBackend.h"

namespace avatrix::image {

ByteSet CaptureToBmpImage(std::uint32_t window, std::optional<int> left, std::optional<int> top,
                          std::optional<int> right, std::optional<int> bottom,
                          std::optional<bool> fromWindowImage, std::optional<int> bitsPerPixel) {
    BitmapObject bitmaps;
    const int l = left.value_or(0);
    const int t = top.value_or(0);
    const int r = right.value_or(-1);
    const int b = bottom.value_or(-1);
    const int bits = bitsPerPixel.value_or(0) != 0 ? *bitsPerPixel : 16;

    std::uint32_t image = 0;
    std::uint32_t result = 0;
    if (fromWindowImage.value_or(false)) {
        image = bitmaps.CaptureWindow(window, bits);
        // Width and height of 0 or less run to the image's edges.
        bitmaps.CopyRegion(image, result, l, t, r - l + 1, b - t + 1);
    } else {
        image = bitmaps.CaptureWindow(std::nullopt, bits);
        if (window != 0) {
            const WindowState state = Backend().QueryWindow(window);
            // A window that is gone has no client area to cut out.
            if (!state.exists || state.minimised) {
                bitmaps.FreeBitmap(image);
                return {};
            }
            const int x = state.clientOrigin.x() + l;
            const int y = state.clientOrigin.y() + t;
            const int width = r < l ? state.clientSize.width() : r - l + 1;
            const int height = b < t ? state.clientSize.height() : b - t + 1;
            bitmaps.CopyRegion(image, result, x, y, width, height);
        } else {
            bitmaps.CopyRegion(image, result, l, t, r - l + 1, b - t + 1);
        }
    }
    ByteSet bytes = bitmaps.ToBmpImage(result);
    bitmaps.FreeBitmap(image);
    bitmaps.FreeBitmap(result);
    return bytes;
}

}  // namespace avatrix::image

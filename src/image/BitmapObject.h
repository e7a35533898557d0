#pragma once

#include <cstdint>
#include <optional>

#include "text/Text.h"

namespace avatrix::image {

// A stateless toolbox over bitmap handles: capture, region copies, BMP image
// bytes, picture decoding, single pixels and the clipboard. A handle (never 0
// when valid) belongs to whoever received it and is released with
// FreeBitmap; the exceptions are a handle given to the clipboard and one
// obtained from it, which the clipboard owns. Bitmaps are kept at 16, 24 or
// 32 bits per pixel; a request for a depth that needs a colour table fails
// (0 or empty) instead of producing a wrong image. Colours are 0x00BBGGRR.
// Windows are native window handles, 0 standing for the screen where allowed.
// Use from the GUI thread.
class BitmapObject {
  public:
    ~BitmapObject() = default;
    BitmapObject() = default;
    BitmapObject(const BitmapObject&) = default;
    BitmapObject& operator=(const BitmapObject&) = default;

    // A BMP file's bytes, in any of the usual BMP variants.
    std::uint32_t LoadBitmapFromBytes(const ByteSet& bytes);
    std::uint32_t LoadBitmapFile(const Text& path);
    // Bytes in the layout ToBmpImage writes, checked against their headers.
    std::uint32_t BitmapFromBmpImage(const ByteSet& bytes);
    // Decoded picture bytes (JPEG, PNG, BMP, GIF), stretched to width x height
    // when those are given (0 keeps the picture's own size).
    std::uint32_t BitmapFromPicture(const ByteSet& bytes, std::optional<int> width = std::nullopt,
                                    std::optional<int> height = std::nullopt);
    // Without a window: the whole screen, at `bitsPerPixel` or the display's
    // own. With one: the window's own image of its client area, one pixel
    // wider and taller without a depth, exactly the client size with one; 0
    // for a minimised or hidden window.
    std::uint32_t CaptureWindow(std::optional<std::uint32_t> window = std::nullopt,
                                std::optional<int> bitsPerPixel = std::nullopt);
    // The client area (the screen without a window) at `bitsPerPixel`
    // (default 24): as the screen shows it, or as the window prints itself.
    std::uint32_t CaptureClient(std::optional<std::uint32_t> window = std::nullopt,
                                std::optional<int> bitsPerPixel = std::nullopt,
                                std::optional<bool> printWindow = std::nullopt);
    // At the display's depth; the pixels are black.
    std::uint32_t CreateBlankBitmap(int width, int height);
    ByteSet ToBmpImage(std::uint32_t bitmap);
    std::uint32_t ConvertDepth(std::uint32_t bitmap, int bitsPerPixel);
    // Copies (x, y, width, height) of `source` to (targetX, targetY) of
    // `target`. A width or height below 1 runs to the source's edge. When
    // `target` holds no bitmap, a new one of exactly the copy's size and the
    // source's depth is made and stored there.
    bool CopyRegion(std::uint32_t source, std::uint32_t& target,
                    std::optional<int> x = std::nullopt, std::optional<int> y = std::nullopt,
                    std::optional<int> width = std::nullopt,
                    std::optional<int> height = std::nullopt,
                    std::optional<int> targetX = std::nullopt,
                    std::optional<int> targetY = std::nullopt);
    // Both draw straight onto the window (or the screen), as transient as any
    // drawing there: the next repaint replaces it.
    bool DrawToWindow(std::uint32_t bitmap, std::uint32_t window);
    bool PaintPatternToWindow(std::uint32_t bitmap,
                              std::optional<std::uint32_t> window = std::nullopt);
    bool CopyToClipboard(std::uint32_t bitmap);
    std::uint32_t BitmapFromClipboard();
    int GetBitsPerPixel(std::uint32_t bitmap);
    int GetWidth(std::uint32_t bitmap);
    int GetHeight(std::uint32_t bitmap);
    // 0xFFFFFFFF outside the bitmap or for an invalid handle.
    std::uint32_t ReadPixel(std::uint32_t bitmap, int x, int y);
    bool WritePixel(std::uint32_t bitmap, int x, int y, std::uint32_t colour);
    bool ReplaceColour(std::uint32_t bitmap, std::uint32_t sought, std::uint32_t replacement);
    bool FreeBitmap(std::uint32_t bitmap);
};

}  // namespace avatrix::image

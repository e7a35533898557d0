#pragma once

#include <cstdint>

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>

// What the bitmap operations need from the display: its pixel depth and size,
// pixels of the screen and of single windows, window state, and drawing onto
// a window. All sizes are device pixels, whatever scale factor the toolkit
// applies. One backend per platform; without a display every query fails.
namespace avatrix::image {

struct WindowState {
    bool exists = false;
    bool viewable = false;   // mapped, and every ancestor with it
    bool minimised = false;  // the window itself is iconified
    QSize clientSize;
    QPoint clientOrigin;  // top-left corner of the client area on the screen
};

class CaptureBackend {
  public:
    virtual ~CaptureBackend() = default;

    // Bits per pixel of the display's pixels (not its colour depth); 0 unknown.
    virtual int DisplayBitsPerPixel() = 0;
    // Size of the current display mode, empty when there is no display.
    virtual QSize ScreenSize() = 0;
    // The screen's pixels in `area` as RGB32; parts off the screen are black.
    // A null image on failure.
    virtual QImage GrabScreen(const QRect& area) = 0;
    virtual WindowState QueryWindow(std::uint32_t window) = 0;
    // The window's own image of its client area (not what covers it), RGB32.
    virtual QImage PrintWindow(std::uint32_t window) = 0;
    // Draws the image at the window's (0, 0); window 0 is the whole screen.
    virtual bool PutImage(std::uint32_t window, const QImage& image) = 0;
};

// The backend for the running display (a failing one without a display).
CaptureBackend& Backend();

namespace testing {
// While on, Backend() is the failing one used without a display, as on a
// platform whose screen cannot be read.
void SetScreenUnreadable(bool on);
}  // namespace testing

namespace platform {
// Defined by the platform file the build includes; null when that platform
// is not the one running.
CaptureBackend* ActiveBackend();
}  // namespace platform

}  // namespace avatrix::image

#include "WindowFixtures.h"

#include <QPainter>

#include "SuiteSetup.h"
#include "image/CaptureBackend.h"

namespace avatrix::image::testing {

// Display tests run on an X server of their own, so windows of tests running
// in parallel cannot cover what they read back; the rest need no display.
const avatrix::test::RegisterSuiteSetup kSetup({
    .display = avatrix::test::SuiteSetup::Display::Private,
    .displaySuites = {"Capture", "PictureHandlers"},
});

QuadrantWidget::QuadrantWidget(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QColor QuadrantWidget::ColourAt(int x, int y) const {
    const qreal ratio = devicePixelRatioF();
    const int w = qRound(width() * ratio);
    const int h = qRound(height() * ratio);
    return kColours[(y >= h / 2 ? 2 : 0) + (x >= w / 2 ? 1 : 0)];
}

void QuadrantWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const int w = width(), h = height();
    p.fillRect(0, 0, w / 2, h / 2, kColours[0]);
    p.fillRect(w / 2, 0, w - w / 2, h / 2, kColours[1]);
    p.fillRect(0, h / 2, w / 2, h - h / 2, kColours[2]);
    p.fillRect(w / 2, h / 2, w - w / 2, h - h / 2, kColours[3]);
}

bool HaveX11Display() {
    return !Backend().ScreenSize().isEmpty();
}

std::uint32_t ColourRef(const QColor& c) {
    return static_cast<std::uint32_t>(c.red()) | (static_cast<std::uint32_t>(c.green()) << 8) |
           (static_cast<std::uint32_t>(c.blue()) << 16);
}

std::uint32_t ScreenPixel(int x, int y) {
    const QImage pixel = Backend().GrabScreen(QRect(x, y, 1, 1));
    if (pixel.isNull()) {
        return 0xFFFFFFFFu;
    }
    return ColourRef(QColor(pixel.pixel(0, 0)));
}

bool ShowUnmanaged(QWidget& window, const QRect& geometry) {
    window.setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint |
                          Qt::WindowStaysOnTopHint);
    window.setGeometry(geometry);
    window.show();
    window.raise();
    const auto handle = static_cast<std::uint32_t>(window.winId());
    return WaitUntil([&] {
        const WindowState state = Backend().QueryWindow(handle);
        if (!state.viewable) {
            return false;
        }
        // Painted once the centre of the first quadrant shows on the screen.
        const QPoint probe = state.clientOrigin + QPoint(2, 2);
        const QImage shown = window.grab().toImage();
        return ScreenPixel(probe.x(), probe.y()) == ColourRef(QColor(shown.pixel(2, 2)));
    });
}

}  // namespace avatrix::image::testing

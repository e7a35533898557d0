// The X11 backend of the capture interface, on the connection Qt's xcb
// platform already holds. Everything here is in device pixels.

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include <QApplication>
#include <QGuiApplication>
#include <QPixmap>
#include <QWidget>

#include "image/CaptureBackend.h"
#include "image/platform/X11PixelData.h"

namespace avatrix::image::platform {
namespace {

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template <class T>
using Reply = std::unique_ptr<T, FreeDeleter>;

class X11CaptureBackend final : public CaptureBackend {
  public:
    explicit X11CaptureBackend(xcb_connection_t* connection) : c_(connection) {
        screen_ = xcb_setup_roots_iterator(xcb_get_setup(c_)).data;
        wmState_ = Atom("WM_STATE");
        netWmState_ = Atom("_NET_WM_STATE");
        netWmStateHidden_ = Atom("_NET_WM_STATE_HIDDEN");
    }

    xcb_connection_t* Connection() const { return c_; }

    int DisplayBitsPerPixel() override {
        return screen_ ? BitsPerPixelOfDepth(screen_->root_depth) : 0;
    }

    QSize ScreenSize() override {
        return screen_ ? QSize(screen_->width_in_pixels, screen_->height_in_pixels) : QSize();
    }

    QImage GrabScreen(const QRect& area) override {
        if (!screen_ || area.isEmpty()) {
            return {};
        }
        QImage out(area.size(), QImage::Format_RGB32);
        if (out.isNull()) {
            return {};
        }
        out.fill(Qt::black);
        const QRect part = area & QRect(QPoint(0, 0), ScreenSize());
        if (part.isEmpty()) {
            return out;
        }
        const QImage pixels = GetImage(screen_->root, part);
        if (pixels.isNull()) {
            return {};
        }
        const QPoint at = part.topLeft() - area.topLeft();
        for (int y = 0; y < pixels.height(); ++y) {
            std::memcpy(out.scanLine(at.y() + y) + at.x() * 4, pixels.constScanLine(y),
                        static_cast<std::size_t>(pixels.width()) * 4);
        }
        return out;
    }

    WindowState QueryWindow(std::uint32_t window) override {
        WindowState state;
        if (window == 0) {
            return state;
        }
        auto attrCookie = xcb_get_window_attributes(c_, window);
        auto geoCookie = xcb_get_geometry(c_, window);
        Reply<xcb_get_window_attributes_reply_t> attr(
            xcb_get_window_attributes_reply(c_, attrCookie, nullptr));
        Reply<xcb_get_geometry_reply_t> geo(xcb_get_geometry_reply(c_, geoCookie, nullptr));
        if (!attr || !geo) {
            return state;
        }
        Reply<xcb_translate_coordinates_reply_t> origin(xcb_translate_coordinates_reply(
            c_, xcb_translate_coordinates(c_, window, geo->root, 0, 0), nullptr));
        if (!origin) {
            return state;
        }
        state.exists = true;
        state.viewable = attr->map_state == XCB_MAP_STATE_VIEWABLE;
        state.clientSize = QSize(geo->width, geo->height);
        state.clientOrigin = QPoint(origin->dst_x, origin->dst_y);
        state.minimised = IsIconified(window);
        return state;
    }

    QImage PrintWindow(std::uint32_t window) override {
        // Our own widgets paint themselves, so covered parts come out right.
        if (qobject_cast<QApplication*>(QCoreApplication::instance())) {
            if (QWidget* widget = QWidget::find(static_cast<WId>(window))) {
                return widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
            }
        }
        Reply<xcb_get_geometry_reply_t> geo(
            xcb_get_geometry_reply(c_, xcb_get_geometry(c_, window), nullptr));
        if (!geo) {
            return {};
        }
        return GetImage(window, QRect(0, 0, geo->width, geo->height));
    }

    bool PutImage(std::uint32_t window, const QImage& source) override {
        if (!screen_ || source.isNull()) {
            return false;
        }
        const xcb_window_t target = window != 0 ? window : screen_->root;
        Reply<xcb_get_geometry_reply_t> geo(
            xcb_get_geometry_reply(c_, xcb_get_geometry(c_, target), nullptr));
        Reply<xcb_get_window_attributes_reply_t> attr(
            xcb_get_window_attributes_reply(c_, xcb_get_window_attributes(c_, target), nullptr));
        if (!geo || !attr) {
            return false;
        }
        const PixelLayout layout = LayoutFor(geo->depth, attr->visual);
        if (!layout.Valid()) {
            return false;
        }
        const QImage image = source.convertToFormat(QImage::Format_RGB32);

        // Drawing on the screen draws over every window, as a screen context
        // would; on a window, its children stay untouched.
        const xcb_gcontext_t gc = xcb_generate_id(c_);
        const std::uint32_t mode = window == 0 ? XCB_SUBWINDOW_MODE_INCLUDE_INFERIORS
                                               : XCB_SUBWINDOW_MODE_CLIP_BY_CHILDREN;
        if (Failed(xcb_create_gc_checked(c_, gc, target, XCB_GC_SUBWINDOW_MODE, &mode))) {
            return false;
        }
        const std::size_t maxBytes =
            static_cast<std::size_t>(xcb_get_maximum_request_length(c_)) * 4 - 64;
        const std::size_t stride = layout.Stride(image.width());
        const int rowsPerRequest =
            static_cast<int>(std::max<std::size_t>(1, maxBytes / std::max<std::size_t>(stride, 1)));
        bool ok = true;
        std::vector<std::uint8_t> data;
        for (int y = 0; y < image.height() && ok; y += rowsPerRequest) {
            const int rows = std::min(rowsPerRequest, image.height() - y);
            PixelsFromImage(image, y, rows, layout, data);
            ok = !Failed(xcb_put_image_checked(
                c_, XCB_IMAGE_FORMAT_Z_PIXMAP, target, gc,
                static_cast<std::uint16_t>(image.width()), static_cast<std::uint16_t>(rows), 0,
                static_cast<std::int16_t>(y), 0, geo->depth,
                static_cast<std::uint32_t>(data.size()), data.data()));
        }
        xcb_free_gc(c_, gc);
        xcb_flush(c_);
        return ok;
    }

  private:
    xcb_connection_t* c_;
    xcb_screen_t* screen_ = nullptr;
    xcb_atom_t wmState_ = XCB_ATOM_NONE;
    xcb_atom_t netWmState_ = XCB_ATOM_NONE;
    xcb_atom_t netWmStateHidden_ = XCB_ATOM_NONE;

    bool Failed(xcb_void_cookie_t cookie) {
        Reply<xcb_generic_error_t> error(xcb_request_check(c_, cookie));
        return error != nullptr;
    }

    xcb_atom_t Atom(const char* name) {
        Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
            c_, xcb_intern_atom(c_, 0, static_cast<std::uint16_t>(std::strlen(name)), name),
            nullptr));
        return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    }

    int BitsPerPixelOfDepth(std::uint8_t depth) const {
        const xcb_setup_t* setup = xcb_get_setup(c_);
        const xcb_format_t* formats = xcb_setup_pixmap_formats(setup);
        const int count = xcb_setup_pixmap_formats_length(setup);
        for (int i = 0; i < count; ++i) {
            if (formats[i].depth == depth) {
                return formats[i].bits_per_pixel;
            }
        }
        return 0;
    }

    PixelLayout LayoutFor(std::uint8_t depth, xcb_visualid_t visual) const {
        PixelLayout layout;
        layout.depth = depth;
        const xcb_setup_t* setup = xcb_get_setup(c_);
        const xcb_format_t* formats = xcb_setup_pixmap_formats(setup);
        for (int i = 0; i < xcb_setup_pixmap_formats_length(setup); ++i) {
            if (formats[i].depth == depth) {
                layout.bitsPerPixel = formats[i].bits_per_pixel;
                layout.scanlinePad = formats[i].scanline_pad;
            }
        }
        layout.msbFirst = setup->image_byte_order == XCB_IMAGE_ORDER_MSB_FIRST;
        for (auto screens = xcb_setup_roots_iterator(setup); screens.rem;
             xcb_screen_next(&screens)) {
            for (auto depths = xcb_screen_allowed_depths_iterator(screens.data); depths.rem;
                 xcb_depth_next(&depths)) {
                for (auto visuals = xcb_depth_visuals_iterator(depths.data); visuals.rem;
                     xcb_visualtype_next(&visuals)) {
                    if (visuals.data->visual_id == visual) {
                        layout.masks[0] = visuals.data->red_mask;
                        layout.masks[1] = visuals.data->green_mask;
                        layout.masks[2] = visuals.data->blue_mask;
                        return layout;
                    }
                }
            }
        }
        return layout;
    }

    QImage GetImage(xcb_drawable_t drawable, const QRect& area) {
        if (area.isEmpty()) {
            return {};
        }
        Reply<xcb_get_image_reply_t> reply(xcb_get_image_reply(
            c_,
            xcb_get_image(c_, XCB_IMAGE_FORMAT_Z_PIXMAP, drawable,
                          static_cast<std::int16_t>(area.x()), static_cast<std::int16_t>(area.y()),
                          static_cast<std::uint16_t>(area.width()),
                          static_cast<std::uint16_t>(area.height()), ~0u),
            nullptr));
        if (!reply) {
            return {};
        }
        const PixelLayout layout = LayoutFor(reply->depth, reply->visual);
        const int length = xcb_get_image_data_length(reply.get());
        return ImageFromPixels(
            {xcb_get_image_data(reply.get()), static_cast<std::size_t>(length > 0 ? length : 0)},
            area.width(), area.height(), layout);
    }

    bool IsIconified(xcb_window_t window) {
        if (wmState_ != XCB_ATOM_NONE) {
            Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
                c_, xcb_get_property(c_, 0, window, wmState_, wmState_, 0, 2), nullptr));
            constexpr std::uint32_t kIconicState = 3;
            if (reply && reply->format == 32 && xcb_get_property_value_length(reply.get()) >= 4) {
                const auto* value =
                    static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
                if (value[0] == kIconicState) {
                    return true;
                }
            }
        }
        if (netWmState_ != XCB_ATOM_NONE && netWmStateHidden_ != XCB_ATOM_NONE) {
            Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
                c_, xcb_get_property(c_, 0, window, netWmState_, XCB_ATOM_ATOM, 0, 64), nullptr));
            if (reply && reply->format == 32) {
                const int count = xcb_get_property_value_length(reply.get()) / 4;
                const auto* atoms =
                    static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.get()));
                if (std::find(atoms, atoms + count, netWmStateHidden_) != atoms + count) {
                    return true;
                }
            }
        }
        // A top-level widget of ours the window manager has not yet iconified.
        if (qobject_cast<QApplication*>(QCoreApplication::instance())) {
            if (QWidget* widget = QWidget::find(static_cast<WId>(window))) {
                return widget->isWindow() && widget->isMinimized();
            }
        }
        return false;
    }
};

}  // namespace

CaptureBackend* ActiveBackend() {
    if (!qGuiApp) {
        return nullptr;
    }
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection()) {
        return nullptr;
    }
    static std::unique_ptr<X11CaptureBackend> backend;
    if (!backend || backend->Connection() != x11->connection()) {
        backend = std::make_unique<X11CaptureBackend>(x11->connection());
    }
    return backend.get();
}

}  // namespace avatrix::image::platform

#include <xcb/xcb.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include <gtest/gtest.h>
#include <QApplication>
#include <QGuiApplication>
#include <QProcess>
#include <QScreen>

#include "TestPictures.h"
#include "WindowFixtures.h"
#include "image/AvatarSaving.h"
#include "image/BitmapObject.h"
#include "image/CaptureBackend.h"

namespace avatrix::image {
namespace {

using testing::ColourRef;
using testing::QuadrantWidget;

std::uint32_t Expected(const QColor& c, int bits) {
    return bits == 16 ? testing::ColourThrough16(c.red(), c.green(), c.blue()) : ColourRef(c);
}

std::uint32_t Handle(QWidget& w) {
    return static_cast<std::uint32_t>(w.winId());
}

class CaptureTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!testing::HaveX11Display()) {
            GTEST_SKIP() << "needs an X display";
        }
    }
    BitmapObject bo;
};

class ScreenCapture : public CaptureTest, public ::testing::WithParamInterface<int> {};

TEST_P(ScreenCapture, ReadsBackAWindowOfKnownColoursPixelByPixel) {
    const int bits = GetParam();
    QuadrantWidget window;
    const QRect where(101, 77, 40, 30);
    ASSERT_TRUE(testing::ShowUnmanaged(window, where));

    const std::uint32_t screen = bo.CaptureWindow(std::nullopt, bits);
    ASSERT_NE(screen, 0u);
    const QSize size = Backend().ScreenSize();
    EXPECT_EQ(bo.GetWidth(screen), size.width());
    EXPECT_EQ(bo.GetHeight(screen), size.height());
    EXPECT_EQ(bo.GetBitsPerPixel(screen), bits);
    for (int y = 0; y < where.height(); ++y) {
        for (int x = 0; x < where.width(); ++x) {
            ASSERT_EQ(bo.ReadPixel(screen, where.x() + x, where.y() + y),
                      Expected(window.ColourAt(x, y), bits))
                << "at " << x << "," << y;
        }
    }
    EXPECT_TRUE(bo.FreeBitmap(screen));
}

INSTANTIATE_TEST_SUITE_P(Depths, ScreenCapture, ::testing::Values(16, 24, 32));

TEST_F(CaptureTest, WithoutADepthTheScreenComesAtTheDisplaysBitsPerPixel) {
    const std::uint32_t screen = bo.CaptureWindow();
    ASSERT_NE(screen, 0u);
    const int depth = QGuiApplication::primaryScreen()->depth();
    // A 24-bit colour display keeps its pixels in 32 bits.
    EXPECT_EQ(bo.GetBitsPerPixel(screen), depth == 24 ? 32 : depth);
    EXPECT_EQ(bo.GetBitsPerPixel(screen), bo.GetBitsPerPixel(bo.CreateBlankBitmap(1, 1)));
    bo.FreeBitmap(screen);
}

TEST_F(CaptureTest, AWindowPrintsItselfEvenWhenCovered) {
    QuadrantWidget window;
    ASSERT_TRUE(testing::ShowUnmanaged(window, QRect(300, 200, 50, 40)));
    QWidget cover;
    cover.setStyleSheet("background: #ff00ff");
    cover.setAutoFillBackground(true);
    ASSERT_TRUE(testing::ShowUnmanaged(cover, QRect(290, 190, 40, 40)));
    ASSERT_EQ(testing::ScreenPixel(305, 205), 0xFF00FFu) << "the cover is on the screen";

    const std::uint32_t exact = bo.CaptureWindow(Handle(window), 24);
    ASSERT_NE(exact, 0u);
    EXPECT_EQ(bo.GetWidth(exact), 50);
    EXPECT_EQ(bo.GetHeight(exact), 40);
    EXPECT_EQ(bo.ReadPixel(exact, 5, 5), ColourRef(QuadrantWidget::kColours[0]));
    EXPECT_EQ(bo.ReadPixel(exact, 49, 39), ColourRef(QuadrantWidget::kColours[3]));

    // Without a depth: one pixel wider and taller, at the display's depth.
    const std::uint32_t wider = bo.CaptureWindow(Handle(window));
    ASSERT_NE(wider, 0u);
    EXPECT_EQ(bo.GetWidth(wider), 51);
    EXPECT_EQ(bo.GetHeight(wider), 41);
    EXPECT_EQ(bo.GetBitsPerPixel(wider), Backend().DisplayBitsPerPixel());
    EXPECT_EQ(bo.ReadPixel(wider, 49, 39), ColourRef(QuadrantWidget::kColours[3]));
    bo.FreeBitmap(exact);
    bo.FreeBitmap(wider);
}

TEST_F(CaptureTest, HiddenAndMinimisedWindowsGiveNothing) {
    QuadrantWidget window;
    ASSERT_TRUE(testing::ShowUnmanaged(window, QRect(120, 400, 30, 30)));
    const std::uint32_t handle = Handle(window);
    window.hide();
    ASSERT_TRUE(testing::WaitUntil([&] { return !Backend().QueryWindow(handle).viewable; }));
    EXPECT_EQ(bo.CaptureWindow(handle), 0u);
    EXPECT_EQ(bo.CaptureWindow(handle, 16), 0u);

    // A top-level window minimised (by the window manager when there is one).
    QuadrantWidget managed;
    managed.resize(60, 60);
    managed.show();
    const std::uint32_t managedHandle = Handle(managed);
    ASSERT_TRUE(testing::WaitUntil([&] { return Backend().QueryWindow(managedHandle).viewable; }));
    ASSERT_NE(bo.FreeBitmap(bo.CaptureWindow(managedHandle, 32)), false);
    managed.showMinimized();
    ASSERT_TRUE(testing::WaitUntil([&] { return Backend().QueryWindow(managedHandle).minimised; }));
    EXPECT_EQ(bo.CaptureWindow(managedHandle, 32), 0u);
    EXPECT_TRUE(CaptureToBmpImage(managedHandle).empty());
}

// A window no toolkit of ours paints: its pixels come from the server.
class ForeignWindow {
  public:
    ForeignWindow(QRect geometry, std::uint32_t pixel) {
        auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
        c_ = x11->connection();
        xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c_)).data;
        id_ = xcb_generate_id(c_);
        const std::uint32_t values[] = {pixel, 1};
        xcb_create_window(
            c_, XCB_COPY_FROM_PARENT, id_, screen->root, static_cast<std::int16_t>(geometry.x()),
            static_cast<std::int16_t>(geometry.y()), static_cast<std::uint16_t>(geometry.width()),
            static_cast<std::uint16_t>(geometry.height()), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
            screen->root_visual, XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
        xcb_map_window(c_, id_);
        xcb_flush(c_);
    }
    ~ForeignWindow() {
        xcb_destroy_window(c_, id_);
        xcb_flush(c_);
    }
    std::uint32_t id() const { return id_; }
    // Marks the window iconic, as a window manager does when it minimises one.
    void MarkIconic() {
        const char* name = "WM_STATE";
        xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
            c_, xcb_intern_atom(c_, 0, static_cast<std::uint16_t>(std::strlen(name)), name),
            nullptr);
        const std::uint32_t state[] = {3, 0};  // IconicState, no icon window
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, id_, atom->atom, atom->atom, 32, 2, state);
        xcb_flush(c_);
        std::free(atom);
    }

  private:
    xcb_connection_t* c_;
    std::uint32_t id_;
};

TEST_F(CaptureTest, ForeignWindowsAreReadFromTheServer) {
    if (Backend().DisplayBitsPerPixel() != 32) {
        GTEST_SKIP() << "pixel value below assumes a 24-bit true-colour display";
    }
    ForeignWindow window(QRect(600, 100, 21, 13), 0x3366CC);  // 0xRRGGBB
    ASSERT_TRUE(testing::WaitUntil([&] { return testing::ScreenPixel(610, 105) == 0xCC6633u; }));
    const std::uint32_t image = bo.CaptureWindow(window.id(), 32);
    ASSERT_NE(image, 0u);
    EXPECT_EQ(bo.GetWidth(image), 21);
    EXPECT_EQ(bo.GetHeight(image), 13);
    EXPECT_EQ(bo.ReadPixel(image, 20, 12), 0xCC6633u);
    bo.FreeBitmap(image);

    // Drawing onto it shows on the screen until the window repaints.
    const std::uint32_t blank = bo.CreateBlankBitmap(5, 5);
    bo.ReplaceColour(blank, 0, 0x00FF00);
    ASSERT_TRUE(bo.DrawToWindow(blank, window.id()));
    EXPECT_TRUE(testing::WaitUntil([] { return testing::ScreenPixel(604, 104) == 0x00FF00u; }));
    EXPECT_EQ(testing::ScreenPixel(610, 110), 0xCC6633u) << "only the bitmap's size is drawn";
    bo.FreeBitmap(blank);

    window.MarkIconic();
    ASSERT_TRUE(testing::WaitUntil([&] { return Backend().QueryWindow(window.id()).minimised; }));
    EXPECT_EQ(bo.CaptureWindow(window.id(), 32), 0u);
    EXPECT_TRUE(CaptureToBmpImage(window.id()).empty());
}

TEST_F(CaptureTest, PatternOnTheScreenCoversTheBitmapsRectangle) {
    const std::uint32_t bitmap = bo.CreateBlankBitmap(6, 4);
    bo.ReplaceColour(bitmap, 0, 0x0000FF);
    ASSERT_TRUE(bo.PaintPatternToWindow(bitmap));
    EXPECT_TRUE(testing::WaitUntil([] { return testing::ScreenPixel(5, 3) == 0x0000FFu; }));
    const std::uint32_t outside = testing::ScreenPixel(6, 4);
    EXPECT_NE(outside, 0x0000FFu);
    bo.FreeBitmap(bitmap);
}

TEST_F(CaptureTest, CaptureClientCopiesTheScreenOrPrintsTheWindow) {
    QuadrantWidget window;
    ASSERT_TRUE(testing::ShowUnmanaged(window, QRect(700, 300, 32, 24)));
    const std::uint32_t shown = bo.CaptureClient(Handle(window));
    ASSERT_NE(shown, 0u);
    EXPECT_EQ(bo.GetBitsPerPixel(shown), 24);
    EXPECT_EQ(bo.GetWidth(shown), 32);
    EXPECT_EQ(bo.GetHeight(shown), 24);
    EXPECT_EQ(bo.ReadPixel(shown, 31, 0), ColourRef(QuadrantWidget::kColours[1]));
    const std::uint32_t printed = bo.CaptureClient(Handle(window), 16, true);
    ASSERT_NE(printed, 0u);
    EXPECT_EQ(bo.GetBitsPerPixel(printed), 16);
    EXPECT_EQ(bo.ReadPixel(printed, 0, 23), Expected(QuadrantWidget::kColours[2], 16));
    // Only a window can print itself.
    EXPECT_EQ(bo.CaptureClient(0, 24, true), 0u);
    const std::uint32_t screen = bo.CaptureClient();
    EXPECT_EQ(bo.GetWidth(screen), Backend().ScreenSize().width());
    for (auto h : {shown, printed, screen}) {
        bo.FreeBitmap(h);
    }
}

// Reads a pixel of the BMP image bytes ToBmpImage writes, at 16 bits.
std::uint32_t Bmp16Pixel(const ByteSet& bmp, int x, int y) {
    const int width = bmp[18] | (bmp[19] << 8);
    const int height = bmp[22] | (bmp[23] << 8);
    const std::size_t stride = (static_cast<std::size_t>(width) * 2 + 3) / 4 * 4;
    const std::size_t at = 58 + stride * static_cast<std::size_t>(height - 1 - y) + 2 * x;
    const int word = bmp[at] | (bmp[at + 1] << 8);
    auto expand = [](int five) { return (five << 3) | (five >> 2); };
    return testing::Colour(expand((word >> 10) & 31), expand((word >> 5) & 31), expand(word & 31));
}

class AvatarCapture : public CaptureTest {
  protected:
    void SetUp() override {
        CaptureTest::SetUp();
        if (IsSkipped()) {
            return;
        }
        // A 184 x 184 box with its own native window, 10 pixels into a frame.
        frame = std::make_unique<QWidget>();
        box = new QuadrantWidget(frame.get());
        box->setAttribute(Qt::WA_NativeWindow);
        box->setGeometry(10, 10, 184, 184);
        // In the bottom-right corner, away from the other tests' windows and
        // on the screen whatever the scale factor.
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        ASSERT_TRUE(testing::ShowUnmanaged(
            *frame, QRect(screen.right() - 200, screen.bottom() - 200, 196, 196)));
        scale = box->devicePixelRatioF();
        // Shown once all four corners of the box are on the screen.
        ASSERT_TRUE(testing::WaitUntil([&] {
            const WindowState state = Backend().QueryWindow(Handle(*box));
            const int side = qRound(184 * scale);
            for (auto [x, y] :
                 {std::pair{0, 0}, {side - 1, 0}, {0, side - 1}, {side - 1, side - 1}}) {
                const QPoint at = state.clientOrigin + QPoint(x, y);
                if (testing::ScreenPixel(at.x(), at.y()) != ColourRef(box->ColourAt(x, y))) {
                    return false;
                }
            }
            return state.viewable;
        }));
    }
    std::unique_ptr<QWidget> frame;
    QuadrantWidget* box = nullptr;
    qreal scale = 1;
};

TEST_F(AvatarCapture, DefaultsGiveTheClientAreaAtSixteenBits) {
    const ByteSet bmp = CaptureToBmpImage(Handle(*box));
    const int side = qRound(184 * scale);
    if (qgetenv("QT_SCALE_FACTOR") == "2") {
        ASSERT_EQ(side, 368) << "the box is drawn at twice its size";
    }
    const std::size_t stride = (static_cast<std::size_t>(side) * 2 + 3) / 4 * 4;
    ASSERT_EQ(bmp.size(), 58 + stride * side);
    EXPECT_EQ(bmp[0], 'B');
    EXPECT_EQ(bmp[1], 'M');
    EXPECT_EQ(bmp[10], 58);
    EXPECT_EQ(bmp[28], 16);
    EXPECT_EQ(bmp[18] | (bmp[19] << 8), side);
    EXPECT_EQ(bmp[22] | (bmp[23] << 8), side);
    // Every corner of the box, so nothing of it is cut off.
    for (auto [x, y] : {std::pair{0, 0}, {side - 1, 0}, {0, side - 1}, {side - 1, side - 1}}) {
        EXPECT_EQ(Bmp16Pixel(bmp, x, y), Expected(box->ColourAt(x, y), 16)) << x << "," << y;
    }
}

TEST_F(AvatarCapture, InclusiveRectangleAndTheWindowsOwnImage) {
    // Right and bottom are inclusive: (90, 90) to (93, 92) is 4 x 3.
    const ByteSet part = CaptureToBmpImage(Handle(*box), 90, 90, 93, 92, false, 24);
    ASSERT_EQ(part.size(), 58u + 12 * 3);
    EXPECT_EQ(part[18], 4);
    EXPECT_EQ(part[22], 3);
    // Pixel (0, 0) of the part is box pixel (90, 90): the first quadrant.
    const QColor first = box->ColourAt(90, 90);
    const std::size_t top = 58 + 12 * 2;
    EXPECT_EQ(part[top], first.blue());
    EXPECT_EQ(part[top + 1], first.green());
    EXPECT_EQ(part[top + 2], first.red());
    EXPECT_EQ(part[top + 3 * 3 + 2], box->ColourAt(93, 90).red());

    // From the window's own image: cover the box and it still shows.
    QWidget cover;
    cover.setStyleSheet("background: #ff00ff");
    cover.setAutoFillBackground(true);
    const WindowState state = Backend().QueryWindow(Handle(*box));
    ASSERT_TRUE(testing::ShowUnmanaged(cover, QRect(state.clientOrigin, QSize(50, 50))));
    const ByteSet own = CaptureToBmpImage(Handle(*box), 0, 0, -1, -1, true);
    const int side = qRound(184 * scale);
    ASSERT_EQ(own.size(), 58 + (static_cast<std::size_t>(side) * 2 + 3) / 4 * 4 * side);
    EXPECT_EQ(Bmp16Pixel(own, 1, 1), Expected(box->ColourAt(1, 1), 16));
    const ByteSet screen = CaptureToBmpImage(Handle(*box));
    EXPECT_EQ(Bmp16Pixel(screen, 1, 1), 0xFF00FFu) << "the screen shows the cover";
}

TEST_F(AvatarCapture, WithoutAWindowTheWholeScreenOrAPartOfIt) {
    const ByteSet whole = CaptureToBmpImage(0);
    const QSize screen = Backend().ScreenSize();
    EXPECT_EQ(whole.size(), 58 + (static_cast<std::size_t>(screen.width()) * 2 + 3) / 4 * 4 *
                                     static_cast<std::size_t>(screen.height()));
    const WindowState state = Backend().QueryWindow(Handle(*box));
    const QPoint at = state.clientOrigin;
    const ByteSet part = CaptureToBmpImage(0, at.x(), at.y(), at.x() + 1, at.y() + 1, false, 32);
    ASSERT_EQ(part.size(), 58u + 8 * 2);
    EXPECT_EQ(part[58 + 8 + 2], box->ColourAt(0, 0).red());
    EXPECT_TRUE(CaptureToBmpImage(0x7FFFFFF0u).empty()) << "a window that does not exist";
}

// The scale factor applies to the whole process, so this runs in a child
// process of the suite's own binary.
TEST_F(CaptureTest, UnderADisplayScaleTheWholeBoxIsSaved) {
    if (qEnvironmentVariableIsSet("QT_SCALE_FACTOR")) {
        GTEST_SKIP() << "already the child";
    }
    QProcess child;
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_SCALE_FACTOR", "2");
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(),
                {"--gtest_filter=AvatarCapture.DefaultsGiveTheClientAreaAtSixteenBits"});
    ASSERT_TRUE(child.waitForFinished(120000));
    const QByteArray out = child.readAllStandardOutput();
    EXPECT_EQ(child.exitCode(), 0) << out.toStdString();
    EXPECT_TRUE(out.contains("[  PASSED  ] 1 test")) << out.toStdString();
}

}  // namespace
}  // namespace avatrix::image

#include "image/CaptureBackend.h"

namespace avatrix::image {
namespace {

class NoDisplayBackend final : public CaptureBackend {
  public:
    int DisplayBitsPerPixel() override { return 0; }
    QSize ScreenSize() override { return {}; }
    QImage GrabScreen(const QRect&) override { return {}; }
    WindowState QueryWindow(std::uint32_t) override { return {}; }
    QImage PrintWindow(std::uint32_t) override { return {}; }
    bool PutImage(std::uint32_t, const QImage&) override { return false; }
};

bool screenUnreadable = false;

}  // namespace

CaptureBackend& Backend() {
    if (CaptureBackend* active = platform::ActiveBackend();
        active != nullptr && !screenUnreadable) {
        return *active;
    }
    static NoDisplayBackend none;
    return none;
}

void testing::SetScreenUnreadable(bool on) {
    screenUnreadable = on;
}

}  // namespace avatrix::image

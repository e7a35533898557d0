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

}  // namespace

CaptureBackend& Backend() {
    if (CaptureBackend* active = platform::ActiveBackend()) {
        return *active;
    }
    static NoDisplayBackend none;
    return none;
}

}  // namespace avatrix::image

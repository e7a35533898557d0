#include <QGuiApplication>

#include "ui/platform/Platform.h"

namespace avatrix::ui::platform {
namespace {

// Platforms without a window manager protocol (offscreen, minimal): windows
// get only what Qt itself gives them and there are no global keys.
class NullPlatform final : public Platform {
  public:
    void PrepareWindow(QWidget*, const WindowTraits&) override {}
    void KeepOnTop(QWidget*, bool) override {}
    bool WindowManagerRunning() override { return false; }
    bool CompositorRunning() override { return true; }
    bool GrabHotKey(int, int, std::function<void()>) override { return false; }
    std::optional<QPoint> WindowOrigin(const QWidget*) override { return std::nullopt; }
    void Flush() override {}
};

}  // namespace

std::unique_ptr<Platform> MakeNullPlatform() {
    return std::make_unique<NullPlatform>();
}

Platform& Current() {
    // Kept for the life of the process: the X connection it talks to is
    // never closed before the process ends.
    static Platform* backend =
        (QGuiApplication::platformName() == QLatin1String("xcb") ? MakeX11Platform()
                                                                 : MakeNullPlatform())
            .release();
    return *backend;
}

}  // namespace avatrix::ui::platform

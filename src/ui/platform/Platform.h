#pragma once

#include <QByteArray>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include <QPoint>

class QWidget;

// What the toolkit needs from the windowing system beyond what Qt offers:
// window-manager hints, keeping windows on top where nothing else does, and
// system-wide hot keys. One backend per platform, chosen at run time.
namespace avatrix::ui::platform {

struct WindowTraits {
    bool movable = true;
    bool showInTaskbar = true;
    bool alwaysOnTop = false;
    QByteArray className;  // empty: the toolkit's default
};

class Platform {
  public:
    virtual ~Platform() = default;

    // Called after the native window exists and before every time it is
    // shown: hints a window manager reads only from unmapped windows.
    virtual void PrepareWindow(QWidget* window, const WindowTraits& traits) = 0;

    // A window that stays above all others; with no window manager to keep
    // it there, the backend raises it again whenever another window comes up.
    virtual void KeepOnTop(QWidget* window, bool on) = 0;

    virtual bool WindowManagerRunning() = 0;

    // Whether window opacity shows on the screen: something composes the
    // windows (true where the backend cannot tell).
    virtual bool CompositorRunning() = 0;

    // A system-wide key: `modifiers` of the toolkit's kModifier bits, `virtualKey` a desktop
    // virtual-key code. Returns false when the key cannot be had (another
    // client holds it, or the key does not exist).
    virtual bool GrabHotKey(int modifiers, int virtualKey, std::function<void()> onPress) = 0;

    // Where the display has the window's top-left corner, in device pixels;
    // none when it cannot say. Some window managers (weston's, for Xwayland)
    // move windows without the notice that keeps the toolkit's idea of their
    // place up to date.
    virtual std::optional<QPoint> WindowOrigin(const QWidget* window) = 0;

    // Sends pending requests to the display at once.
    virtual void Flush() = 0;
};

// The backend for the running Qt platform (X11, or none for offscreen).
Platform& Current();

std::unique_ptr<Platform> MakeX11Platform();
std::unique_ptr<Platform> MakeNullPlatform();

}  // namespace avatrix::ui::platform

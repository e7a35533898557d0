#pragma once

#include <QString>
#include <functional>

// Global shortcuts that the desktop itself watches for and passes on. On a
// Wayland desktop the compositor hands keys to Xwayland only while one of
// its windows has the focus, so the program's own key grab cannot bring back
// hidden windows there; the desktop's GlobalShortcuts portal can.
namespace avatrix::ui::platform {

struct DesktopShortcut {
    QString appId;             // the program's desktop entry name, without ".desktop"
    QString id;                // what the desktop files the shortcut under
    QString description;       // what the user reads in the desktop's shortcut settings
    QString preferredTrigger;  // as desktop portals write triggers, e.g. "ALT+F12"
    QString parentWindow;      // "x11:<id in hex>" of the window a desktop's dialog belongs to
};

// Whether the desktop session is a Wayland one (the program itself still
// runs on X11, through Xwayland).
bool WaylandSession();

// Asks the desktop for `shortcut` and returns at once: connecting to the
// session bus and every exchange with the portal happen while the program
// runs on. `onBound` runs once the desktop has bound the shortcut (to
// whatever trigger it or the user chose), `onActivated` at every press after
// that; both on the UI thread. Where no portal answers or it refuses, neither
// ever runs and nothing else changes.
void AskDesktopForShortcut(const DesktopShortcut& shortcut, std::function<void()> onBound,
                           std::function<void()> onActivated);

}  // namespace avatrix::ui::platform

#include "trace/StartupTrace.h"
#include "windows/MainWindowHandlers.h"
#include "windows/ProgramTexts.h"
#include "windows/Windows.h"

namespace avatrix::windows {

void FinishStartup() {
    trace::Span span("finish start-up");
    // Failures here are not reported: the program runs on without drops, or
    // without the restore key, which HideBothWindows then takes into account.
    using namespace units;
    ui::RegisterDropTarget(kDropTarget.window, kDropTarget.unit, ui::GetWindowHandle(kAvatarBox));
    ui::SetProperty(kDropTarget, ui::Prop::AcceptFiles, true);
    ui::ApplyVisualStyle(ui::kSilverStyle);
    ui::LoadWindow(BannerWindowLayout());
    SetRestoreHotKeyId(ui::RegisterFeedbackHotKey(ui::GetWindowHandle(kMainForm),
                                                  ui::GetWindowHandle(kHintLabel), ui::kModifierAlt,
                                                  ui::kKeyF12));
    // A Wayland desktop passes keys to the program only while one of its
    // windows has the focus, and hidden ones have none: the desktop is asked
    // for the same key too, and answers later, if at all.
    ui::RequestDesktopFeedbackHotKey(ui::GetWindowHandle(kMainForm),
                                     ui::GetWindowHandle(kHintLabel), ui::kModifierAlt, ui::kKeyF12,
                                     texts::kDesktopEntryName, texts::kRestoreShortcutId,
                                     texts::Gbk(texts::kRestoreShortcutDescription),
                                     [] { SetDesktopRestoreShortcutBound(true); });
}

}  // namespace avatrix::windows

#include "trace/StartupTrace.h"
#include "windows/MainWindowHandlers.h"
#include "windows/Windows.h"

namespace avatrix::windows {

void FinishStartup() {
    trace::Span span("finish start-up");
    // Failures here are not reported: the program runs on without drops, or
    // without the restore key, which HideBothWindows then takes into account.
    ui::RegisterDropTarget(kMainWindow, "拖放对象1", ui::GetWindowHandle(kMainWindow, "图片框1"));
    ui::SetProperty(kMainWindow, "拖放对象1", ui::Prop::AcceptFiles, true);
    ui::ApplyVisualStyle(3);
    ui::LoadWindow(BannerWindowLayout());
    SetRestoreHotKeyId(ui::RegisterFeedbackHotKey(
        ui::GetWindowHandle(kMainWindow), ui::GetWindowHandle(kMainWindow, "标签7"), 4, 123));
}

}  // namespace avatrix::windows

#pragma once

#include "ui/Toolkit.h"

// The handlers of MainWindow that style and show the banner, ask before the
// program ends and open the author's pages. Each reaches the units only
// through the toolkit's (window, unit, property) access; those that address
// BannerWindow do nothing harmful while it is not loaded.
namespace avatrix::windows {

// The placeholder 编辑框1 shows while it is empty and unfocused.
Text PlaceholderText();

bool ConfirmExit();
void HideBothWindows();
void RestoreBothWindows();
// What a second start of the program asks of the running one: the windows
// shown as ALT+F12 shows them, then raised, MainWindow activated.
void BringBackBothWindows();
void ApplyBannerText();
void ClearPlaceholder();
void RestorePlaceholder();
void ApplyBannerFont();
void ApplyBannerSize();
void ApplyBannerAlpha();
void ApplyBannerColour();
void ApplyTextColour();
void OpenSupportLinks();

// The id FinishStartup got for the ALT+F12 restore key, 0 when there is none,
// and whether the desktop has bound the restore shortcut it was asked for.
// With neither, nothing could bring hidden windows back, so "隐藏" then leaves
// them shown.
int RestoreHotKeyId();
void SetRestoreHotKeyId(int id);
bool DesktopRestoreShortcutBound();
void SetDesktopRestoreShortcutBound(bool bound);

}  // namespace avatrix::windows

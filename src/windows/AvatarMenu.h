#pragma once

// The avatar menu: the right button on 图片框1, the one place the tool's
// additions live, so the laid-out window stays as it is.
namespace avatrix::windows {

// Builds the menu and its window-wide shortcuts (Ctrl+Shift+C, Ctrl+Shift+S).
void AttachAvatarMenu();

// Moves the banner so its left and bottom edges meet those of the avatar
// box's client area, and gives the banner and its label the box's width;
// heights stay, so the strip below the label can still be dragged.
void SnapBannerToAvatarBottom();

}  // namespace avatrix::windows

#pragma once

#include "ui/Toolkit.h"

namespace avatrix::windows {

inline constexpr char kMainWindow[] = "MainWindow";
inline constexpr char kBannerWindow[] = "BannerWindow";

// The two windows as data: layout tables with their bindings.
ui::WindowLayout MainWindowLayout();
ui::WindowLayout BannerWindowLayout();

// Second half of MainWindow's Created handler.
void FinishStartup();

}  // namespace avatrix::windows

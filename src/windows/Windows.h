#pragma once

#include "ui/Toolkit.h"
#include "windows/Units.h"

namespace avatrix::windows {

// The two windows as data: layout tables with their bindings.
ui::WindowLayout MainWindowLayout();
ui::WindowLayout BannerWindowLayout();

// Second half of MainWindow's Created handler.
void FinishStartup();

}  // namespace avatrix::windows

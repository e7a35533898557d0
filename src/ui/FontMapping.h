#pragma once

#include <QFont>

#include "ui/Toolkit.h"

namespace avatrix::ui::detail {

// The Qt font a font record draws with. Sizes count points at 96 pixels per
// inch, as the desktop the layouts were drawn for does; size 0 is the face's
// default height, and absurd sizes are held to what can be drawn.
QFont ToQFont(const FontRecord& font);

inline constexpr int kDefaultPointSize = 9;
inline constexpr int kLargestPixelSize = 2000;

}  // namespace avatrix::ui::detail

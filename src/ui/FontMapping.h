#pragma once

#include <QFont>

#include "render/BannerFont.h"
#include "ui/Toolkit.h"

namespace avatrix::ui::detail {

// The font record as the render layer's plain font values.
render::BannerFont ToBannerFont(const FontRecord& font);

// The Qt font a font record draws with, by the render layer's one mapping.
QFont ToQFont(const FontRecord& font);

// The font of every caption, edit box, list and dialog of the program.
QFont InterfaceFont();

using render::kDefaultPointSize;
using render::kLargestPixelSize;

}  // namespace avatrix::ui::detail

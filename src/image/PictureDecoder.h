#pragma once

#include <QImage>

#include "text/Text.h"

namespace avatrix::image {

// Decodes picture file bytes for the picture boxes: JPEG through libjpeg,
// PNG, BMP and GIF through Qt. A null image for anything undecodable.
QImage DecodePictureBytes(const ByteSet& bytes);

}  // namespace avatrix::image

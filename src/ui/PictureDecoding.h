#pragma once

#include <functional>

#include <QImage>

#include "text/Text.h"

namespace avatrix::ui {

// Picture boxes decode their bytes through this function. The image layer
// installs its own (JPEG through libjpeg, the rest through Qt's readers) at
// start; until then Qt's readers are used. A null image means undecodable:
// the box then shows only its background colour.
using PictureDecoderFn = std::function<QImage(const ByteSet&)>;
void SetPictureDecoder(PictureDecoderFn decoder);
QImage DecodePicture(const ByteSet& bytes);

}  // namespace avatrix::ui

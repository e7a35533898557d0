#pragma once

#include <optional>

#include <QImage>

#include "image/PictureUse.h"
#include "text/Text.h"

namespace avatrix::image {

// Decodes picture file bytes for the picture boxes: JPEG through libjpeg,
// PNG, BMP and GIF through Qt. A null image for anything undecodable.
QImage DecodePictureBytes(const ByteSet& bytes);
// The same for a picture shown as `use` says: one larger than it needs comes
// out reduced, only the corner a natural-size box shows, or scaled down no
// further than still covers the box; smaller ones exactly as above.
QImage DecodePictureFor(const ByteSet& bytes, const PictureUse& use);

}  // namespace avatrix::image

#pragma once

#include <optional>

#include <QImage>

#include "image/PictureUse.h"

#include "text/Text.h"

namespace avatrix::image {

// Reads outside bytes in one of Qt's formats ("png", "gif", "bmp"), refusing
// before decoding any image larger than the picture limits. With a `use`, a
// picture larger than it needs is read reduced.
QImage ReadWithQt(const ByteSet& bytes, const char* format,
                  const std::optional<PictureUse>& use = std::nullopt);

// For BMP files: whether the headers are consistent with the bytes at hand
// (the pixel rows an uncompressed file claims are really there, the size
// is sane), so that no reader allocates for pixels that do not exist.
bool BmpHeadersFitBytes(const ByteSet& bytes);

}  // namespace avatrix::image

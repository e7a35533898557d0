#pragma once

#include <QImage>

#include "text/Text.h"

namespace avatrix::image {

// Reads outside bytes in one of Qt's formats ("png", "gif", "bmp"), refusing
// before decoding any image larger than the picture limits.
QImage ReadWithQt(const ByteSet& bytes, const char* format);

// For BMP files: whether the headers are consistent with the bytes at hand
// (the pixel rows an uncompressed file claims are really there, the size
// is sane), so that no reader allocates for pixels that do not exist.
bool BmpHeadersFitBytes(const ByteSet& bytes);

}  // namespace avatrix::image

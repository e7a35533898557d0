#pragma once

#include <QImage>
#include <QSize>

#include "text/Text.h"

namespace avatrix::image {

// Large PNG pictures decoded row by row, so that they cost one of their rows
// rather than all of them. Both give a null image when the file cannot be
// read that way (interlaced, or damaged); the caller then reads it whole.

// The top-left `corner`. 8-bit RGB(A) comes out exactly as Qt's reader gives it.
QImage ReadPngCorner(const ByteSet& bytes, QSize corner);

// The picture shrunk by a whole `factor` (2 or more) on each side, each pixel
// the mean of a factor x factor block; the few columns and rows that do not
// fill a block are left out.
QImage ReadPngShrunk(const ByteSet& bytes, int factor);

}  // namespace avatrix::image

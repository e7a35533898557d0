#pragma once

#include <QRectF>
#include <QString>

#include "render/BannerPainter.h"

// Text sized and placed by its ink rather than by its line box: centred
// vertically, aligned horizontally, as large as is comfortable and never
// larger than the space it is given.
namespace avatrix::render {

struct TextFitRequest {
    QRectF area;                                 // where the ink must lie, in label coordinates
    Qt::AlignmentFlag align = Qt::AlignHCenter;  // AlignLeft, AlignHCenter or AlignRight
    int startPixelSize = 12;                     // the comfortable size, tried first
    int minPixelSize = 10;                       // never smaller than this
    bool fixedSize = false;                      // start size is the user's own: never shrunk
};

// Lays `style.text` out in `request.area` at the largest size from the start
// size down to the smallest that fits, setting style.pixelSize, textRect and
// textFlags. Ink is measured as drawn at `dpr`. Nothing changes and the answer
// says why when the text does not fit; an empty answer means it fits.
QString FitBannerText(BannerStyle& style, const TextFitRequest& request, qreal dpr);

// The ink's bounding box of the style's text, in label coordinates, as
// drawn at `dpr` (device pixels scaled back to logical ones); empty when
// nothing is drawn.
QRectF InkBounds(const BannerStyle& style, qreal dpr);

}  // namespace avatrix::render

#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>

#include <QSize>

namespace avatrix::image {

// Every picture format is held to this, from its header, before anything is
// allocated for its pixels.
inline constexpr std::int64_t kMaxPictureSide = 32768;
inline constexpr std::int64_t kMaxPicturePixels = std::int64_t{1} << 26;
inline bool WithinPictureLimits(std::int64_t width, std::int64_t height) {
    return width > 0 && height > 0 && width <= kMaxPictureSide && height <= kMaxPictureSide &&
           width * height <= kMaxPicturePixels;
}

// How a picture will be shown, so that one far larger than that need not be
// decoded whole: either at its natural size from the top-left corner of a box
// of `box` logical pixels (only that corner is ever seen), or scaled to cover
// the box at `dpr` device pixels per logical one. Pictures no larger than
// that are decoded as they are, pixel for pixel.
struct PictureUse {
    QSize box;
    double dpr = 1.0;
    bool cover = false;

    // The part of a natural-size picture that shows; the whole picture when
    // it is smaller than the box, since it is then repeated.
    QSize ShownCorner(QSize picture) const { return picture.boundedTo(box); }
    // The smallest fraction of the picture's size that still covers the box
    // at full device resolution.
    double CoverFraction(QSize picture) const {
        const double device = std::ceil(box.width() * dpr);
        const double deviceHeight = std::ceil(box.height() * dpr);
        return std::max(device / picture.width(), deviceHeight / picture.height());
    }
};

}  // namespace avatrix::image

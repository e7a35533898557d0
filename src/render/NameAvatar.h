#pragma once

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QSizeF>
#include <QString>

// Avatars made of a name alone: the background, the avatar's outline, and
// the initials a name is shortened to.
namespace avatrix::render {

enum class AvatarShape { Square, Rounded, Circle };

// The outline of an avatar of `size`: the whole square, a square with
// corners rounded by a sixth of its side, or the inscribed circle.
QPainterPath ShapePath(AvatarShape shape, QSizeF size);

// Fills the shape of an avatar of `size` with `from`, or, when `to` is
// valid, with a gradient from `from` at the top-left corner to `to` at the
// bottom-right one; outside the shape nothing is drawn.
void PaintNameBackground(QPainter& painter, AvatarShape shape, QSizeF size, const QColor& from,
                         const QColor& to);

// The image with everything outside the shape made transparent, edges
// smoothed; a square gives the image unchanged.
QImage CutToShape(const QImage& image, AvatarShape shape);

// A name's initials: for one word in Chinese, Japanese or Korean characters
// its last two characters (the given name), otherwise the first letter of
// the first and of the last word, in capitals. Letters are whole grapheme
// clusters, so accents, marks and emoji sequences stay together.
QString Initials(const QString& name);

}  // namespace avatrix::render

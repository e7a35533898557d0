#include "render/NameAvatar.h"

#include <QLinearGradient>
#include <QRegularExpression>
#include <QTextBoundaryFinder>
#include <algorithm>

namespace avatrix::render {
namespace {

QStringList Graphemes(const QString& word) {
    QStringList out;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, word);
    qsizetype start = 0;
    while (finder.toNextBoundary() >= 0) {
        const qsizetype end = finder.position();
        out << word.mid(start, end - start);
        start = end;
    }
    return out;
}

bool IsCjkWord(const QString& word) {
    for (const char32_t c : word.toUcs4()) {
        switch (QChar::script(c)) {
            case QChar::Script_Han:
            case QChar::Script_Hangul:
            case QChar::Script_Hiragana:
            case QChar::Script_Katakana:
                return true;
            default:
                break;
        }
    }
    return false;
}

}  // namespace

QPainterPath ShapePath(AvatarShape shape, QSizeF size) {
    QPainterPath path;
    const QRectF rect(QPointF(0, 0), size);
    switch (shape) {
        case AvatarShape::Square:
            path.addRect(rect);
            break;
        case AvatarShape::Rounded: {
            const qreal radius = std::min(size.width(), size.height()) / 6;
            path.addRoundedRect(rect, radius, radius);
            break;
        }
        case AvatarShape::Circle:
            path.addEllipse(rect);
            break;
    }
    return path;
}

void PaintNameBackground(QPainter& painter, AvatarShape shape, QSizeF size, const QColor& from,
                         const QColor& to) {
    // Filled as the shape itself rather than through a clip, which not
    // every paint device keeps (the SVG generator drops it).
    const QPainterPath outline = ShapePath(shape, size);
    if (!to.isValid()) {
        painter.fillPath(outline, from);
        return;
    }
    QLinearGradient gradient(QPointF(0, 0), QPointF(size.width(), size.height()));
    gradient.setColorAt(0, from);
    gradient.setColorAt(1, to);
    painter.fillPath(outline, gradient);
}

QImage CutToShape(const QImage& image, AvatarShape shape) {
    if (shape == AvatarShape::Square || image.isNull()) {
        return image;
    }
    QImage cut = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    // The shape in device pixels, whatever the image's ratio, so the edge is
    // exact; what lies outside it is left transparent in the mask.
    QImage mask(cut.size(), QImage::Format_ARGB32_Premultiplied);
    mask.fill(Qt::transparent);
    QPainter outline(&mask);
    outline.setRenderHint(QPainter::Antialiasing);
    outline.fillPath(ShapePath(shape, cut.size()), Qt::black);
    outline.end();
    QPainter painter(&cut);
    painter.setCompositionMode(QPainter::CompositionMode_DestinationIn);
    painter.scale(1 / cut.devicePixelRatio(), 1 / cut.devicePixelRatio());
    painter.drawImage(QPoint(0, 0), mask);
    painter.end();
    return cut;
}

QString Initials(const QString& name) {
    static const QRegularExpression spaces(QStringLiteral("\\s+"));
    const QStringList words = name.trimmed().split(spaces, Qt::SkipEmptyParts);
    if (words.isEmpty()) {
        return {};
    }
    if (words.size() == 1 && IsCjkWord(words.front())) {
        const QStringList letters = Graphemes(words.front());
        return letters.mid(std::max<qsizetype>(0, letters.size() - 2)).join(QString());
    }
    QString initials = Graphemes(words.front()).value(0);
    if (words.size() > 1) {
        initials += Graphemes(words.back()).value(0);
    }
    return initials.toUpper();
}

}  // namespace avatrix::render

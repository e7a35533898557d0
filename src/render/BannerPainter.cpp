#include "render/BannerPainter.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QPaintDevice>
#include <algorithm>
#include <cmath>

namespace avatrix::render {
namespace {

constexpr int kOutlineWidth = 2;
constexpr int kShadowOffset = 2;
constexpr qreal kShadowOpacity = 0.5;

// The glyphs themselves, in label coordinates (origin at the label's
// top-left corner), over an area of the given size.
void DrawGlyphs(QPainter& painter, const BannerStyle& style, const QFont& font, const QColor& pen,
                QSize area) {
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(font);
    painter.setPen(pen);
    if (!style.textRect.isNull()) {
        painter.drawText(style.textRect, style.textFlags, style.text);
        return;
    }
    if (style.font.angle == 0) {
        // The banner carries one line: a text longer than the label runs on
        // past it rather than breaking into lines the strip has no room for.
        painter.drawText(QRect(QPoint(0, 0), area),
                         Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, style.text);
        return;
    }
    // Turned text runs as one line from the top-left corner.
    painter.rotate(-style.font.angle / 10.0);
    painter.drawText(QPointF(0, QFontMetricsF(font).ascent()), style.text);
}

// The glyphs in one flat colour on transparency, at the device's scale, for
// the outline and the shadow to be made from: the top-left `extent` of the
// text laid out over `area`. Null when it cannot be allocated.
QImage GlyphMask(const BannerStyle& style, const QFont& font, const QColor& colour, QSize area,
                 QSize extent, qreal dpr) {
    const QSize device(static_cast<int>(std::ceil(extent.width() * dpr)),
                       static_cast<int>(std::ceil(extent.height() * dpr)));
    QImage mask(device, QImage::Format_ARGB32_Premultiplied);
    if (mask.isNull()) {
        return {};
    }
    mask.fill(Qt::transparent);
    mask.setDevicePixelRatio(dpr);
    QPainter painter(&mask);
    DrawGlyphs(painter, style, font, colour, area);
    return mask;
}

// A 3 x 3 box blur of a premultiplied image, which keeps premultiplication.
QImage SoftenedMask(const QImage& mask) {
    QImage result(mask.size(), QImage::Format_ARGB32_Premultiplied);
    if (mask.isNull() || result.isNull()) {
        return {};
    }
    result.setDevicePixelRatio(mask.devicePixelRatio());
    const int width = mask.width();
    const int height = mask.height();
    for (int y = 0; y < height; ++y) {
        auto* out = reinterpret_cast<QRgb*>(result.scanLine(y));
        for (int x = 0; x < width; ++x) {
            int sum[4] = {0, 0, 0, 0};
            for (int yy = std::max(0, y - 1); yy <= std::min(height - 1, y + 1); ++yy) {
                const auto* in = reinterpret_cast<const QRgb*>(mask.constScanLine(yy));
                for (int xx = std::max(0, x - 1); xx <= std::min(width - 1, x + 1); ++xx) {
                    sum[0] += qAlpha(in[xx]);
                    sum[1] += qRed(in[xx]);
                    sum[2] += qGreen(in[xx]);
                    sum[3] += qBlue(in[xx]);
                }
            }
            // Edge pixels average over the full 3 x 3, as if transparency lay beyond.
            out[x] = qRgba(sum[1] / 9, sum[2] / 9, sum[3] / 9, sum[0] / 9);
        }
    }
    return result;
}

qreal DevicePixelRatioOf(const QPainter& painter) {
    const QPaintDevice* device = painter.device();
    return device != nullptr ? device->devicePixelRatioF() : 1.0;
}

}  // namespace

QFont BannerQFont(const BannerStyle& style) {
    QFont font = ToQFont(style.font);
    if (style.pixelSize > 0) {
        font.setPixelSize(std::min(style.pixelSize, kLargestPixelSize));
    }
    if (style.colourEmoji) {
        // The face that really draws the font's family, for a substitute
        // is not looked up inside a list of families.
        font.setFamilies({QFontInfo(font).family(), QLatin1String(kColourEmojiFace)});
    }
    return font;
}

QColor OutlineColourFor(const QColor& text) {
    const QColor rgb = text.toRgb();
    const int luma = (299 * rgb.red() + 587 * rgb.green() + 114 * rgb.blue()) / 1000;
    return luma >= 128 ? QColor(Qt::black) : QColor(Qt::white);
}

void PaintBannerStrip(QPainter& painter, const BannerStyle& style) {
    painter.fillRect(QRect(QPoint(0, 0), style.stripSize), style.stripColour);
}

QRect BannerTextArea(const BannerStyle& style) {
    const QRect& label = style.labelRect;
    if (label.isEmpty()) {
        return {};
    }
    const int right = std::max(label.x() + label.width(), style.stripSize.width());
    const int bottom = std::max(label.y() + label.height(), style.stripSize.height());
    return QRect(label.x(), label.y(), right - label.x(), bottom - label.y());
}

bool PaintBannerText(QPainter& painter, const BannerStyle& style) {
    const QRect area = BannerTextArea(style);
    if (style.text.isEmpty() || area.isEmpty()) {
        return true;
    }
    const QSize size = area.size();
    // Only the part of the text area on the strip ever shows: the masks cover
    // no more than that (and the few pixels whose outline or shadow reach into
    // it), however large the label, while the text keeps the area's layout.
    const QRect shown =
        QRect(-style.labelRect.topLeft(), style.stripSize) & QRect(QPoint(0, 0), size);
    if (shown.isEmpty()) {
        return true;
    }
    constexpr int kReach = kOutlineWidth + kShadowOffset + 1;
    const QSize extent =
        size.boundedTo(QSize(shown.right() + 1 + kReach, shown.bottom() + 1 + kReach));
    const QFont font = BannerQFont(style);
    painter.save();
    painter.translate(style.labelRect.topLeft());
    painter.setClipRect(QRect(QPoint(0, 0), size), Qt::IntersectClip);
    if (style.outline || style.shadow) {
        const qreal dpr = DevicePixelRatioOf(painter);
        if (style.shadow) {
            const QImage shadow =
                SoftenedMask(GlyphMask(style, font, Qt::black, size, extent, dpr));
            if (shadow.isNull()) {
                painter.restore();
                return false;
            }
            painter.save();
            painter.setOpacity(painter.opacity() * kShadowOpacity);
            painter.drawImage(QPointF(kShadowOffset, kShadowOffset), shadow);
            painter.restore();
        }
        if (style.outline) {
            const QImage ring =
                GlyphMask(style, font, OutlineColourFor(style.textColour), size, extent, dpr);
            if (ring.isNull()) {
                painter.restore();
                return false;
            }
            // Every device-pixel offset within the outline's radius: a disc
            // rather than a square, so corners stay round.
            const int radius = static_cast<int>(std::lround(kOutlineWidth * dpr));
            for (int dy = -radius; dy <= radius; ++dy) {
                for (int dx = -radius; dx <= radius; ++dx) {
                    if ((dx != 0 || dy != 0) && dx * dx + dy * dy <= radius * radius + 1) {
                        painter.drawImage(QPointF(dx / dpr, dy / dpr), ring);
                    }
                }
            }
        }
    }
    DrawGlyphs(painter, style, font, style.textColour, size);
    painter.restore();
    return true;
}

bool PaintBanner(QPainter& painter, const BannerStyle& style) {
    PaintBannerStrip(painter, style);
    return PaintBannerText(painter, style);
}

QImage RenderBanner(const BannerStyle& style, qreal dpr, QRect area) {
    if (style.stripSize.isEmpty() || dpr <= 0) {
        return {};
    }
    const QRect strip(QPoint(0, 0), style.stripSize);
    area = area.isNull() ? strip : area & strip;
    if (area.isEmpty()) {
        return {};
    }
    // Whole device pixels apart from the full strip's, so the glyphs fall on
    // the same device pixels as in the whole strip.
    const QPoint offset(static_cast<int>(std::floor(area.left() * dpr)),
                        static_cast<int>(std::floor(area.top() * dpr)));
    QImage image(static_cast<int>(std::ceil((area.right() + 1) * dpr)) - offset.x(),
                 static_cast<int>(std::ceil((area.bottom() + 1) * dpr)) - offset.y(),
                 QImage::Format_RGB32);
    if (image.isNull()) {
        return {};
    }
    image.setDevicePixelRatio(dpr);
    image.setOffset(offset);
    image.fill(style.stripColour);
    QPainter painter(&image);
    painter.translate(-offset.x() / dpr, -offset.y() / dpr);
    if (!PaintBanner(painter, style)) {
        return {};
    }
    return image;
}

}  // namespace avatrix::render

#include "render/TextFit.h"

#include <QFontMetricsF>
#include <algorithm>
#include <cmath>

namespace avatrix::render {
namespace {

constexpr int kMostTries = 12;

struct Measured {
    QSizeF natural;  // the line boxes' size
    QRectF ink;      // relative to the line boxes' top-left corner
};

int FlagsFor(Qt::AlignmentFlag align) {
    // No clip: glyphs that overhang their advance (italics, some marks) are
    // measured and drawn whole.
    return align | Qt::AlignTop | Qt::TextDontClip;
}

Measured Measure(const BannerStyle& style, int pixelSize, int flags, qreal dpr) {
    BannerStyle probe = style;
    probe.pixelSize = pixelSize;
    probe.outline = false;
    probe.shadow = false;
    const QFont font = BannerQFont(probe);
    const QSizeF natural =
        QFontMetricsF(font).boundingRect(QRectF(0, 0, 1e6, 1e6), flags, style.text).size();
    // Room all round for glyphs reaching beyond their boxes.
    const qreal pad = std::ceil(pixelSize * 0.5) + 2;
    probe.textRect = QRectF(QPointF(pad, pad), natural);
    probe.textFlags = flags;
    probe.labelRect = QRect(0, 0, static_cast<int>(std::ceil(natural.width() + 2 * pad)),
                            static_cast<int>(std::ceil(natural.height() + 2 * pad)));
    QRectF ink = InkBounds(probe, dpr);
    return {natural, ink.translated(-pad, -pad)};
}

bool Fits(const QRectF& ink, const QRectF& area) {
    return ink.width() <= area.width() && ink.height() <= area.height();
}

// The size a line's ink would fit at, judged from the glyphs' own boxes
// rather than drawn: those are within a pixel of the ink, and reading them
// costs far less than drawing a large text, which the raster engine fills as
// outlines. Only a single line is judged so; lines of their own are drawn.
int PredictSize(const BannerStyle& style, const TextFitRequest& request, int size) {
    if (style.text.contains(u'\n')) {
        return size;
    }
    BannerStyle probe = style;
    probe.pixelSize = size;
    const QRectF tight = QFontMetricsF(BannerQFont(probe)).tightBoundingRect(style.text);
    if (tight.width() <= 0 || tight.height() <= 0) {
        return size;
    }
    const qreal ratio =
        std::min(request.area.width() / tight.width(), request.area.height() / tight.height());
    if (ratio >= 1) {
        return size;
    }
    return std::max(request.minPixelSize, static_cast<int>(std::floor(size * ratio)));
}

}  // namespace

QRectF InkBounds(const BannerStyle& style, qreal dpr) {
    const QSize device(static_cast<int>(std::ceil(style.labelRect.width() * dpr)),
                       static_cast<int>(std::ceil(style.labelRect.height() * dpr)));
    if (device.isEmpty()) {
        return {};
    }
    QImage mask(device, QImage::Format_ARGB32_Premultiplied);
    mask.fill(Qt::transparent);
    mask.setDevicePixelRatio(dpr);
    {
        QPainter painter(&mask);
        BannerStyle local = style;
        local.labelRect.moveTopLeft(QPoint(0, 0));
        PaintBannerText(painter, local);
    }
    int left = device.width(), top = device.height(), right = -1, bottom = -1;
    for (int y = 0; y < device.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(mask.constScanLine(y));
        for (int x = 0; x < device.width(); ++x) {
            if (qAlpha(line[x]) != 0) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = y;
            }
        }
    }
    if (right < 0) {
        return {};
    }
    return QRectF(left / dpr, top / dpr, (right - left + 1) / dpr, (bottom - top + 1) / dpr)
        .translated(style.labelRect.topLeft());
}

QString FitBannerText(BannerStyle& style, const TextFitRequest& request, qreal dpr) {
    const int flags = FlagsFor(request.align);
    const QRectF& area = request.area;
    int size = std::max(request.fixedSize ? 1 : request.minPixelSize, request.startPixelSize);
    if (!request.fixedSize) {
        size = PredictSize(style, request, size);
    }
    Measured measured = Measure(style, size, flags, dpr);
    for (int tries = 0; !request.fixedSize && !Fits(measured.ink, area) &&
                        size > request.minPixelSize && tries < kMostTries;
         ++tries) {
        // Ink grows nearly in proportion to the size: one step lands close,
        // and single steps settle what rounding leaves.
        const qreal ratio = std::min(area.width() / std::max(measured.ink.width(), 1.0),
                                     area.height() / std::max(measured.ink.height(), 1.0));
        const int next = std::max(request.minPixelSize,
                                  std::min(size - 1, static_cast<int>(std::floor(size * ratio))));
        size = next;
        measured = Measure(style, size, flags, dpr);
    }
    if (!Fits(measured.ink, area)) {
        const QString how = request.fixedSize
                                ? QStringLiteral("at the size asked for (%1 px)").arg(size)
                                : QStringLiteral("even at the smallest size (%1 px)").arg(size);
        return QStringLiteral(
                   "the text does not fit: %1 it is %2 x %3 px, and the space is %4 x "
                   "%5 px")
            .arg(how)
            .arg(std::ceil(measured.ink.width()))
            .arg(std::ceil(measured.ink.height()))
            .arg(std::floor(area.width()))
            .arg(std::floor(area.height()));
    }
    // The ink's top-left corner goes where alignment and centring put it,
    // on whole device pixels so glyphs keep the crispness of a plain draw.
    qreal x = area.left();
    if (request.align == Qt::AlignHCenter) {
        x += (area.width() - measured.ink.width()) / 2;
    } else if (request.align == Qt::AlignRight) {
        x = area.right() - measured.ink.width();
    }
    const qreal y = area.top() + (area.height() - measured.ink.height()) / 2;
    const auto snap = [dpr](qreal v) { return std::round(v * dpr) / dpr; };
    const QPointF origin(snap(x - measured.ink.left()), snap(y - measured.ink.top()));
    style.pixelSize = size;
    style.textRect = QRectF(origin, measured.natural);
    style.textFlags = flags;
    return {};
}

}  // namespace avatrix::render

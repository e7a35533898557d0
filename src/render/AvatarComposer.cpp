#include "render/AvatarComposer.h"

#include <QBuffer>
#include <QImageWriter>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace avatrix::render {
namespace {

QSize DeviceSize(QSize logical, qreal dpr) {
    return QSize(static_cast<int>(std::ceil(logical.width() * dpr)),
                 static_cast<int>(std::ceil(logical.height() * dpr)));
}

// The picture at its natural size, tiled from the top-left corner, as the
// box's tiled display draws it.
void TileNatural(QPainter& painter, const QImage& picture, QSize box) {
    const int width = picture.width();
    const int height = picture.height();
    for (int y = 0; y < box.height(); y += height) {
        for (int x = 0; x < box.width(); x += width) {
            painter.drawImage(QPoint(x, y), picture);
        }
    }
}

// Scaled to cover `device` pixels with the smooth filter, keeping the aspect
// ratio; the centre of the scaled picture is kept.
QImage CoverDevice(const QImage& picture, QSize device) {
    const QImage scaled =
        picture.scaled(device, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
    return scaled.copy((scaled.width() - device.width()) / 2,
                       (scaled.height() - device.height()) / 2, device.width(), device.height());
}

}  // namespace

QImage FitPicture(const QImage& picture, QSize box, PictureFit fit, qreal dpr) {
    if (box.isEmpty() || dpr <= 0) {
        return {};
    }
    const QSize device = DeviceSize(box, dpr);
    QImage result(device, QImage::Format_ARGB32_Premultiplied);
    if (result.isNull()) {
        return {};
    }
    result.fill(Qt::transparent);
    if (!picture.isNull()) {
        QPainter painter(&result);
        if (fit == PictureFit::Cover) {
            painter.drawImage(QPoint(0, 0), CoverDevice(picture, device));
        } else {
            // The picture's pixels are logical pixels: at a ratio above 1
            // each is drawn as a block, as the screen draws it.
            painter.scale(dpr, dpr);
            QImage natural = picture;
            natural.setDevicePixelRatio(1.0);
            TileNatural(painter, natural, box);
        }
    }
    result.setDevicePixelRatio(dpr);
    return result;
}

QImage ComposeAvatar(const QImage& picture, PictureFit fit, const BannerStyle& banner,
                     QPoint bannerPosInBox, QSize box, qreal dpr, const QColor& boxColour) {
    if (box.isEmpty() || dpr <= 0) {
        return {};
    }
    return ComposeFittedAvatar(FitPicture(picture, box, fit, dpr), banner, bannerPosInBox, box, dpr,
                               boxColour);
}

QImage ComposeFittedAvatar(const QImage& fitted, const BannerStyle& banner, QPoint bannerPosInBox,
                           QSize box, qreal dpr, const QColor& boxColour) {
    if (box.isEmpty() || dpr <= 0) {
        return {};
    }
    QImage avatar(DeviceSize(box, dpr), QImage::Format_RGB32);
    if (avatar.isNull() || fitted.isNull()) {
        return {};
    }
    avatar.setDevicePixelRatio(dpr);
    avatar.fill(boxColour);
    QPainter painter(&avatar);
    painter.drawImage(QPoint(0, 0), fitted);
    // Only the part of the strip on the avatar is drawn, however large the
    // strip: the rest would be clipped away.
    const QRect shown = QRect(bannerPosInBox, banner.stripSize) & QRect(QPoint(0, 0), box);
    if (!shown.isEmpty() && banner.opacity > 0) {
        const QImage strip = RenderBanner(banner, dpr, shown.translated(-bannerPosInBox));
        if (strip.isNull()) {
            // Never an avatar with its banner, or part of it, left out.
            return {};
        }
        painter.setClipRect(QRect(QPoint(0, 0), box));
        painter.setOpacity(std::min(banner.opacity, 255) / 255.0);
        painter.drawImage(QPointF(bannerPosInBox) + QPointF(strip.offset()) / dpr, strip);
    }
    painter.end();
    return avatar;
}

QByteArray EncodePng(const QImage& image) {
    if (image.isNull()) {
        return {};
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    // Qt's PNG quality 80 is zlib's fastest level: on avatars nearly the
    // size of the default level, in a third of the time.
    writer.setQuality(80);
    if (!writer.write(image)) {
        return {};
    }
    return bytes;
}

}  // namespace avatrix::render

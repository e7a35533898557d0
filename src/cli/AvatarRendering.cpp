#include "cli/AvatarRendering.h"

#include <QBuffer>
#include <QSvgGenerator>
#include <algorithm>
#include <cmath>
#include <deque>
#include <mutex>
#include <optional>

#include "cli/TextChecks.h"
#include "image/PictureDecoder.h"
#include "render/AvatarComposer.h"
#include "render/BannerFont.h"
#include "render/NameAvatar.h"
#include "render/Palette.h"
#include "render/TextFit.h"

namespace avatrix::cli {
namespace {

// No output larger than this on a side, whatever size and scale ask for.
constexpr int kLargestOutputSide = 4096;
// Fitted text never gets smaller than this, in pixels of the 184-pixel avatar.
constexpr int kSmallestFittedPixels = 10;
// Room between a strip's edges and its text, and what an outline and a
// shadow reach beyond the glyphs.
constexpr qreal kStripMarginX = 6;
constexpr qreal kStripMarginY = 3;
constexpr qreal kOutlineReach = 2;
constexpr qreal kShadowReach = 3;
// A comfortable text height: half the strip, or two fifths of a name avatar,
// shared between the lines.
constexpr qreal kStripTextShare = 0.5;
constexpr qreal kNameTextShare = 0.4;

const QRect kBox(QPoint(0, 0), render::kAvatarBoxSize);

qreal RatioOf(const RenderSettings& settings) {
    return settings.avatarSize * settings.scale / kAvatarSide;
}

// The share of a name avatar's side kept clear on each side of the text, so
// it stays inside the shape.
qreal NameMargin(render::AvatarShape shape) {
    switch (shape) {
        case render::AvatarShape::Circle:
            return 0.17;
        case render::AvatarShape::Rounded:
            return 0.1;
        case render::AvatarShape::Square:
            break;
    }
    return 0.08;
}

QColor BackgroundOf(const RenderSettings& settings) {
    return settings.background.isValid() ? settings.background : render::NameColour(settings.text);
}

QString FitText(const RenderSettings& settings, bool named, qreal dpr, render::BannerStyle& style) {
    const QRectF space(QPointF(0, 0), style.stripSize);
    QRectF area;
    qreal share = 0;
    if (named) {
        const qreal margin = NameMargin(settings.shape) * space.width();
        area = space.adjusted(margin, margin, -margin, -margin);
        share = kNameTextShare * space.height();
    } else {
        area = space.adjusted(kStripMarginX, kStripMarginY, -kStripMarginX, -kStripMarginY);
        share = kStripTextShare * space.height();
    }
    if (style.outline) {
        area.adjust(kOutlineReach, kOutlineReach, -kOutlineReach, -kOutlineReach);
    }
    if (style.shadow) {
        area.adjust(0, 0, -kShadowReach, -kShadowReach);
    }
    render::TextFitRequest request;
    request.area = area;
    request.align = settings.align;
    request.minPixelSize = kSmallestFittedPixels;
    request.fixedSize = settings.sizeGiven;
    const int lines = static_cast<int>(style.text.count(u'\n')) + 1;
    request.startPixelSize = settings.sizeGiven
                                 ? render::ToQFont(style.font).pixelSize()
                                 : std::max(1, static_cast<int>(std::floor(share / lines)));
    return render::FitBannerText(style, request, dpr);
}

// The banner or name text laid out as the settings ask, after checking the
// face and the glyphs.
QString LayOut(const RenderSettings& settings, bool named, qreal dpr, render::BannerStyle& style) {
    style = BannerStyleOf(settings);
    if (named) {
        style.stripSize = render::kAvatarBoxSize;
        style.labelRect = settings.label.isNull() ? kBox : settings.label;
        if (!settings.textColourGiven) {
            style.textColour = Qt::white;
        }
    }
    if (settings.initials) {
        style.text = render::Initials(settings.text);
    }
    if (style.text.isEmpty()) {
        return {};
    }
    // The banner window's own layout, kept pixel for pixel, draws emoji as
    // the window does; every other text gets them in colour.
    style.colourEmoji = settings.label.isNull();
    if (QString error = CheckFace(settings.face); !error.isEmpty()) {
        return error;
    }
    if (!settings.allowMissingGlyphs) {
        if (QString error = CheckGlyphs(style.text, render::BannerQFont(style)); !error.isEmpty()) {
            return error;
        }
    }
    // A label is the banner window's own layout, kept pixel for pixel.
    if (!settings.label.isNull()) {
        return {};
    }
    return FitText(settings, named, dpr, style);
}

QString CheckSize(const RenderSettings& settings) {
    const double side = settings.avatarSize * settings.scale;
    if (side > kLargestOutputSide) {
        return QStringLiteral("the avatar would be %1 pixels wide; at most %2 are drawn")
            .arg(std::ceil(side))
            .arg(kLargestOutputSide);
    }
    return {};
}

// Both checks every avatar passes before anything is drawn: its size, then
// its text laid out as the settings ask. False with the reason in `error`.
bool SizeAndLayOut(const RenderSettings& settings, bool named, qreal dpr,
                   render::BannerStyle& style, QString& error) {
    error = CheckSize(settings);
    if (error.isEmpty()) {
        error = LayOut(settings, named, dpr, style);
    }
    return error.isEmpty();
}

bool IsOpaque(const RenderSettings& settings, const QColor& background) {
    return settings.shape == render::AvatarShape::Square && background.alpha() == 255 &&
           (!settings.gradientEnd.isValid() || settings.gradientEnd.alpha() == 255);
}

// The whole avatar through `painter`, in the 184-pixel avatar's coordinates,
// nothing drawn outside its shape. Pictures keep the composition of the main
// program's export.
void PaintAvatar(QPainter& painter, const QImage& picture, const RenderSettings& settings,
                 const render::BannerStyle& style, qreal dpr) {
    const QPainterPath shape = render::ShapePath(settings.shape, render::kAvatarBoxSize);
    if (picture.isNull()) {
        render::PaintNameBackground(painter, settings.shape, render::kAvatarBoxSize,
                                    BackgroundOf(settings), settings.gradientEnd);
        render::PaintBannerText(painter, style);
        return;
    }
    painter.fillPath(shape, kWindowColour);
    const QImage fitted = render::FitPicture(
        picture, render::kAvatarBoxSize,
        settings.fill ? render::PictureFit::Cover : render::PictureFit::Natural, dpr);
    painter.drawImage(QPoint(0, 0), render::CutToShape(fitted, settings.shape));
    if (settings.opacity > 0) {
        painter.setOpacity(settings.opacity / 255.0);
        QPainterPath strip;
        strip.addRect(settings.strip);
        painter.fillPath(strip.intersected(shape), style.stripColour);
        painter.translate(settings.strip.topLeft());
        render::PaintBannerText(painter, style);
    }
}

// Pictures decoded and laid out in the avatar box, the most recent first.
// Keyed by the file's bytes themselves, so a changed file is never mistaken
// for the one kept.
class FittedPictures {
  public:
    std::optional<QImage> Find(const ByteSet& file, render::PictureFit fit, double scale) {
        std::lock_guard lock(mutex_);
        const auto found = std::find_if(kept_.begin(), kept_.end(), [&](const Entry& entry) {
            return entry.fit == fit && entry.scale == scale && entry.file == file;
        });
        if (found == kept_.end()) {
            return std::nullopt;
        }
        return found->fitted;
    }

    void Keep(const ByteSet& file, render::PictureFit fit, double scale, const QImage& fitted) {
        if (file.size() > kLargestKeptFile) {
            return;
        }
        std::lock_guard lock(mutex_);
        kept_.push_front({file, fit, scale, fitted});
        if (kept_.size() > kKept) {
            kept_.pop_back();
        }
    }

  private:
    // Enough for the few backgrounds a batch shares; distinct photos each
    // cost one comparison of their sizes.
    static constexpr std::size_t kKept = 4;
    // Far above a photo's file; a larger one is decoded each time rather
    // than held in memory.
    static constexpr std::size_t kLargestKeptFile = std::size_t{8} << 20;

    struct Entry {
        ByteSet file;
        render::PictureFit fit;
        double scale;
        QImage fitted;
    };

    std::mutex mutex_;
    std::deque<Entry> kept_;
};

}  // namespace

void PrepareRendering() {
    render::InstallFaceSubstitutions();
}

render::BannerStyle BannerStyleOf(const RenderSettings& settings) {
    render::BannerStyle style;
    style.text = settings.text;
    style.font.face = settings.face;
    style.font.pointSize = settings.pointSize;
    style.font.bold = settings.bold;
    style.font.italic = settings.italic;
    style.font.underline = settings.underline;
    style.font.strikeOut = settings.strikeOut;
    style.textColour = settings.textColour;
    style.stripColour = settings.stripColour;
    style.opacity = settings.opacity;
    style.stripSize = settings.strip.size();
    style.labelRect =
        settings.label.isNull() ? QRect(QPoint(0, 0), settings.strip.size()) : settings.label;
    style.outline = settings.outline;
    style.shadow = settings.shadow;
    return style;
}

QImage RenderNameAvatar(const RenderSettings& settings, QString& error) {
    const qreal dpr = RatioOf(settings);
    render::BannerStyle style;
    if (!SizeAndLayOut(settings, true, dpr, style, error)) {
        return {};
    }
    const int side = static_cast<int>(std::ceil(kAvatarSide * dpr));
    QImage avatar(side, side, QImage::Format_ARGB32_Premultiplied);
    avatar.setDevicePixelRatio(dpr);
    avatar.fill(Qt::transparent);
    QPainter painter(&avatar);
    painter.setRenderHint(QPainter::Antialiasing);
    PaintAvatar(painter, QImage(), settings, style, dpr);
    painter.end();
    if (IsOpaque(settings, BackgroundOf(settings))) {
        avatar = avatar.convertToFormat(QImage::Format_RGB32);
    }
    return render::CutToShape(avatar, settings.shape);
}

QByteArray RenderSvgAvatar(const QImage& picture, const RenderSettings& settings, QString& error) {
    const qreal dpr = RatioOf(settings);
    render::BannerStyle style;
    if (!SizeAndLayOut(settings, picture.isNull(), dpr, style, error)) {
        return {};
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    const int side = static_cast<int>(std::ceil(kAvatarSide * dpr));
    generator.setSize(QSize(side, side));
    generator.setViewBox(kBox);
    generator.setTitle(settings.text);
    QPainter painter;
    if (!painter.begin(&generator)) {
        error = QStringLiteral("cannot start the SVG drawing");
        return {};
    }
    painter.setRenderHint(QPainter::Antialiasing);
    PaintAvatar(painter, picture, settings, style, dpr);
    painter.end();
    return bytes;
}

image::PictureUse PictureUseOf(const RenderSettings& settings) {
    return {render::kAvatarBoxSize, RatioOf(settings), settings.fill};
}

QImage RenderAvatarFromFile(const ByteSet& pictureFile, const RenderSettings& settings,
                            bool& decoded, QString& error) {
    static FittedPictures kept;
    const qreal dpr = RatioOf(settings);
    render::BannerStyle style;
    if (!SizeAndLayOut(settings, false, dpr, style, error)) {
        return {};
    }
    const render::PictureFit fit =
        settings.fill ? render::PictureFit::Cover : render::PictureFit::Natural;
    std::optional<QImage> fitted = kept.Find(pictureFile, fit, dpr);
    if (!fitted) {
        const QImage picture = image::DecodePictureFor(pictureFile, PictureUseOf(settings));
        decoded = !picture.isNull();
        if (!decoded) {
            return {};
        }
        fitted = render::FitPicture(picture, render::kAvatarBoxSize, fit, dpr);
        if (fitted->isNull()) {
            return {};
        }
        kept.Keep(pictureFile, fit, dpr, *fitted);
    }
    return render::CutToShape(
        render::ComposeFittedAvatar(*fitted, style, settings.strip.topLeft(),
                                    render::kAvatarBoxSize, dpr, kWindowColour),
        settings.shape);
}

}  // namespace avatrix::cli

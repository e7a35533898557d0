#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QWidget>
#include <cstdint>

#include "render/AvatarComposer.h"
#include "trace/StartupTrace.h"
#include "ui/FormWindow.h"
#include "ui/PictureDecoding.h"
#include "ui/QtText.h"
#include "ui/UnitKinds.h"
#include "ui/Values.h"

namespace avatrix::ui::detail {
namespace {

constexpr int kBorderWidth = 2;

// Where a picture of `picture` size goes in `box` when it is centred and, if
// too large, shrunk by the smaller ratio to whole pixels.
QRect CentredRect(QSize picture, const QRect& box) {
    std::int64_t width = picture.width();
    std::int64_t height = picture.height();
    if (width > box.width() || height > box.height()) {
        // Integer arithmetic, so a ratio of exactly one side is never lost to
        // rounding before the truncation.
        if (static_cast<std::int64_t>(box.width()) * height <=
            static_cast<std::int64_t>(box.height()) * width) {
            height = height * box.width() / width;
            width = box.width();
        } else {
            width = width * box.height() / height;
            height = box.height();
        }
    }
    return QRect(box.x() + (box.width() - static_cast<int>(width)) / 2,
                 box.y() + (box.height() - static_cast<int>(height)) / 2, static_cast<int>(width),
                 static_cast<int>(height));
}

class PictureView final : public QWidget {
  public:
    using QWidget::QWidget;

    Colour background = kDefaultColour;
    int displayMode = 0;
    bool bordered = false;

    QRect clientRect() const {
        return bordered ? rect().adjusted(kBorderWidth, kBorderWidth, -kBorderWidth, -kBorderWidth)
                        : rect();
    }

    // The picture is decoded when it is first painted, not when it is set:
    // nothing needs its pixels before then, and a window goes on the screen
    // sooner without waiting for them.
    void setPicture(ByteSet bytes) {
        bytes_ = std::move(bytes);
        pixmap_ = QPixmap();
        decoded_ = false;
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        trace::Span span("paint", "PicBox");
        QPainter painter(this);
        const QRect client = clientRect();
        painter.fillRect(client, background == kDefaultColour
                                     ? QApplication::palette().color(QPalette::Window)
                                     : ToQColor(background));
        if (bordered) {
            painter.setPen(palette().color(QPalette::Dark));
            painter.drawRect(rect().adjusted(0, 0, -1, -1));
            painter.setPen(palette().color(QPalette::Shadow));
            painter.drawRect(rect().adjusted(1, 1, -2, -2));
        }
        const QPixmap& picture = pictureFor(client.size());
        if (picture.isNull()) {
            return;
        }
        painter.setClipRect(client);
        switch (displayMode) {
            case kDisplayTiled:
                painter.drawTiledPixmap(client, picture);
                break;
            case kDisplayCentred:
                painter.setRenderHint(QPainter::SmoothPixmapTransform);
                painter.drawPixmap(CentredRect(picture.size(), client), picture);
                break;
            // Beyond the laid-out modes: scaled smoothly to cover the whole box,
            // aspect kept, centred (the avatar menu's fit).
            case kDisplayCover:
                painter.drawImage(client.topLeft(), covering(picture, client.size()));
                break;
            default:
                painter.drawPixmap(client.topLeft(), picture);
                break;
        }
    }
    void mousePressEvent(QMouseEvent* event) override {
        // A picture box keeps its presses: they never drag the window.
        event->accept();
    }

  private:
    // Drawn once or tiled from the top-left corner at its natural size, a
    // picture shows no more of itself than the box's size in a direction in
    // which it is larger than the box: only that part is kept. A box that
    // grows, or starts to shrink the picture to fit, decodes it again.
    const QPixmap& pictureFor(QSize client) {
        const bool whole = displayMode == kDisplayCentred || displayMode == kDisplayCover;
        const bool enough =
            decoded_ && (pixmap_.isNull() || ((pixmap_.width() == fullSize_.width() ||
                                               (!whole && pixmap_.width() >= client.width())) &&
                                              (pixmap_.height() == fullSize_.height() ||
                                               (!whole && pixmap_.height() >= client.height()))));
        if (enough) {
            return pixmap_;
        }
        QImage image = DecodePicture(bytes_);
        decoded_ = true;
        fullSize_ = image.size();
        if (!whole && !image.isNull()) {
            const QSize shown = image.size().boundedTo(client);
            if (shown != image.size() && !shown.isEmpty()) {
                image = image.copy(QRect(QPoint(0, 0), shown));
            }
        }
        // Moved in, so the pixmap takes over the image's pixels unless their
        // format needs converting.
        pixmap_ = image.isNull() ? QPixmap() : QPixmap::fromImage(std::move(image));
        return pixmap_;
    }

    // The picture scaled to cover the box, by the same code that composes
    // the exported avatar; made again only when the picture, the box or the
    // screen's scale changes.
    const QImage& covering(const QPixmap& picture, QSize box) {
        const qreal dpr = devicePixelRatioF();
        if (coverKey_ != picture.cacheKey() || coverBox_ != box || coverRatio_ != dpr) {
            cover_ = render::FitPicture(picture.toImage(), box, render::PictureFit::Cover, dpr);
            coverKey_ = picture.cacheKey();
            coverBox_ = box;
            coverRatio_ = dpr;
        }
        return cover_;
    }

    ByteSet bytes_;
    QPixmap pixmap_;
    QSize fullSize_;
    bool decoded_ = false;
    QImage cover_;
    qint64 coverKey_ = 0;
    QSize coverBox_;
    qreal coverRatio_ = 0;
};

class PicBoxUnit final : public Unit {
  public:
    PicBoxUnit(FormWindow* form, Unit* parent, const UnitLayout& row, QWidget* container)
        : Unit(form, parent, row.name, Kind::PicBox), view_(new PictureView(container)) {
        // The box's own window is what the avatar capture reads and what
        // dropped files land on, so it exists from the start; the other
        // kinds get a native window only when someone asks for the handle.
        view_->setAttribute(Qt::WA_NativeWindow);
        view_->setAttribute(Qt::WA_OpaquePaintEvent);
        keep(Prop::BackColour, kDefaultColour);
    }

    QWidget* widget() const override { return view_; }
    QPoint childOrigin() const override {
        return view_->bordered ? QPoint(kBorderWidth, kBorderWidth) : QPoint();
    }

  protected:
    bool supportsOwn(Prop prop) const override {
        return prop == Prop::Picture || prop == Prop::Border || prop == Prop::BackColour ||
               prop == Prop::DisplayMode;
    }

    void apply(Prop prop, const Value& value) override {
        switch (prop) {
            case Prop::Picture:
                view_->setPicture(AsPicture(value));
                break;
            case Prop::Border:
                view_->bordered = AsInt(value) != 0;
                form()->placeUnits();
                break;
            case Prop::BackColour:
                view_->background = AsColour(value);
                break;
            case Prop::DisplayMode:
                view_->displayMode = AsInt(value);
                break;
            default:
                Unit::apply(prop, value);
                return;
        }
        view_->update();
    }

  private:
    PictureView* view_;
};

}  // namespace

const UnitFactory kPicBoxFactory = Construct<PicBoxUnit>;

}  // namespace avatrix::ui::detail

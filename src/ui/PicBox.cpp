#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QWidget>
#include <cstdint>

#include "render/AvatarComposer.h"
#include "ui/FormWindow.h"
#include "ui/PictureDecoding.h"
#include "ui/QtText.h"
#include "ui/UnitKinds.h"
#include "ui/Values.h"

namespace avatrix::ui::detail {
namespace {

constexpr int kBorderWidth = 2;
// Beyond the tiled, plain and centred modes: the picture scaled smoothly to
// cover the whole box, aspect kept, centred (the avatar menu's fit).
constexpr int kCoverMode = 3;

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

    QImage image;
    QPixmap pixmap;
    Colour background = kDefaultColour;
    int displayMode = 0;
    bool bordered = false;

    QRect clientRect() const {
        return bordered ? rect().adjusted(kBorderWidth, kBorderWidth, -kBorderWidth, -kBorderWidth)
                        : rect();
    }

  protected:
    void paintEvent(QPaintEvent*) override {
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
        if (image.isNull()) {
            return;
        }
        painter.setClipRect(client);
        switch (displayMode) {
            case 1:
                painter.drawTiledPixmap(client, pixmap);
                break;
            case 2:
                painter.setRenderHint(QPainter::SmoothPixmapTransform);
                painter.drawImage(CentredRect(image.size(), client), image);
                break;
            case kCoverMode:
                painter.drawImage(client.topLeft(), covering(client.size()));
                break;
            default:
                painter.drawImage(client.topLeft(), image);
                break;
        }
    }
    void mousePressEvent(QMouseEvent* event) override {
        // A picture box keeps its presses: they never drag the window.
        event->accept();
    }

  private:
    // The picture scaled to cover the box, by the same code that composes
    // the exported avatar; made again only when the picture, the box or the
    // screen's scale changes.
    const QImage& covering(QSize box) {
        const qreal dpr = devicePixelRatioF();
        if (coverKey_ != image.cacheKey() || coverBox_ != box || coverRatio_ != dpr) {
            cover_ = render::FitPicture(image, box, render::PictureFit::Cover, dpr);
            coverKey_ = image.cacheKey();
            coverBox_ = box;
            coverRatio_ = dpr;
        }
        return cover_;
    }

    QImage cover_;
    qint64 coverKey_ = 0;
    QSize coverBox_;
    qreal coverRatio_ = 0;
};

class PicBoxUnit final : public Unit {
  public:
    PicBoxUnit(FormWindow* form, Unit* parent, const UnitLayout& row, QWidget* container)
        : Unit(form, parent, row.name, Kind::PicBox), view_(new PictureView(container)) {
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
                view_->image = DecodePicture(AsPicture(value));
                view_->pixmap =
                    view_->image.isNull() ? QPixmap() : QPixmap::fromImage(view_->image);
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

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

#include "render/BannerPainter.h"
#include "ui/FontMapping.h"
#include "ui/QtText.h"
#include "ui/Toolkit.h"
#include "ui/UnitKinds.h"
#include "ui/Values.h"

namespace avatrix::ui::detail {
namespace {

QColor TextColourOf(Colour colour) {
    return colour == kDefaultColour ? QColor(Qt::black) : ToQColor(colour);
}

// A plain label: black text on the window's background. It keeps no mouse
// press for itself, so presses reach the window (and can drag it).
class LabelUnit final : public Unit {
  public:
    LabelUnit(FormWindow* form, Unit* parent, const UnitLayout& row, QWidget* container)
        : Unit(form, parent, row.name, Kind::Label), label_(new QLabel(container)) {
        label_->setWordWrap(true);
        label_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label_->setTextFormat(Qt::PlainText);
        QPalette pal = label_->palette();
        pal.setColor(QPalette::WindowText, Qt::black);
        label_->setPalette(pal);
    }

    QWidget* widget() const override { return label_; }

  protected:
    bool supportsOwn(Prop prop) const override { return prop == Prop::Caption; }
    void apply(Prop prop, const Value& value) override {
        applyCaption(prop, value, [this](const QString& text) { label_->setText(text); });
    }

  private:
    QLabel* label_;
};

class LinkLabel final : public QLabel {
  public:
    using QLabel::QLabel;
    Text address;

  protected:
    void mousePressEvent(QMouseEvent* event) override { event->accept(); }
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
            OpenAddress(address);
        }
        event->accept();
    }
};

class HyperLinkerUnit final : public Unit {
  public:
    HyperLinkerUnit(FormWindow* form, Unit* parent, const UnitLayout& row, QWidget* container)
        : Unit(form, parent, row.name, Kind::HyperLinker), link_(new LinkLabel(container)) {
        link_->setTextFormat(Qt::PlainText);
        link_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        link_->setCursor(Qt::PointingHandCursor);
        QFont font = link_->font();
        font.setUnderline(true);
        link_->setFont(font);
        QPalette pal = link_->palette();
        pal.setColor(QPalette::WindowText, QColor(0, 0, 255));
        link_->setPalette(pal);
    }

    QWidget* widget() const override { return link_; }

  protected:
    bool supportsOwn(Prop prop) const override {
        return prop == Prop::Caption || prop == Prop::Address;
    }
    void apply(Prop prop, const Value& value) override {
        if (prop == Prop::Caption) {
            link_->setText(ToQString(AsText(value)));
        } else if (prop == Prop::Address) {
            link_->address = AsText(value);
        } else {
            Unit::apply(prop, value);
        }
    }

  private:
    LinkLabel* link_;
};

// Text drawn straight onto whatever lies behind it: the widget paints no
// background, so the parent's colour or picture shows around the glyphs. The
// glyphs come from the banner painter, which the avatar export uses too.
class TransparentText final : public QWidget {
  public:
    explicit TransparentText(QWidget* parent) : QWidget(parent) {
        setAttribute(Qt::WA_NoSystemBackground);
        setAutoFillBackground(false);
    }

    render::BannerStyle style;

  protected:
    void paintEvent(QPaintEvent*) override {
        if (style.text.isEmpty()) {
            return;
        }
        QPainter painter(this);
        style.labelRect = rect();
        // Nothing outside the widget can show, so nothing beyond it is drawn.
        style.stripSize = size();
        render::PaintBannerText(painter, style);
    }
    void mousePressEvent(QMouseEvent* event) override {
        // The label keeps its presses: pressing on the text never drags.
        event->accept();
    }
};

class TransLabelUnit final : public Unit {
  public:
    TransLabelUnit(FormWindow* form, Unit* parent, const UnitLayout& row, QWidget* container)
        : Unit(form, parent, row.name, Kind::TransLabel), view_(new TransparentText(container)) {
        keep(Prop::Font, NormaliseFont(FontRecord{}));
        keep(Prop::TextColour, kDefaultColour);
        keep(Prop::TextOutline, false);
        keep(Prop::TextShadow, false);
        view_->style.font = ToBannerFont(FontRecord{});
    }

    QWidget* widget() const override { return view_; }

  protected:
    bool supportsOwn(Prop prop) const override {
        return prop == Prop::Caption || prop == Prop::Font || prop == Prop::TextColour ||
               prop == Prop::TextOutline || prop == Prop::TextShadow;
    }
    void apply(Prop prop, const Value& value) override {
        switch (prop) {
            case Prop::Caption:
                view_->style.text = ToQString(AsText(value));
                break;
            case Prop::Font:
                view_->style.font = ToBannerFont(AsFont(value));
                break;
            case Prop::TextColour:
                view_->style.textColour = TextColourOf(AsColour(value));
                break;
            case Prop::TextOutline:
                view_->style.outline = AsBool(value);
                break;
            case Prop::TextShadow:
                view_->style.shadow = AsBool(value);
                break;
            default:
                Unit::apply(prop, value);
                return;
        }
        view_->update();
    }

  private:
    TransparentText* view_;
};

}  // namespace

const UnitFactory kLabelFactory = Construct<LabelUnit>;
const UnitFactory kHyperLinkerFactory = Construct<HyperLinkerUnit>;
const UnitFactory kTransLabelFactory = Construct<TransLabelUnit>;

}  // namespace avatrix::ui::detail

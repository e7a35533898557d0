#include <QColorDialog>
#include <QComboBox>
#include <QFontMetrics>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <array>

#include "ui/DialogStacking.h"
#include "ui/QtText.h"
#include "ui/UnitKinds.h"
#include "ui/Values.h"

namespace avatrix::ui::detail {
namespace {

// A push button whose caption wraps onto more lines when the button is too
// narrow for it, as a tall narrow button's caption must; a caption that fits
// stays on one line.
class WrappingButton final : public QPushButton {
  public:
    explicit WrappingButton(QWidget* parent) : QPushButton(parent) {}

    void setCaption(const QString& caption) {
        caption_ = caption;
        relayout();
    }

  protected:
    void resizeEvent(QResizeEvent* event) override {
        QPushButton::resizeEvent(event);
        relayout();
    }

  private:
    void relayout() {
        const QFontMetrics metrics = fontMetrics();
        const int room = width() - 2 * kMargin;
        if (room <= 0 || metrics.horizontalAdvance(caption_) <= room) {
            setText(caption_);
            return;
        }
        QString wrapped;
        QString line;
        for (const QChar ch : caption_) {
            if (!line.isEmpty() && metrics.horizontalAdvance(line + ch) > room) {
                wrapped += line + QLatin1Char('\n');
                line.clear();
            }
            line += ch;
        }
        setText(wrapped + line);
    }

    static constexpr int kMargin = 4;
    QString caption_;
};

class ButtonUnit final : public Unit {
  public:
    ButtonUnit(FormWindow* form, Unit* parent, const UnitLayout& row, QWidget* container)
        : Unit(form, parent, row.name, Kind::Button), button_(new WrappingButton(container)) {
        button_->setAutoDefault(false);
        keep(Prop::TabStop, true);
        QObject::connect(button_, &QPushButton::clicked, [this] { fire(Event::Clicked); });
    }

    QWidget* widget() const override { return button_; }

  protected:
    bool supportsOwn(Prop prop) const override { return prop == Prop::Caption; }
    void apply(Prop prop, const Value& value) override {
        applyCaption(prop, value, [this](const QString& text) { button_->setCaption(text); });
    }

  private:
    WrappingButton* button_;
};

struct NamedColour {
    const char* name;  // shown in the list
    std::uint32_t ref;
};

// The list a colour picker offers, in COLORREF values; the first entry stands
// for the default colour of whatever the colour is used for.
constexpr std::array<NamedColour, 17> kColours{{
    {"默认", 0xFF000000u},
    {"黑色", 0x000000u},
    {"白色", 0xFFFFFFu},
    {"红色", 0x0000FFu},
    {"绿色", 0x00FF00u},
    {"蓝色", 0xFF0000u},
    {"黄色", 0x00FFFFu},
    {"青色", 0xFFFF00u},
    {"洋红", 0xFF00FFu},
    {"深红", 0x000080u},
    {"深绿", 0x008000u},
    {"深蓝", 0x800000u},
    {"橄榄", 0x008080u},
    {"墨绿", 0x808000u},
    {"紫色", 0x800080u},
    {"灰色", 0x808080u},
    {"银色", 0xC0C0C0u},
}};
constexpr int kCustomRef = -1;

QIcon Swatch(Colour colour) {
    QPixmap pixmap(16, 12);
    if (colour == kDefaultColour) {
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setPen(Qt::gray);
        painter.drawRect(0, 0, 15, 11);
        painter.drawLine(0, 11, 15, 0);
    } else {
        pixmap.fill(ToQColor(colour));
        QPainter painter(&pixmap);
        painter.setPen(Qt::gray);
        painter.drawRect(0, 0, 15, 11);
    }
    return QIcon(pixmap);
}

// A drop-down list of colours with a last entry that opens the colour dialog.
class ColorPickerUnit final : public Unit {
  public:
    ColorPickerUnit(FormWindow* form, Unit* parent, const UnitLayout& row, QWidget* container)
        : Unit(form, parent, row.name, Kind::ColorPicker), combo_(new QComboBox(container)) {
        for (const NamedColour& entry : kColours) {
            combo_->addItem(Swatch(Colour{entry.ref}), QString::fromUtf8(entry.name),
                            QVariant::fromValue(static_cast<qlonglong>(entry.ref)));
        }
        combo_->addItem(QString::fromUtf8("其他颜色…"), QVariant::fromValue(qlonglong{kCustomRef}));
        keep(Prop::TabStop, true);
        keep(Prop::Colour, kDefaultColour);
        show(kDefaultColour);
        QObject::connect(combo_, &QComboBox::activated, [this](int index) { picked(index); });
    }

    QWidget* widget() const override { return combo_; }

  protected:
    bool supportsOwn(Prop prop) const override { return prop == Prop::Colour; }
    void apply(Prop prop, const Value& value) override {
        if (prop == Prop::Colour) {
            show(AsColour(value));
            return;
        }
        Unit::apply(prop, value);
    }

  private:
    void picked(int index) {
        const qlonglong ref = combo_->itemData(index).toLongLong();
        Colour chosen{static_cast<std::uint32_t>(ref)};
        if (ref == kCustomRef) {
            const Colour current = AsColour(stored(Prop::Colour));
            const QColor start = current == kDefaultColour ? QColor(Qt::black) : ToQColor(current);
            LoadQtTranslations();
            QColorDialog dialog(start);
            dialog.setOption(QColorDialog::DontUseNativeDialog);
            PrepareDialog(dialog);
            const QColor colour =
                dialog.exec() == QDialog::Accepted ? dialog.selectedColor() : QColor();
            if (!colour.isValid()) {
                show(current);  // cancelled: the choice stays as it was
                return;
            }
            chosen = FromQColor(colour);
        }
        keep(Prop::Colour, chosen);
        show(chosen);
        fire(Event::ColourChanged);
    }

    // Selects the entry of `colour`, adding one for a colour not in the list.
    void show(Colour colour) {
        int index = combo_->findData(QVariant::fromValue(static_cast<qlonglong>(colour.ref)));
        if (index < 0) {
            index = combo_->count() - 1;
            combo_->insertItem(index, Swatch(colour),
                               ToQColor(colour).name(QColor::HexRgb).toUpper(),
                               QVariant::fromValue(static_cast<qlonglong>(colour.ref)));
        }
        combo_->setCurrentIndex(index);
    }

    QComboBox* combo_;
};

}  // namespace

const UnitFactory kButtonFactory = Construct<ButtonUnit>;
const UnitFactory kColorPickerFactory = Construct<ColorPickerUnit>;

}  // namespace avatrix::ui::detail

#include <QKeyEvent>
#include <QLineEdit>

#include "ui/Kinds.h"
#include "ui/QtText.h"
#include "ui/UnitKinds.h"
#include "ui/Values.h"

namespace avatrix::ui::detail {
namespace {

constexpr int kUnlimitedLength = 32767;

// Whole-number mode lets through "-", the digits and every control
// character; any other typed character is dropped.
bool AllowedInWholeNumber(const QString& typed) {
    for (QChar c : typed) {
        if (c.unicode() >= 32 && c != QLatin1Char('-') &&
            !(c >= QLatin1Char('0') && c <= QLatin1Char('9'))) {
            return false;
        }
    }
    return true;
}

class EditField final : public QLineEdit {
  public:
    using QLineEdit::QLineEdit;
    int inputMode = 0;

  protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (inputMode == kInputWholeNumber && !event->text().isEmpty() &&
            !AllowedInWholeNumber(event->text()) &&
            !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            event->accept();
            return;
        }
        QLineEdit::keyPressEvent(event);
    }
    void inputMethodEvent(QInputMethodEvent* event) override {
        if (inputMode == kInputWholeNumber && !AllowedInWholeNumber(event->commitString())) {
            event->accept();
            return;
        }
        QLineEdit::inputMethodEvent(event);
    }
};

class EditBoxUnit final : public Unit {
  public:
    EditBoxUnit(FormWindow* form, Unit* parent, const UnitLayout& row, QWidget* container)
        : Unit(form, parent, row.name, Kind::EditBox), field_(new EditField(container)) {
        field_->setMaxLength(kUnlimitedLength);
        // Black on white in every edit box.
        QPalette pal = field_->palette();
        pal.setColor(QPalette::Base, Qt::white);
        pal.setColor(QPalette::Text, Qt::black);
        field_->setPalette(pal);
        keep(Prop::TabStop, true);
        keep(Prop::Border, kUnitBorderSunken);
    }

    QWidget* widget() const override { return field_; }

  protected:
    bool supportsOwn(Prop prop) const override {
        return prop == Prop::Content || prop == Prop::Border || prop == Prop::InputMode ||
               prop == Prop::MaxLength;
    }

    Value read(Prop prop) const override {
        if (prop == Prop::Content) {
            return FromQString(field_->text());
        }
        return Unit::read(prop);
    }

    void apply(Prop prop, const Value& value) override {
        switch (prop) {
            case Prop::Content:
                field_->setText(ToQString(AsText(value)));
                break;
            case Prop::Border:
                field_->setFrame(AsInt(value) != 0);
                break;
            case Prop::InputMode: {
                const int mode = AsInt(value);
                field_->inputMode = mode;
                field_->setReadOnly(mode == kInputReadOnly);
                field_->setEchoMode(mode == kInputPassword ? QLineEdit::Password
                                                           : QLineEdit::Normal);
                break;
            }
            case Prop::MaxLength: {
                const int length = AsInt(value);
                field_->setMaxLength(length > 0 && length < kUnlimitedLength ? length
                                                                             : kUnlimitedLength);
                break;
            }
            default:
                Unit::apply(prop, value);
        }
    }

  private:
    EditField* field_;
};

}  // namespace

const UnitFactory kEditBoxFactory = Construct<EditBoxUnit>;

}  // namespace avatrix::ui::detail

#include "ui/Unit.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>
#include <algorithm>

#include "ui/FormWindow.h"
#include "ui/Values.h"

namespace avatrix::ui::detail {
namespace {

bool IsCommon(Prop prop) {
    switch (prop) {
        case Prop::Left:
        case Prop::Top:
        case Prop::Width:
        case Prop::Height:
        case Prop::Visible:
        case Prop::Disabled:
        case Prop::TabStop:
            return true;
        default:
            return false;
    }
}

// Turns the widget's input into the unit's LeftButtonDown, FocusGained,
// FocusLost and KeyDown events. It only watches: every event still reaches
// the widget as usual, except Esc in a window that closes on it.
class InputWatcher final : public QObject {
  public:
    InputWatcher(Unit* unit, QWidget* widget) : QObject(widget), unit_(unit), widget_(widget) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != widget_) {
            return false;
        }
        switch (event->type()) {
            case QEvent::MouseButtonPress: {
                auto* mouse = static_cast<QMouseEvent*>(event);
                if (mouse->button() == Qt::LeftButton) {
                    const QPoint at = mouse->position().toPoint() - unit_->childOrigin();
                    EventArgs args;
                    args.x = at.x();
                    args.y = at.y();
                    args.modifiers = ModifierStateOf(mouse->modifiers());
                    unit_->fire(Event::LeftButtonDown, args);
                }
                return false;
            }
            case QEvent::FocusIn:
                if (static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) {
                    unit_->fire(Event::FocusGained);
                }
                return false;
            case QEvent::FocusOut:
                if (static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) {
                    unit_->fire(Event::FocusLost);
                }
                return false;
            case QEvent::KeyPress:
                return keyPressed(static_cast<QKeyEvent*>(event));
            default:
                return false;
        }
    }

  private:
    bool keyPressed(QKeyEvent* key) {
        // A key a unit leaves unused travels on to its parent; only the unit
        // that has the focus raises KeyDown for it.
        QWidget* focus = QApplication::focusWidget();
        const bool mine =
            focus == widget_ || (focus == nullptr && widget_ == unit_->form()) ||
            (focus != nullptr && widget_ == unit_->form() && !unit_->form()->owns(focus));
        if (!mine) {
            return false;
        }
        EventArgs args;
        args.keyCode = VirtualKeyOf(key->key(), key->modifiers().testFlag(Qt::KeypadModifier));
        args.modifiers = ModifierStateOf(key->modifiers());
        unit_->fire(Event::KeyDown, args);
        if (key->key() == Qt::Key_Escape && unit_->form()->closesOnEscape()) {
            unit_->form()->requestClose();
            return true;
        }
        return false;
    }

    Unit* unit_;
    QWidget* widget_;
};

}  // namespace

Unit::Unit(FormWindow* form, Unit* parent, std::string name, Kind kind)
    : form_(form), parent_(parent), name_(std::move(name)), kind_(kind) {}

bool Unit::supports(Prop prop) const {
    return IsCommon(prop) || supportsOwn(prop);
}

Value Unit::get(Prop prop) const {
    if (!supports(prop)) {
        return EmptyValue(prop);
    }
    return read(prop);
}

void Unit::set(Prop prop, const Value& value) {
    if (!supports(prop)) {
        return;
    }
    Value converted = Coerce(prop, value);
    if ((prop == Prop::Width || prop == Prop::Height) && std::get<int>(converted) < 0) {
        converted = 0;  // a negative size is an empty one
    }
    keep(prop, converted);
    apply(prop, converted);
}

void Unit::setFontMember(FontMember member, const Value& value) {
    if (!supports(Prop::Font)) {
        return;
    }
    FontRecord font = AsFont(get(Prop::Font));
    switch (member) {
        case FontMember::Angle:
            font.angle = AsInt(value);
            break;
        case FontMember::Bold:
            font.bold = AsBool(value);
            break;
        case FontMember::Italic:
            font.italic = AsBool(value);
            break;
        case FontMember::StrikeOut:
            font.strikeOut = AsBool(value);
            break;
        case FontMember::Underline:
            font.underline = AsBool(value);
            break;
        case FontMember::Size:
            font.size = AsInt(value);
            break;
        case FontMember::Face:
            font.face = AsText(value);
            break;
    }
    set(Prop::Font, font);
}

bool Unit::fire(Event event, const EventArgs& args) const {
    // The window's own unit is bound under the empty name.
    const bool isWindow = static_cast<const Unit*>(form_) == this;
    return form_->raiseEvent(isWindow ? std::string(kWindowUnit) : name_, event, args);
}

Value Unit::stored(Prop prop) const {
    auto it = values_.find(prop);
    return it == values_.end() ? EmptyValue(prop) : it->second;
}

Value Unit::read(Prop prop) const {
    return stored(prop);
}

void Unit::apply(Prop prop, const Value& value) {
    QWidget* w = widget();
    if (w == nullptr) {
        return;
    }
    switch (prop) {
        case Prop::Left:
        case Prop::Top:
        case Prop::Width:
        case Prop::Height:
            place();
            break;
        case Prop::Visible:
            w->setVisible(AsBool(value));
            break;
        case Prop::Disabled:
            w->setEnabled(!AsBool(value));
            break;
        case Prop::TabStop:
            w->setFocusPolicy(
                AsBool(value) ? Qt::StrongFocus
                              : (w->focusPolicy() == Qt::NoFocus ? Qt::NoFocus : Qt::ClickFocus));
            break;
        default:
            break;
    }
}

void Unit::initialise(const UnitLayout& row) {
    keep(Prop::Left, row.left);
    keep(Prop::Top, row.top);
    keep(Prop::Width, std::max(0, row.width));
    keep(Prop::Height, std::max(0, row.height));
    if (values_.find(Prop::Visible) == values_.end()) {
        keep(Prop::Visible, true);
    }
    if (values_.find(Prop::TabStop) == values_.end()) {
        keep(Prop::TabStop, false);
    }
    apply(Prop::TabStop, stored(Prop::TabStop));
    for (const PropertyInit& init : row.properties) {
        set(init.prop, init.value);
    }
    place();
    watchInput();
}

void Unit::place() {
    QWidget* w = widget();
    if (w == nullptr) {
        return;
    }
    const QPoint origin = parent_ != nullptr ? parent_->childOrigin() : form_->childOrigin();
    w->setGeometry(origin.x() + AsInt(stored(Prop::Left)), origin.y() + AsInt(stored(Prop::Top)),
                   std::max(0, AsInt(stored(Prop::Width))),
                   std::max(0, AsInt(stored(Prop::Height))));
}

void Unit::watchInput() {
    if (QWidget* w = widget()) {
        w->installEventFilter(new InputWatcher(this, w));
    }
}

int ModifierStateOf(Qt::KeyboardModifiers modifiers) {
    int state = 0;
    if (modifiers & Qt::ShiftModifier) {
        state |= kModifierShift;
    }
    if (modifiers & Qt::ControlModifier) {
        state |= kModifierCtrl;
    }
    if (modifiers & Qt::AltModifier) {
        state |= kModifierAlt;
    }
    return state;
}

int VirtualKeyOf(int key, bool keypad) {
    if (keypad && key >= Qt::Key_0 && key <= Qt::Key_9) {
        return 0x60 + (key - Qt::Key_0);
    }
    if ((key >= Qt::Key_0 && key <= Qt::Key_9) || (key >= Qt::Key_A && key <= Qt::Key_Z)) {
        return key;  // the same codes as ASCII digits and capitals
    }
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) {
        return 0x70 + (key - Qt::Key_F1);
    }
    if (keypad) {
        switch (key) {
            case Qt::Key_Asterisk:
                return 0x6A;
            case Qt::Key_Plus:
                return 0x6B;
            case Qt::Key_Minus:
                return 0x6D;
            case Qt::Key_Period:
                return 0x6E;
            case Qt::Key_Slash:
                return 0x6F;
            default:
                break;
        }
    }
    switch (key) {
        case Qt::Key_Backspace:
            return 0x08;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            return 0x09;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return 0x0D;
        case Qt::Key_Shift:
            return 0x10;
        case Qt::Key_Control:
            return 0x11;
        case Qt::Key_Alt:
            return 0x12;
        case Qt::Key_Pause:
            return 0x13;
        case Qt::Key_CapsLock:
            return 0x14;
        case Qt::Key_Escape:
            return 0x1B;
        case Qt::Key_Space:
            return 0x20;
        case Qt::Key_PageUp:
            return 0x21;
        case Qt::Key_PageDown:
            return 0x22;
        case Qt::Key_End:
            return 0x23;
        case Qt::Key_Home:
            return 0x24;
        case Qt::Key_Left:
            return 0x25;
        case Qt::Key_Up:
            return 0x26;
        case Qt::Key_Right:
            return 0x27;
        case Qt::Key_Down:
            return 0x28;
        case Qt::Key_Insert:
            return 0x2D;
        case Qt::Key_Delete:
            return 0x2E;
        case Qt::Key_NumLock:
            return 0x90;
        case Qt::Key_ScrollLock:
            return 0x91;
        case Qt::Key_Semicolon:
        case Qt::Key_Colon:
            return 0xBA;
        case Qt::Key_Equal:
        case Qt::Key_Plus:
            return 0xBB;
        case Qt::Key_Comma:
        case Qt::Key_Less:
            return 0xBC;
        case Qt::Key_Minus:
        case Qt::Key_Underscore:
            return 0xBD;
        case Qt::Key_Period:
        case Qt::Key_Greater:
            return 0xBE;
        case Qt::Key_Slash:
        case Qt::Key_Question:
            return 0xBF;
        case Qt::Key_QuoteLeft:
        case Qt::Key_AsciiTilde:
            return 0xC0;
        case Qt::Key_BracketLeft:
        case Qt::Key_BraceLeft:
            return 0xDB;
        case Qt::Key_Backslash:
        case Qt::Key_Bar:
            return 0xDC;
        case Qt::Key_BracketRight:
        case Qt::Key_BraceRight:
            return 0xDD;
        case Qt::Key_Apostrophe:
        case Qt::Key_QuoteDbl:
            return 0xDE;
        default:
            return 0;
    }
}

}  // namespace avatrix::ui::detail

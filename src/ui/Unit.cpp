#include "ui/Unit.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>
#include <algorithm>
#include <cstddef>
#include <utility>

#include "ui/FormWindow.h"
#include "ui/QtText.h"
#include "ui/Values.h"

namespace avatrix::ui::detail {
namespace {

bool IsCommon(Prop prop) {
    return IsOneOf(prop, {Prop::Left, Prop::Top, Prop::Width, Prop::Height, Prop::Visible,
                          Prop::Disabled, Prop::TabStop});
}

// Virtual-key codes of the keypad's operators, and of the other keys that are
// neither letters, digits nor F keys.
constexpr std::pair<int, int> kKeypadKeys[] = {
    {Qt::Key_Asterisk, 0x6A}, {Qt::Key_Plus, 0x6B},  {Qt::Key_Minus, 0x6D},
    {Qt::Key_Period, 0x6E},   {Qt::Key_Slash, 0x6F},
};
constexpr std::pair<int, int> kOtherKeys[] = {
    {Qt::Key_Backspace, 0x08},    {Qt::Key_Tab, 0x09},        {Qt::Key_Backtab, 0x09},
    {Qt::Key_Return, 0x0D},       {Qt::Key_Enter, 0x0D},      {Qt::Key_Shift, 0x10},
    {Qt::Key_Control, 0x11},      {Qt::Key_Alt, 0x12},        {Qt::Key_Pause, 0x13},
    {Qt::Key_CapsLock, 0x14},     {Qt::Key_Escape, 0x1B},     {Qt::Key_Space, 0x20},
    {Qt::Key_PageUp, 0x21},       {Qt::Key_PageDown, 0x22},   {Qt::Key_End, 0x23},
    {Qt::Key_Home, 0x24},         {Qt::Key_Left, 0x25},       {Qt::Key_Up, 0x26},
    {Qt::Key_Right, 0x27},        {Qt::Key_Down, 0x28},       {Qt::Key_Insert, 0x2D},
    {Qt::Key_Delete, 0x2E},       {Qt::Key_NumLock, 0x90},    {Qt::Key_ScrollLock, 0x91},
    {Qt::Key_Semicolon, 0xBA},    {Qt::Key_Colon, 0xBA},      {Qt::Key_Equal, 0xBB},
    {Qt::Key_Plus, 0xBB},         {Qt::Key_Comma, 0xBC},      {Qt::Key_Less, 0xBC},
    {Qt::Key_Minus, 0xBD},        {Qt::Key_Underscore, 0xBD}, {Qt::Key_Period, 0xBE},
    {Qt::Key_Greater, 0xBE},      {Qt::Key_Slash, 0xBF},      {Qt::Key_Question, 0xBF},
    {Qt::Key_QuoteLeft, 0xC0},    {Qt::Key_AsciiTilde, 0xC0}, {Qt::Key_BracketLeft, 0xDB},
    {Qt::Key_BraceLeft, 0xDB},    {Qt::Key_Backslash, 0xDC},  {Qt::Key_Bar, 0xDC},
    {Qt::Key_BracketRight, 0xDD}, {Qt::Key_BraceRight, 0xDD}, {Qt::Key_Apostrophe, 0xDE},
    {Qt::Key_QuoteDbl, 0xDE},
};

template <std::size_t N>
int CodeIn(const std::pair<int, int> (&table)[N], int key) {
    for (const auto& [qtKey, vk] : table) {
        if (key == qtKey) {
            return vk;
        }
    }
    return 0;
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

QString Unit::CaptionText(const Value& value) {
    return ToQString(AsText(value));
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
        return kKeyF1 + (key - Qt::Key_F1);
    }
    if (const int vk = keypad ? CodeIn(kKeypadKeys, key) : 0) {
        return vk;
    }
    return CodeIn(kOtherKeys, key);
}

}  // namespace avatrix::ui::detail

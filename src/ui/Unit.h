#pragma once

#include <QPoint>
#include <QString>
#include <map>
#include <string>

#include "ui/Toolkit.h"

class QPainter;
class QWidget;

namespace avatrix::ui::detail {

class FormWindow;

// One unit of a window: its name, kind, property values and, for the visible
// kinds, the widget that shows it. Property values are kept here in their
// program form; each kind pushes them to its widget and reads back the ones
// the user can change (an edit box's text, a window's position).
class Unit {
  public:
    Unit(FormWindow* form, Unit* parent, std::string name, Kind kind);
    virtual ~Unit() = default;
    Unit(const Unit&) = delete;
    Unit& operator=(const Unit&) = delete;

    const std::string& name() const { return name_; }
    Kind kind() const { return kind_; }
    FormWindow* form() const { return form_; }
    Unit* parentUnit() const { return parent_; }

    // Null for the kinds that are never visible.
    virtual QWidget* widget() const { return nullptr; }
    // Where a child unit's (0, 0) lies inside this unit's widget.
    virtual QPoint childOrigin() const { return {}; }

    bool supports(Prop prop) const;
    Value get(Prop prop) const;
    void set(Prop prop, const Value& value);
    void setFontMember(FontMember member, const Value& value);

    // Calls the handler bound to (this unit, event); true when none is bound.
    bool fire(Event event, const EventArgs& args = {}) const;

    // Takes the layout row's geometry and properties, places the widget and
    // starts raising its input events.
    void initialise(const UnitLayout& row);

    // Puts the widget where the geometry properties say.
    virtual void place();

    // For a unit lying straight on its window: draws what shows of it beyond
    // its own rectangle, onto the window's background.
    virtual void paintBeyondBox(QPainter& /*painter*/) const {}

  protected:
    virtual bool supportsOwn(Prop prop) const = 0;
    // The current value; by default the last one written.
    virtual Value read(Prop prop) const;
    // Pushes a written value (already converted and kept) to the widget.
    virtual void apply(Prop prop, const Value& value);

    // For the kinds whose one property of their own is Caption: a caption
    // goes to `show`, anything else to Unit::apply.
    template <typename Show>
    void applyCaption(Prop prop, const Value& value, Show show) {
        if (prop == Prop::Caption) {
            show(CaptionText(value));
            return;
        }
        Unit::apply(prop, value);
    }
    static QString CaptionText(const Value& value);

    Value stored(Prop prop) const;
    void keep(Prop prop, Value value) { values_[prop] = std::move(value); }

    // Hooks mouse, focus and key events of the widget up to the unit's events.
    void watchInput();

  private:
    FormWindow* form_;
    Unit* parent_;
    std::string name_;
    Kind kind_;
    std::map<Prop, Value> values_;
};

// Virtual-key code and modifier state (the kModifier bits) of a key or mouse
// event, as the handlers receive them.
int VirtualKeyOf(int qtKey, bool keypad);
int ModifierStateOf(Qt::KeyboardModifiers modifiers);

}  // namespace avatrix::ui::detail

#pragma once

#include <algorithm>
#include <initializer_list>

#include "ui/Toolkit.h"

// How property values are read when a writer passes a neighbouring type (an
// int for a bool, a colour as an int), and the empty value of each type.
namespace avatrix::ui::detail {

enum class ValueType { Int, Bool, Text, Colour, Picture, Font };

ValueType TypeOf(Prop prop);
Value EmptyValue(ValueType type);
Value EmptyValue(Prop prop);

int AsInt(const Value& value);
bool AsBool(const Value& value);
Text AsText(const Value& value);
Colour AsColour(const Value& value);
ByteSet AsPicture(const Value& value);
FontRecord AsFont(const Value& value);

// Whether `prop` is one of `props`: the properties a kind has.
inline bool IsOneOf(Prop prop, std::initializer_list<Prop> props) {
    return std::find(props.begin(), props.end(), prop) != props.end();
}

// The value converted to the property's own type.
Value Coerce(Prop prop, const Value& value);

// Face names outside 1 to 31 bytes become the default face, and the angle is
// kept within one turn.
FontRecord NormaliseFont(FontRecord font);
Text DefaultFace();

}  // namespace avatrix::ui::detail

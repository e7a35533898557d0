#include "ui/Values.h"

#include "text/Literal.h"
#include "ui/Toolkit.h"

namespace avatrix::ui::detail {

ValueType TypeOf(Prop prop) {
    switch (prop) {
        case Prop::Visible:
        case Prop::Disabled:
        case Prop::TabStop:
        case Prop::ControlBox:
        case Prop::MaxButton:
        case Prop::MinButton:
        case Prop::Movable:
        case Prop::EscCloses:
        case Prop::ShowInTaskbar:
        case Prop::FreeMove:
        case Prop::AlwaysOnTop:
        case Prop::FontBold:
        case Prop::FontItalic:
        case Prop::FontStrikeOut:
        case Prop::FontUnderline:
        case Prop::AcceptFiles:
        case Prop::TextOutline:
        case Prop::TextShadow:
            return ValueType::Bool;
        case Prop::Caption:
        case Prop::ClassName:
        case Prop::Content:
        case Prop::Address:
        case Prop::FileName:
        case Prop::Filter:
        case Prop::InitialDir:
        case Prop::FontName:
            return ValueType::Text;
        case Prop::BackColour:
        case Prop::Colour:
        case Prop::TextColour:
            return ValueType::Colour;
        case Prop::Picture:
            return ValueType::Picture;
        case Prop::Font:
            return ValueType::Font;
        default:
            return ValueType::Int;
    }
}

Value EmptyValue(ValueType type) {
    switch (type) {
        case ValueType::Bool:
            return false;
        case ValueType::Text:
            return Text();
        case ValueType::Colour:
            return Colour{};
        case ValueType::Picture:
            return ByteSet();
        case ValueType::Font:
            return FontRecord{};
        case ValueType::Int:
            break;
    }
    return 0;
}

Value EmptyValue(Prop prop) {
    return EmptyValue(TypeOf(prop));
}

int AsInt(const Value& value) {
    if (const int* i = std::get_if<int>(&value)) {
        return *i;
    }
    if (const bool* b = std::get_if<bool>(&value)) {
        return *b ? 1 : 0;
    }
    if (const Colour* c = std::get_if<Colour>(&value)) {
        return static_cast<int>(c->ref);
    }
    if (const Text* t = std::get_if<Text>(&value)) {
        return TextToInt(*t);
    }
    return 0;
}

bool AsBool(const Value& value) {
    if (const bool* b = std::get_if<bool>(&value)) {
        return *b;
    }
    return AsInt(value) != 0;
}

Text AsText(const Value& value) {
    if (const Text* t = std::get_if<Text>(&value)) {
        return *t;
    }
    if (const ByteSet* bytes = std::get_if<ByteSet>(&value)) {
        return Text(std::string(bytes->begin(), bytes->end()));
    }
    if (std::holds_alternative<int>(value) || std::holds_alternative<bool>(value)) {
        return Text(std::to_string(AsInt(value)));
    }
    return {};
}

Colour AsColour(const Value& value) {
    if (const Colour* c = std::get_if<Colour>(&value)) {
        return *c;
    }
    return Colour{static_cast<std::uint32_t>(AsInt(value))};
}

ByteSet AsPicture(const Value& value) {
    if (const ByteSet* bytes = std::get_if<ByteSet>(&value)) {
        return *bytes;
    }
    if (const Text* t = std::get_if<Text>(&value)) {
        return ByteSet(t->bytes().begin(), t->bytes().end());
    }
    return {};
}

FontRecord AsFont(const Value& value) {
    if (const FontRecord* f = std::get_if<FontRecord>(&value)) {
        return *f;
    }
    return {};
}

Value Coerce(Prop prop, const Value& value) {
    switch (TypeOf(prop)) {
        case ValueType::Bool:
            return AsBool(value);
        case ValueType::Text:
            return AsText(value);
        case ValueType::Colour:
            return AsColour(value);
        case ValueType::Picture:
            return AsPicture(value);
        case ValueType::Font:
            return NormaliseFont(AsFont(value));
        case ValueType::Int:
            break;
    }
    return AsInt(value);
}

Text DefaultFace() {
    static const Text face = "宋体"_gbk;
    return face;
}

FontRecord NormaliseFont(FontRecord font) {
    font.angle %= 3600;
    if (font.angle < 0) {
        font.angle += 3600;
    }
    if (font.face.empty() || font.face.size() >= 32) {
        font.face = DefaultFace();
    }
    return font;
}

}  // namespace avatrix::ui::detail

#pragma once

#include <QColor>
#include <QString>

namespace avatrix::cli {

// What a colour option takes, for messages and the help text.
inline constexpr const char* kColourForms =
    "a colour: #RGB, #RRGGBB, #AARRGGBB or an SVG/CSS colour name such as rebeccapurple";

// #RGB, #RRGGBB, #AARRGGBB (alpha first), or one of the SVG/CSS colour names
// in any case; nothing else.
bool ParseColour(const QString& value, QColor& out);

}  // namespace avatrix::cli

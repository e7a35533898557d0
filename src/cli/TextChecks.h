#pragma once

#include <QFont>
#include <QString>

// What is checked before a text is drawn, so that a face that is not
// installed or a character no font has is a reported failure, never a
// silent substitute or an empty box.
namespace avatrix::cli {

// Empty when `face` is installed or stands for one (the default face and
// its substitutes); otherwise the reason, naming the nearest installed faces.
QString CheckFace(const QString& face);

// Empty when every character of `text` has a glyph in `font` or in a face
// the font falls back to; otherwise the reason, naming the code points that
// have none (U+XXXX).
QString CheckGlyphs(const QString& text, const QFont& font);

}  // namespace avatrix::cli

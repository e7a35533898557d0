#pragma once

#include <QColor>
#include <QString>

#include "text/Text.h"
#include "ui/Toolkit.h"

// The toolkit's one crossing between the program's GBK texts and Qt's
// UTF-16 strings, and between COLORREF values and QColor.
namespace avatrix::ui::detail {

QString ToQString(const Text& text);
Text FromQString(const QString& text);

// File names between Qt and the file system's own bytes, never through GBK.
QString ToQPath(const FilePath& path);
FilePath FromQPath(const QString& path);

// 0x00BBGGRR to QColor; the caller resolves kDefaultColour first.
QColor ToQColor(Colour colour);
Colour FromQColor(const QColor& colour);

}  // namespace avatrix::ui::detail

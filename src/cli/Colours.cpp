#include "cli/Colours.h"

namespace avatrix::cli {

bool ParseColour(const QString& value, QColor& out) {
    const QString v = value.trimmed();
    if (v.startsWith(u'#') && v.size() != 4 && v.size() != 7 && v.size() != 9) {
        return false;
    }
    // The SVG names are the toolkit's; CSS added one more.
    if (v.compare(u"rebeccapurple", Qt::CaseInsensitive) == 0) {
        out = QColor(0x66, 0x33, 0x99);
        return true;
    }
    const QColor colour = QColor::fromString(v);
    if (!colour.isValid()) {
        return false;
    }
    out = colour;
    return true;
}

}  // namespace avatrix::cli

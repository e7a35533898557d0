#include "ui/FontMapping.h"

#include <algorithm>
#include <cstdlib>

#include "ui/QtText.h"
#include "ui/Values.h"

namespace avatrix::ui::detail {

QFont ToQFont(const FontRecord& record) {
    const FontRecord font = NormaliseFont(record);
    QFont result(ToQString(font.face));
    const long long points = font.size == 0 ? kDefaultPointSize : std::llabs(font.size);
    result.setPixelSize(static_cast<int>(
        std::clamp(points * 96 / 72, 1LL, static_cast<long long>(kLargestPixelSize))));
    result.setWeight(font.bold ? QFont::Bold : QFont::Normal);
    result.setItalic(font.italic);
    result.setUnderline(font.underline);
    result.setStrikeOut(font.strikeOut);
    return result;
}

}  // namespace avatrix::ui::detail
